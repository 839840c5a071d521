// The floor for a transfer: the least a Qt Widgets program does to read a
// paced dump off a serial port as it comes and end it after ten seconds of
// silence, with its window on screen. What ZOLprint costs above this is its
// own; what this costs is the event loop's and the system's, per wake-up.
#include <QApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
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
    // Each byte only notes the time: restarting a timer per byte would make
    // the floor dearer than it need be.
    constexpr qint64 kSilenceMs = 10000;
    QByteArray received;
    QElapsedTimer sinceLast;
    sinceLast.start();
    QTimer silence;
    silence.setSingleShot(true);
    silence.setTimerType(Qt::PreciseTimer);
    QObject::connect(&silence, &QTimer::timeout, [&] {
        const qint64 left = kSilenceMs - sinceLast.elapsed();
        if (left > 0)
            silence.start(static_cast<int>(left));
        else
            port.close();
    });
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        received += port.readAll();
        sinceLast.start();
    });
    if (!port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "barereader: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    silence.start(static_cast<int>(kSilenceMs));
    return QApplication::exec();
}
