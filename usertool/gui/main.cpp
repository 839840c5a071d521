#include "frmmain.h"
#include "keyvaluestore.h"
#include "messagebox.h"
#include "portlister.h"
#include "portnumbering.h"
#include "programstart.h"
#include "qtserialport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSettings>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    const zol::ProgramIdentity identity{
        .name = u"ZOL user name"_s,
        .version = u"%1.%2.%3"_s.arg(ZOLUSERNAME_VERSION_MAJOR)
                       .arg(ZOLUSERNAME_VERSION_MINOR)
                       .arg(ZOLUSERNAME_VERSION_PATCH),
        .description = u"Reads the version record of a ZOL6 moisture meter and programs "
                       "its user name."_s,
        .takesArguments = false};
    return zol::runProgram(argc, argv, identity, parser, [](QApplication &app) {
        // ZOLprint's own store of the numbers given to adapters: an adapter
        // has the same number in both programs.
        QSettings userSettings(QSettings::UserScope, u"ZOL"_s, u"ZOLprint"_s);
        zol::SettingsStore portStore(userSettings, u"ComPorts"_s);
        zol::PortNumbering portNumbering(portStore);
        zol::SystemPortLister portLister;

        zol::QtSerialPort serialPort;
        serialPort.setRememberedDevice(
            [&portNumbering](int port) { return portNumbering.rememberedDevice(port); });
        zol::QtMessageBoxes messageBoxes;
        zol::frmMain window(zol::UserToolServices{.serialPort = serialPort,
                                                  .messageBoxes = messageBoxes,
                                                  .portLister = portLister,
                                                  .portNumbering = portNumbering});
        window.Form_Load();
        window.show();
        return app.exec();
    });
}
