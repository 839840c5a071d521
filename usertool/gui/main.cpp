#include "fonts.h"
#include "frmmain.h"
#include "images.h"
#include "messagebox.h"
#include "qtserialport.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    zol::FontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"ZOL user name"_s);
    QApplication::setApplicationVersion(u"%1.%2.%3"_s.arg(ZOLUSERNAME_VERSION_MAJOR)
                                            .arg(ZOLUSERNAME_VERSION_MINOR)
                                            .arg(ZOLUSERNAME_VERSION_PATCH));
    QApplication::setWindowIcon(zol::pngIcon(u":/zol/zol.png"_s));
    zol::installFontSubstitutes();
    fontConfig.wait();

    zol::QtSerialPort serialPort;
    zol::QtMessageBoxes messageBoxes;
    zol::frmMain window(zol::UserToolServices{serialPort, messageBoxes});
    window.Form_Load();
    window.show();
    return app.exec();
}
