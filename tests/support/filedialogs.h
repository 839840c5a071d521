#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QFileDialog;

namespace zol::test {

// Runs steps on the real modal file dialog once it is open, then makes sure
// it closes, so that a failed step fails the test instead of hanging it.
// Called before the code under test opens the dialog.
void whenFileDialogOpens(const std::function<void(QFileDialog &)> &steps);

// Types name into the dialog's name box and accepts it, as the user does;
// in folder first when one is given.
void acceptTyped(QFileDialog &box, const QString &name, const QString &folder = {});

// The names the dialog's list shows for its folder, sorted, once it shows
// expected of them (or after a bound, what it shows then).
QStringList listedNames(QFileDialog &box, qsizetype expected);

// Picks a file in the dialog's list with the mouse, as the user does.
void clickListed(QFileDialog &box, const QString &name);

} // namespace zol::test
