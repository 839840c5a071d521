#include "filedialog.h"
#include "fonts.h"
#include "frmzolprint.h"
#include "images.h"
#include "keyvaluestore.h"
#include "messagebox.h"
#include "pageprinter.h"
#include "portlister.h"
#include "portnumbering.h"
#include "programlauncher.h"
#include "qtserialport.h"
#include "registry.h"
#include "startup.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    zol::FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"ZOL Print"_s);
    QApplication::setApplicationVersion(u"%1.%2.%3"_s.arg(ZOLPRINT_VERSION_MAJOR)
                                            .arg(ZOLPRINT_VERSION_MINOR)
                                            .arg(ZOLPRINT_VERSION_PATCH));
    QApplication::setWindowIcon(zol::pngIcon(u":/zol/zol.png"_s));
    zol::installFontSubstitutes();
    fontConfig.wait();

    // The COM numbers given to adapters live in the user's own settings:
    // zolprint.ini stays the two lines that every copy of the program reads.
    QSettings userSettings(QSettings::UserScope, u"ZOL"_s, u"ZOLprint"_s);
    zol::SettingsStore portStore(userSettings, u"ComPorts"_s);
    zol::PortNumbering portNumbering(portStore);
    // So are the files last opened or saved.
    zol::SettingsStore recentStore(userSettings, u"RecentFiles"_s);
    zol::SystemPortLister portLister;

    zol::QtSerialPort serialPort;
    serialPort.setRememberedDevice(
        [&portNumbering](int port) { return portNumbering.rememberedDevice(port); });
    zol::QtMessageBoxes messageBoxes;
    zol::QtFileDialog fileDialog;
    zol::QtPagePrinter printer;
    zol::SystemRegistry registry;
    zol::QtProgramLauncher launcher;
    zol::frmZOLprint window(zol::ReaderServices{
        .serialPort = serialPort,
        .messageBoxes = messageBoxes,
        .fileDialog = &fileDialog,
        .printer = &printer,
        .registry = &registry,
        .launcher = &launcher,
        .settingsPath = u"zolprint.ini"_s,
        .portLister = &portLister,
        .portNumbering = &portNumbering,
        .recentFiles = &recentStore,
        .recoveryFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)});
    QObject::connect(&window, &zol::frmZOLprint::programEnded, &app, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });

    zol::startReader(app, window, QApplication::arguments());
    return QApplication::exec();
}
