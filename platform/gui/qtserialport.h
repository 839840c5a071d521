#pragma once

#include "serialport.h"

#include <QSerialPort>

#include <functional>

namespace zol {

// The real serial-port control, over QSerialPort.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject *parent = nullptr);
    ~QtSerialPort() override;

    void setCommPort(int port) override { m_commPort = port; }
    void setBaudRate(int baud) override { m_baud = baud; }
    void setDtrEnable(bool on) override;
    void setRtsEnable(bool on) override;

    bool open(QString *reason) override;
    void close() override;
    bool isOpen() const override { return m_open; }

    int inBufferCount() const override;
    QByteArray readAll() override;
    bool write(const QByteArray &bytes, QString *reason) override;

    QString deviceName() const override { return m_device; }

    // The device the program remembers for a COM number (empty for none),
    // asked at every open; ZOL_COM<n> still comes first.
    using RememberedDevice = std::function<QString(int port)>;
    void setRememberedDevice(RememberedDevice lookup) { m_remembered = std::move(lookup); }

private:
    void onReadyRead();
    void onError(QSerialPort::SerialPortError error);
    QString lossReason() const;
    void dropDevice();
    void announceRescued();

    QSerialPort m_port;
    // As resolved, in full: QSerialPort's portName() drops the /dev/ part.
    QString m_device;
    RememberedDevice m_remembered;
    int m_commPort = 1;
    int m_baud = 9600;
    bool m_dtr = false;
    bool m_rts = false;
    bool m_open = false;
    bool m_lost = false;
    // What had arrived but was not yet read when the device went away.
    QByteArray m_rescued;
};

} // namespace zol
