#include "frmmain.h"
#include "messagebox.h"
#include "programstart.h"
#include "qtserialport.h"

#include <QApplication>
#include <QCommandLineParser>

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
                       "its user name."_s};
    return zol::runProgram(argc, argv, identity, parser, [](QApplication &app) {
        zol::QtSerialPort serialPort;
        zol::QtMessageBoxes messageBoxes;
        zol::frmMain window(zol::UserToolServices{serialPort, messageBoxes});
        window.Form_Load();
        window.show();
        return app.exec();
    });
}
