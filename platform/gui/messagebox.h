#pragma once

#include <QString>

class QWidget;

namespace zol {

// Modal message boxes, behind an interface so that window tests can answer
// them without a person at the screen.
class MessageBoxes
{
public:
    enum class Icon { None, Information, Warning, Critical };
    // An answer, and the button that Enter presses. A question whose Yes
    // cannot be undone makes No its default, so that a hurried Enter or a
    // bounced key does nothing.
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;

    virtual void showOk(QWidget *parent, const QString &title, const QString &text,
                        Icon icon = Icon::None) = 0;
    // True for Yes, false for No (or the box closed without an answer).
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text,
                          Icon icon = Icon::None, Answer defaultAnswer = Answer::Yes) = 0;
    // Yes is the default button; Esc and the close box are Cancel.
    virtual Answer askYesNoCancel(QWidget *parent, const QString &title, const QString &text) = 0;
    // A Yes/No question that may also be put off: closing the box (Esc,
    // Alt+F4, the title bar's button) answers Cancel, not No. Given here
    // through askYesNo, for stand-ins that know no closing.
    virtual Answer askYesNoOrClose(QWidget *parent, const QString &title, const QString &text,
                                   Icon icon = Icon::None, Answer defaultAnswer = Answer::Yes)
    {
        return askYesNo(parent, title, text, icon, defaultAnswer) ? Answer::Yes : Answer::No;
    }
};

class QtMessageBoxes final : public MessageBoxes
{
public:
    void showOk(QWidget *parent, const QString &title, const QString &text, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text, Icon icon,
                  Answer defaultAnswer) override;
    Answer askYesNoCancel(QWidget *parent, const QString &title, const QString &text) override;
    Answer askYesNoOrClose(QWidget *parent, const QString &title, const QString &text, Icon icon,
                           Answer defaultAnswer) override;
};

} // namespace zol
