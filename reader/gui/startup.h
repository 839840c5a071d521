#pragma once

#include "settings.h"

#include <QString>
#include <QStringList>

#include <optional>

class QApplication;

namespace zol {

class frmZOLprint;

// The measurements file that the command line names ("ZOLprint FILE", as the
// file manager starts the program for a double-clicked file): the first of
// the arguments that are not options. A file: URL stands for its local path.
std::optional<QString> fileToOpen(const QStringList &files);

// Where zolprint.ini is read and written. By default the working folder, for
// those who start the program by hand or by a shortcut that sets the folder;
// inUserFolder, as the desktop's entries start it, a folder of the user's own
// (made when missing), so that a file opened from its folder finds the same
// settings and leaves none beside itself. When that folder cannot be made,
// failure says why and where they went instead.
QString settingsFilePath(bool inUserFolder,
                         std::optional<SettingsFolderFailure> *failure = nullptr);

// What the program does once its window is built: the settings and the
// language, Qt's own texts in that language, the window centred and shown,
// pages a crashed run left behind offered, and, once it shows, the file that
// files (the command line's arguments that are not options) names opened as
// File > Open opens it; a further file is told on the console.
void startReader(QApplication &app, frmZOLprint &window, const QStringList &files);

} // namespace zol
