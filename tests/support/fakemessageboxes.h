#pragma once

#include "messagebox.h"

#include <QList>
#include <QString>

namespace zol::test {

// Records every box instead of showing it, and answers questions from a queue
// (Yes when the queue is empty).
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

    QList<Shown> shown;
    QList<bool> answers;
};

} // namespace zol::test
