#include "startup.h"

#include "frmzolprint.h"
#include "qttranslations.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
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

QString settingsFilePath(bool inUserFolder)
{
    const QString name = u"zolprint.ini"_s;
    if (!inUserFolder)
        return name;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    // Without a folder of the user's (no home), the working folder still
    // keeps the settings rather than the root of the disk.
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        qWarning().noquote() << u"The settings folder %1 cannot be made; zolprint.ini is kept "
                                "in the working folder."_s.arg(QDir::toNativeSeparators(folder));
        return name;
    }
    return QDir(folder).filePath(name);
}

void startReader(QApplication &app, frmZOLprint &window, const QStringList &files)
{
    window.Form_Load();
    installQtTranslations(app, window.state().iLanguage);

    window.adjustSize();
    if (const QScreen *screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    window.offerRecovery();

    // A terminal user is told what was left: the window opens one file.
    for (qsizetype i = 1; i < files.size(); ++i)
        qWarning().noquote() << u"Only one file is opened at a time; not opened: %1"_s.arg(
            files.at(i));
    if (const std::optional<QString> file = fileToOpen(files)) {
        // Named from the folder the program was started in, which is where
        // the settings file is read too; the name is fixed now, before
        // anything could change that folder.
        const QString path = QFileInfo(*file).absoluteFilePath();
        // Once the window is on the screen, so that a message about the file
        // has a window to stand over.
        QTimer::singleShot(0, &window, [&window, path] { window.openMeasurementsFile(path); });
    }
}

} // namespace zol
