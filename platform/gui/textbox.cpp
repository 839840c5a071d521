#include "textbox.h"

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
    // A log is read from its newest line; setting the text put the view back
    // at the top.
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

QString TextBox::toDisplay(const QString &text)
{
    QString display = text;
    display.replace(u"\r\n"_s, u"\n"_s);
    display.replace(u'\r', u'\n');
    return display;
}

QString TextBox::fromDisplay(const QString &display)
{
    QString text = display;
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
