#include "fakeserialport.h"

#include "comports.h"

using namespace Qt::StringLiterals;

namespace zol::test {

void FakeSerialPort::setCommPort(int port)
{
    m_commPort = port;
    calls << u"port %1"_s.arg(port);
}

void FakeSerialPort::setBaudRate(int baud)
{
    m_baud = baud;
    calls << u"baud %1"_s.arg(baud);
}

QString FakeSerialPort::line() const
{
    return u"COM%1 %2,n,8,1 handshaking 0 threshold 1 dtr %3 rts %4"_s.arg(m_commPort)
        .arg(m_baud)
        .arg(dtr ? 1 : 0)
        .arg(rts ? 1 : 0);
}

QString FakeSerialPort::deviceName() const
{
    return comPortDeviceName(m_commPort);
}

void FakeSerialPort::setDtrEnable(bool on)
{
    dtr = on;
    calls << u"dtr %1"_s.arg(on ? 1 : 0);
}

void FakeSerialPort::setRtsEnable(bool on)
{
    rts = on;
    calls << u"rts %1"_s.arg(on ? 1 : 0);
}

bool FakeSerialPort::open(QString *reason)
{
    calls << u"open"_s;
    if (!failOpenWith.isEmpty()) {
        if (reason)
            *reason = failOpenWith;
        return false;
    }
    m_open = true;
    ++opens;
    return true;
}

void FakeSerialPort::close()
{
    calls << u"close"_s;
    m_open = false;
    m_incoming.clear();
}

int FakeSerialPort::inBufferCount() const
{
    return m_open ? static_cast<int>(m_incoming.size()) : 0;
}

QByteArray FakeSerialPort::readAll()
{
    if (!m_open)
        return {};
    QByteArray bytes = m_incoming.left(kMaxRead);
    m_incoming.remove(0, bytes.size());
    return bytes;
}

bool FakeSerialPort::write(const QByteArray &bytes, QString *reason)
{
    if (!m_open || !failWriteWith.isEmpty()) {
        if (reason)
            *reason = m_open ? failWriteWith : u"not open"_s;
        return false;
    }
    written.append(bytes);
    return true;
}

void FakeSerialPort::receive(const QByteArray &bytes)
{
    if (!m_open)
        return;
    m_incoming += bytes;
    emit comm();
}

} // namespace zol::test
