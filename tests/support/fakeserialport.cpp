#include "fakeserialport.h"

#include "comports.h"
#include "linesettings.h"

using namespace Qt::StringLiterals;

namespace zol::test {

void FakeSerialPort::setCommPort(int port)
{
    m_commPort = port;
    calls << u"port %1"_s.arg(port);
}

void FakeSerialPort::setHandshaking(Handshaking mode)
{
    handshaking = mode;
    calls << u"handshaking %1"_s.arg(static_cast<int>(mode));
}

void FakeSerialPort::setRThreshold(int value)
{
    threshold = value;
    calls << u"threshold %1"_s.arg(value);
}

void FakeSerialPort::setLineSettings(const LineSettings &settings)
{
    m_settings = settings;
    calls << u"settings "_s + formatLineSettings(settings);
}

QString FakeSerialPort::line() const
{
    return u"COM%1 %2 handshaking %3 threshold %4 dtr %5 rts %6"_s.arg(m_commPort)
        .arg(formatLineSettings(m_settings))
        .arg(static_cast<int>(handshaking))
        .arg(threshold)
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
    if (threshold > 0)
        emit comm();
}

} // namespace zol::test
