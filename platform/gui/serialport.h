#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

namespace zol {

// The serial-port control both programs talk to (the window's MSComm1). It is
// small on purpose so that a fake can stand in for it in tests.
//
// isOpen() is the program's view: true from a successful open() until close().
// When the device disappears underneath (an adapter pulled out, the far end of
// a pseudo-terminal closed) the control stops reading, reports lost() once and
// from then on simply receives nothing, so the program ends its exchange the
// same way it ends one with a silent meter.
//
// Both meters talk alike, so the line is always eight data bits, no parity,
// one stop bit and no handshaking, and comm() tells of every byte that
// arrives while the port is open.
class SerialPort : public QObject
{
    Q_OBJECT

public:
    // One read hands over at most this many bytes, so that the length of a
    // chunk always fits the programs' 16-bit counters.
    static constexpr int kMaxRead = 32767;

    using QObject::QObject;

    // Take effect at the next open().
    virtual void setCommPort(int port) = 0;
    virtual void setBaudRate(int baud) = 0;
    virtual void setDtrEnable(bool on) = 0;
    virtual void setRtsEnable(bool on) = 0;

    // On failure returns false and, when reason is given, the system's reason.
    virtual bool open(QString *reason) = 0;
    // The device the port number stood for at the last open(), whether it
    // opened or not; empty when the number names none.
    virtual QString deviceName() const = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual int inBufferCount() const = 0;
    virtual QByteArray readAll() = 0;
    // False when the bytes could not be handed to the system; reason, when
    // given, says why.
    virtual bool write(const QByteArray &bytes, QString *reason) = 0;

signals:
    void comm();
    void lost(const QString &reason);
};

// Opens COM port number as both meters talk: at baud, DTR on and RTS off.
// On failure reason, when given, says why, and device, when given, names
// the device the number stood for (empty for none).
bool openMeterLine(SerialPort &port, int number, int baud, QString *reason,
                   QString *device = nullptr);

} // namespace zol
