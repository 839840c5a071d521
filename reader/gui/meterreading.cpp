#include "meterreading.h"

#include "serialport.h"

using namespace Qt::StringLiterals;

namespace zol {

namespace {
constexpr int kReadbufInterval = 1;
constexpr int kControleInterval = 10000;
constexpr int kMeterBaud = 2400;
} // namespace

MeterReading::MeterReading(SerialPort &port, QObject *parent) : QObject(parent), m_port(port)
{
    tmrReadbuf.setObjectName(u"tmrReadbuf"_s);
    tmrReadbuf.setSingleShot(true);
    tmrReadbuf.setInterval(kReadbufInterval);
    tmrControle.setObjectName(u"tmrControle"_s);
    tmrControle.setInterval(kControleInterval);
    connect(&tmrReadbuf, &QTimer::timeout, this, &MeterReading::bytesWaiting);
    connect(&m_port, &SerialPort::comm, this, &MeterReading::bytesWaiting);
    connect(&tmrControle, &Watchdog::timeout, this, &MeterReading::silence);
    connect(&m_port, &SerialPort::lost, this, &MeterReading::lost);
}

bool MeterReading::start(int port, QString *reason, QString *device)
{
    if (!openMeterLine(m_port, port, kMeterBaud, reason, device))
        return false;
    m_received = false;
    m_lost.reset();
    tmrReadbuf.start();
    tmrControle.start();
    return true;
}

bool MeterReading::isRunning() const
{
    return m_port.isOpen();
}

std::optional<QByteArray> MeterReading::take()
{
    if (!m_port.isOpen() || m_port.inBufferCount() <= 0)
        return std::nullopt;
    tmrControle.restart();
    QByteArray chunk = m_port.readAll();
    m_received = true;
    // One read hands over at most kMaxRead bytes; the rest is the next
    // tick's, a millisecond on, as when the tick polled.
    if (m_port.inBufferCount() > 0)
        tmrReadbuf.start();
    return chunk;
}

void MeterReading::stop()
{
    m_port.close();
    tmrReadbuf.stop();
    // Between readings the page on show is the page stored, so a watchdog
    // tick would show what is there; it rests until the next reading.
    tmrControle.stop();
}

void MeterReading::halt()
{
    // Bytes still arriving behind a box would restart the watchdog, which
    // would end the reading and stack its own messages over the box.
    tmrReadbuf.stop();
    tmrControle.stop();
    disconnect(&m_port, nullptr, this, nullptr);
    m_port.close();
}

void MeterReading::lost(const QString &reason)
{
    // The reading goes on to its end by silence, as with a meter that just
    // stopped; only the first loss of a reading has anything to tell.
    if (m_port.isOpen() && !m_lost)
        m_lost = reason;
}

} // namespace zol
