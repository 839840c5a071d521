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
    int commPort() const override { return m_commPort; }
    void setHandshaking(Handshaking mode) override;
    void setRThreshold(int threshold) override;
    void setLineSettings(const LineSettings &settings) override;
    LineSettings lineSettings() const override { return m_settings; }
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
    // "COM1 2400,n,8,1 handshaking 0 threshold 1 dtr 1 rts 0".
    QString line() const;

    // Bytes from the far end; emits comm() when notification is on.
    void receive(const QByteArray &bytes);

    // Every configuration call, for example "port 1", "settings 2400,n,8,1",
    // "open", "close".
    QStringList calls;
    QList<QByteArray> written;
    QString failOpenWith;  // non-empty: open() fails with this reason
    QString failWriteWith; // non-empty: write() fails with this reason
    int opens = 0;
    Handshaking handshaking = Handshaking::RtsCts;
    int threshold = 0;
    bool dtr = false;
    bool rts = false;

private:
    int m_commPort = 1;
    LineSettings m_settings;
    bool m_open = false;
    QByteArray m_incoming;
};

} // namespace zol::test
