#include "fakemessageboxes.h"

namespace zol::test {

void FakeMessageBoxes::showOk(QWidget *, const QString &title, const QString &text, Icon icon)
{
    shown.append({title, text, icon, false});
}

bool FakeMessageBoxes::askYesNo(QWidget *, const QString &title, const QString &text, Icon icon,
                                Answer defaultAnswer)
{
    shown.append({title, text, icon, true, defaultAnswer});
    return answers.isEmpty() ? true : answers.takeFirst();
}

MessageBoxes::Answer FakeMessageBoxes::askYesNoCancel(QWidget *, const QString &title,
                                                      const QString &text)
{
    shown.append({title, text, Icon::None, true});
    return choices.isEmpty() ? Answer::No : choices.takeFirst();
}

MessageBoxes::Answer FakeMessageBoxes::askYesNoOrClose(QWidget *parent, const QString &title,
                                                       const QString &text, Icon icon,
                                                       Answer defaultAnswer)
{
    if (putOff.isEmpty())
        return askYesNo(parent, title, text, icon, defaultAnswer) ? Answer::Yes : Answer::No;
    shown.append({title, text, icon, true, defaultAnswer});
    return putOff.takeFirst();
}

} // namespace zol::test
