#pragma once

#include "serialport.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zol::test {

using namespace Qt::StringLiterals;

// A serial port in memory. Tests push bytes with receive() and look at what
// the program configured and wrote.
class FakeSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    using SerialPort::SerialPort;

    void setCommPort(int port) override;
    int commPort() const { return m_commPort; }
    void setBaudRate(int baud) override;
    void setDtrEnable(bool on) override;
    void setRtsEnable(bool on) override;
    bool open(QString *reason) override;
    void close() override;
    bool isOpen() const override { return m_open; }
    QString deviceName() const override;
    int inBufferCount() const override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes, QString *reason) override;

    // The line as it stands, whatever order it was set up in, for example
    // "COM1 2400,n,8,1 handshaking 0 threshold 1 dtr 1 rts 0": the framing,
    // no handshaking and a notification at every byte are the control's
    // own, the rest is what the program set.
    QString line() const;

    // Bytes from the far end; emits comm() while the port is open.
    void receive(const QByteArray &bytes);

    // Every configuration call, for example "port 1", "baud 2400",
    // "open", "close".
    QStringList calls;
    QList<QByteArray> written;
    QString failOpenWith;  // non-empty: open() fails with this reason
    QString failWriteWith; // non-empty: write() fails with this reason
    int opens = 0;
    bool dtr = false;
    bool rts = false;

private:
    int m_commPort = 1;
    int m_baud = 9600;
    bool m_open = false;
    QByteArray m_incoming;
};

} // namespace zol::test
