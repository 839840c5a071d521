#include "textbox.h"

#include <QScrollBar>

using namespace Qt::StringLiterals;

namespace zol {

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::onEdited);
}

void TextBox::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    {
        const QSignalBlocker blocker(this);
        m_settingText = true;
        setPlainText(toDisplay(text));
        m_settingText = false;
    }
    emit changed();
}

void TextBox::appendLine(const QString &line)
{
    setText(m_text + line + u"\r\n"_s);
    // A log is seen from its newest line; setting the text put the view back
    // at the top. The cursor stays on the first line, where a screen reader
    // starts reading when the box is reached with Tab.
    if (QScrollBar *bar = verticalScrollBar())
        bar->setValue(bar->maximum());
    emit lineAppended(line);
}

namespace {
// A NUL is drawn as its picture, one column like any character: the font has
// no glyph for it, and a screen reader given the NUL itself stops reading
// the text there.
constexpr QChar kNul = QChar(0);
constexpr QChar kNulPicture = QChar(0x2400);
} // namespace

QString TextBox::toDisplay(const QString &text)
{
    QString display = text;
    display.replace(u"\r\n"_s, u"\n"_s);
    display.replace(u'\r', u'\n');
    display.replace(kNul, kNulPicture);
    return display;
}

QString TextBox::fromDisplay(const QString &display)
{
    QString text = display;
    text.replace(kNulPicture, kNul);
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    return text;
}

void TextBox::onEdited()
{
    if (m_settingText)
        return;
    // toRawText keeps characters such as the no-break space that
    // toPlainText would change.
    const QString edited = fromDisplay(document()->toRawText());
    if (edited == m_text)
        return;
    m_text = edited;
    emit changed();
    emit this->edited();
}

} // namespace zol
