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
#include "qttranslations.h"
#include "registry.h"

#include <QApplication>
#include <QScreen>
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
    zol::SystemPortLister portLister;

    zol::QtSerialPort serialPort;
    serialPort.setRememberedDevice(
        [&portNumbering](int port) { return portNumbering.rememberedDevice(port); });
    zol::QtMessageBoxes messageBoxes;
    zol::QtFileDialog fileDialog;
    zol::QtPagePrinter printer;
    zol::SystemRegistry registry;
    zol::QtProgramLauncher launcher;
    zol::frmZOLprint window(
        zol::ReaderServices{serialPort, messageBoxes, &fileDialog, &printer, &registry, &launcher,
                            u"zolprint.ini"_s, &portLister, &portNumbering,
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)});
    QObject::connect(&window, &zol::frmZOLprint::programEnded, &app, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });

    window.Form_Load();
    zol::installQtTranslations(app, window.state().iLanguage);

    window.adjustSize();
    if (const QScreen *screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
    window.show();
    window.offerRecovery();
    return QApplication::exec();
}
