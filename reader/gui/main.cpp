#include "frmzolprint.h"
#include "messagebox.h"
#include "programstart.h"
#include "qtserialport.h"
#include "startup.h"
#include "systemservices.h"
#include "terminationsignal.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    const QCommandLineOption userSettings(
        u"user-settings"_s,
        u"Read and write zolprint.ini in the user's own settings folder rather than the "
        "working folder. The desktop's entries start the program this way."_s);
    parser.addOption(userSettings);
    parser.addPositionalArgument(u"file"_s, u"A measurements file to open."_s, u"[file]"_s);

    const zol::ProgramIdentity identity{
        .name = u"ZOL Print"_s,
        .version = u"%1.%2.%3"_s.arg(ZOLPRINT_VERSION_MAJOR)
                       .arg(ZOLPRINT_VERSION_MINOR)
                       .arg(ZOLPRINT_VERSION_PATCH),
        .description =
            u"Reads, saves and prints the measurements stored in a ZOL moisture meter."_s};
    return zol::runProgram(argc, argv, identity, parser, [&](QApplication &app) {
        // Taken over before anything could be lost to them; handed to the
        // window once it is there.
        zol::TerminationSignal termination;
        QSettings userStore(QSettings::UserScope, u"ZOL"_s, u"ZOLprint"_s);
        zol::SystemServices system(userStore);
        zol::QtSerialPort serialPort;
        serialPort.setRememberedDevice(
            [&system](int port) { return system.portNumbering().rememberedDevice(port); });
        zol::QtMessageBoxes messageBoxes;
        std::optional<zol::SettingsFolderFailure> settingsFolderFailure;
        zol::ReaderServices services = system.forWindow(
            serialPort, messageBoxes,
            zol::settingsFilePath(parser.isSet(userSettings), &settingsFolderFailure));
        services.recoveryFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        services.settingsFolderFailure = settingsFolderFailure;
        zol::frmZOLprint window(services);
        QObject::connect(&window, &zol::frmZOLprint::programEnded, &app, [] {
            QApplication::closeAllWindows();
            QApplication::quit();
        });

        // A logout, a shutdown or kill ends the program as Exit does, but
        // without a question nobody is there to answer.
        QObject::connect(&termination, &zol::TerminationSignal::received, &window,
                         &zol::frmZOLprint::endProgram);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager &) { window.endProgram(); });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &window,
                         &zol::frmZOLprint::endProgram);

        zol::startReader(app, window, parser.positionalArguments());
        // Ended while the start's own questions were open: the event loop
        // has nothing left to wait for.
        if (window.isUnloaded())
            return 0;
        return QApplication::exec();
    });
}
