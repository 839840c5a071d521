// The floor for a transfer: the least a Qt Widgets program does to read a
// paced dump off a serial port as it comes and end it after ten seconds of
// silence, with its window on screen. What ZOLprint costs above this is its
// own; what this costs is the event loop's and the system's, per wake-up.
#include "watchdog.h"

#include <QApplication>
#include <QSerialPort>
#include <QWidget>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: barereader DEVICE\n");
        return 2;
    }
    QWidget window;
    window.resize(640, 480);
    window.show();

    QSerialPort port(QString::fromLocal8Bit(argv[1]));
    port.setBaudRate(2400);
    // The programs' own watchdog: a restart per byte only moves a deadline,
    // where restarting a timer per byte would make the floor dearer than it
    // need be.
    QByteArray received;
    zol::Watchdog silence;
    silence.setInterval(10000);
    QObject::connect(&silence, &zol::Watchdog::timeout, &port, &QSerialPort::close);
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        received += port.readAll();
        silence.restart();
    });
    if (!port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "barereader: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    silence.start();
    return QApplication::exec();
}
