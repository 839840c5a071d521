#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace zol {

// A multi-line text box that keeps its text the way the programs think of it,
// with CR LF line ends, while the editor underneath shows ordinary line breaks.
//
// Text set by the program is kept exactly as set, and setting the text the box
// already holds is no change. Text the user edits is kept with CR LF line
// ends. Either kind of change is reported by changed(), once per change; the
// user's own edits are reported by edited() as well, after it.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextBox(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // Shows the new last line, as a log does, and tells lineAppended().
    void appendLine(const QString &line);

    // The text as the editor shows it, and back; a NUL shows as "␀".
    static QString toDisplay(const QString &text);
    static QString fromDisplay(const QString &display);

signals:
    void changed();
    void edited();
    void lineAppended(const QString &line);

private:
    void onEdited();

    QString m_text;
    bool m_settingText = false;
};

} // namespace zol
