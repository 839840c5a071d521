#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QApplication;

namespace zol {

class frmZOLprint;

// The measurements file that the command line names ("ZOLprint FILE", as the
// file manager starts the program for a double-clicked file): the first
// argument after the program's own name that is not an option. Options are
// ignored, "--" ends them, and a file: URL stands for its local path.
std::optional<QString> fileFromArguments(const QStringList &arguments);

// What the program does once its window is built: the settings and the
// language, Qt's own texts in that language, the window centred and shown,
// pages a crashed run left behind offered, and, once it shows, the file that
// the arguments name opened as File > Open opens it.
void startReader(QApplication &app, frmZOLprint &window, const QStringList &arguments);

} // namespace zol
