#include "textbox.h"

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
    setText(m_text + line + QStringLiteral("\r\n"));
    // A log is read from its newest line; setting the text put the view back
    // at the top.
    moveCursor(QTextCursor::End);
    ensureCursorVisible();
}

QString TextBox::toDisplay(const QString &text)
{
    QString display = text;
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return display;
}

QString TextBox::fromDisplay(const QString &display)
{
    QString text = display;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
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
}

} // namespace zol
