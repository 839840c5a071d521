#include "startup.h"

#include "atomicfile.h"
#include "frmzolprint.h"
#include "qttranslations.h"
#include "windowplacement.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace zol {

std::optional<QString> fileToOpen(const QStringList &files)
{
    if (files.isEmpty() || files.constFirst().isEmpty())
        return std::nullopt;
    const QString &file = files.constFirst();
    if (file.startsWith(u"file:"_s, Qt::CaseInsensitive)) {
        const QUrl url(file);
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return file;
}

QString settingsFilePath(bool inUserFolder, std::optional<SettingsFolderFailure> *failure)
{
    const QString name = u"zolprint.ini"_s;
    if (!inUserFolder)
        return name;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QString reason;
    if (makeFolder(folder, &reason))
        return QDir(folder).filePath(name);
    // Beside the pages kept against a crash rather than among the user's
    // own files; without a home at all, the working folder rather than the
    // root of the disk.
    QString path = name;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data != folder && makeFolder(data))
        path = QDir(data).filePath(name);
    if (failure)
        *failure = SettingsFolderFailure{folder, reason, QFileInfo(path).absoluteFilePath()};
    return path;
}

void startReader(QApplication &app, frmZOLprint &window, const QStringList &files)
{
    window.Form_Load();
    installQtTranslations(app, window.language());

    window.adjustSize();
    centreOnScreen(window);
    window.show();

    // A terminal user is told what was left: the window opens one file.
    for (qsizetype i = 1; i < files.size(); ++i)
        qWarning().noquote() << u"Only one file is opened at a time; not opened: %1"_s.arg(
            files.at(i));
    // Named from the folder the program was started in, which is where the
    // settings file is read too; the name is fixed now, before anything
    // could change that folder.
    std::optional<QString> path = fileToOpen(files);
    if (path)
        path = QFileInfo(*path).absoluteFilePath();
    // The window is drawn first: looking for crash copies (a folder listed,
    // each copy's lock tried) and reading a file wait until it is on the
    // screen, where a question or a message about them has a window to
    // stand over. Kept pages are offered before the file is opened, so that
    // the file's question covers them.
    whenFirstShown(window, [&window, path] {
        window.offerRecovery();
        if (path)
            window.openMeasurementsFile(*path);
    });
}

} // namespace zol
