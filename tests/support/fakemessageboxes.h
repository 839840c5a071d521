#pragma once

#include "messagebox.h"

#include <QList>
#include <QString>

namespace zol::test {

// Records every box instead of showing it, and answers questions from a queue:
// Yes/No questions from answers (Yes when it is empty), Yes/No/Cancel
// questions from choices (No when it is empty, so that a test that ends the
// program after a reading ends it as before).
class FakeMessageBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        QString title;
        QString text;
        Icon icon;
        bool question;
        // What Enter would have answered; a message has only OK.
        Answer defaultAnswer = Answer::Yes;
    };

    void showOk(QWidget *parent, const QString &title, const QString &text, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &title, const QString &text, Icon icon,
                  Answer defaultAnswer) override;
    Answer askYesNoCancel(QWidget *parent, const QString &title, const QString &text) override;
    // From putOff when it holds an answer (Cancel for a box closed), else
    // from answers as a Yes/No question.
    Answer askYesNoOrClose(QWidget *parent, const QString &title, const QString &text, Icon icon,
                           Answer defaultAnswer) override;

    QList<Shown> shown;
    QList<bool> answers;
    QList<Answer> choices;
    QList<Answer> putOff;
};

} // namespace zol::test
