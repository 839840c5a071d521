#include "startup.h"

#include "frmzolprint.h"
#include "qttranslations.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace zol {

std::optional<QString> fileFromArguments(const QStringList &arguments)
{
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (options && argument == u"--"_s) {
            options = false;
            continue;
        }
        if (argument.isEmpty() || (options && argument.startsWith(u'-')))
            continue;
        if (argument.startsWith(u"file:"_s, Qt::CaseInsensitive)) {
            const QUrl url(argument);
            if (url.isLocalFile())
                return url.toLocalFile();
        }
        return argument;
    }
    return std::nullopt;
}

void startReader(QApplication &app, frmZOLprint &window, const QStringList &arguments)
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

    if (const std::optional<QString> file = fileFromArguments(arguments)) {
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
