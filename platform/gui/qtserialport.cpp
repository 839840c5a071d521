#include "qtserialport.h"

#include "comports.h"

#include <QCoreApplication>
#include <QTimer>

#include <limits>

#ifdef Q_OS_UNIX
#include <QFileInfo>

#include <poll.h>
#endif

using namespace Qt::StringLiterals;

namespace zol {

namespace {

// Why the port would not open, in words the program can put into the
// user's language; the system's own text follows only where the kind alone
// does not say it (a refusal may be a lock held by another program or the
// device's permissions, and only the system knows which).
QString openFailure(QSerialPort::SerialPortError error, const QString &system)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QCoreApplication::translate("zol::QtSerialPort", "the device does not exist");
    case QSerialPort::PermissionError:
        return QCoreApplication::translate(
                   "zol::QtSerialPort",
                   "the port is in use by another program, or access to it is denied") +
               u" ("_s + system + u")"_s;
    case QSerialPort::OpenError:
        return QCoreApplication::translate("zol::QtSerialPort", "the port is already open");
    case QSerialPort::UnsupportedOperationError:
        return QCoreApplication::translate("zol::QtSerialPort",
                                           "the device does not support these line settings");
    default:
        break;
    }
    const QString reason =
        QCoreApplication::translate("zol::QtSerialPort", "the system refused to open the port");
    return system.isEmpty() ? reason : reason + u" ("_s + system + u")"_s;
}

} // namespace

QtSerialPort::QtSerialPort(QObject *parent) : SerialPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    // Queued: the port must not be closed from inside its own notification.
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError,
            Qt::QueuedConnection);
}

QtSerialPort::~QtSerialPort()
{
    m_port.close();
}

void QtSerialPort::setDtrEnable(bool on)
{
    m_dtr = on;
    // A pseudo-terminal has no modem lines; failing to set them is harmless.
    if (m_port.isOpen() && !m_port.setDataTerminalReady(on))
        m_port.clearError();
}

void QtSerialPort::setRtsEnable(bool on)
{
    m_rts = on;
    if (m_port.isOpen() && !m_port.setRequestToSend(on))
        m_port.clearError();
}

bool QtSerialPort::open(QString *reason)
{
    if (m_open)
        return true;
    const QString device =
        comPortDeviceName(m_commPort, m_remembered ? m_remembered(m_commPort) : QString());
    m_device = device;
    if (device.isEmpty()) {
        if (reason)
            *reason = QCoreApplication::translate("zol::QtSerialPort", "not a valid port number");
        return false;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(m_baud);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        if (reason)
            *reason = openFailure(m_port.error(), m_port.errorString());
        m_port.clearError();
        return false;
    }
    // Whatever reached the line while the port was closed (the tail of an
    // earlier dump, a reply that came after its time-out, noise) belongs to
    // no exchange of this open, and must not be read as the start of one.
    m_port.clear(QSerialPort::Input);
    m_open = true;
    m_lost = false;
    m_rescued.clear();
    setDtrEnable(m_dtr);
    setRtsEnable(m_rts);
    m_port.clearError();
    return true;
}

void QtSerialPort::close()
{
    m_port.close();
    m_port.clearError();
    m_open = false;
    m_lost = false;
    m_rescued.clear();
}

int QtSerialPort::inBufferCount() const
{
    const qint64 waiting = m_rescued.size() + (m_port.isOpen() ? m_port.bytesAvailable() : 0);
    return static_cast<int>(qMin<qint64>(waiting, std::numeric_limits<int>::max()));
}

QByteArray QtSerialPort::readAll()
{
    if (!m_rescued.isEmpty()) {
        QByteArray bytes = m_rescued.left(kMaxRead);
        m_rescued.remove(0, bytes.size());
        if (!m_rescued.isEmpty())
            announceRescued();
        return bytes;
    }
    if (!m_port.isOpen())
        return {};
    // Asking for no more than is waiting keeps each read from allocating a
    // buffer of kMaxRead bytes for the one or two that came.
    QByteArray bytes = m_port.read(qMin<qint64>(kMaxRead, m_port.bytesAvailable()));
    // What did not fit into this read would otherwise wait for bytes that may
    // never come; ask again once control is back in the event loop.
    if (m_port.bytesAvailable() > 0)
        QTimer::singleShot(0, this, &QtSerialPort::onReadyRead);
    return bytes;
}

bool QtSerialPort::write(const QByteArray &bytes, QString *reason)
{
    if (!m_port.isOpen()) {
        if (reason)
            *reason = QCoreApplication::translate("zol::QtSerialPort", "the port is not open");
        return false;
    }
    // Hand the bytes to the system now rather than at the next turn of the
    // event loop, so that a close right after the write does not drop them,
    // and so that a refusal is known here. A full output buffer is no
    // refusal: what is left goes out as the line takes it.
    const bool buffered = m_port.write(bytes) == bytes.size();
    m_port.flush();
    const QSerialPort::SerialPortError error = m_port.error();
    if (buffered && error != QSerialPort::WriteError && error != QSerialPort::ResourceError)
        return true;
    if (reason)
        *reason =
            QCoreApplication::translate("zol::QtSerialPort", "the port cannot be written to") +
            u" ("_s + m_port.errorString() + u")"_s;
    return false;
}

void QtSerialPort::onReadyRead()
{
    if (m_port.isOpen() && m_port.bytesAvailable() > 0)
        emit comm();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    const QString reason = lossReason();
    dropDevice();
    emit lost(reason);
}

QString QtSerialPort::lossReason() const
{
    // A hung-up line reads as end of file, which sets no error code: Qt then
    // words whatever error an earlier call left behind ("Inappropriate ioctl
    // for device"), which tells the user nothing. The line itself knows.
#ifdef Q_OS_UNIX
    pollfd line{static_cast<int>(m_port.handle()), POLLIN, 0};
    if (line.fd >= 0 && ::poll(&line, 1, 0) > 0 && (line.revents & POLLHUP))
        return QCoreApplication::translate(
            "zol::QtSerialPort", "the line was hung up: the device was unplugged or switched off");
    if (!QFileInfo::exists(m_device))
        return QCoreApplication::translate("zol::QtSerialPort", "the device is gone");
#endif
    return QCoreApplication::translate("zol::QtSerialPort", "the port stopped working") + u" ("_s +
           m_port.errorString() + u")"_s;
}

void QtSerialPort::dropDevice()
{
    // Closing stops Qt's read notifier, which would otherwise report the same
    // error in a tight loop. The program still sees the port as open until it
    // closes it, and from now on it simply receives nothing.
    m_rescued += m_port.readAll();
    m_port.close();
    m_port.clearError();
    m_lost = true;
    if (!m_rescued.isEmpty())
        announceRescued();
}

void QtSerialPort::announceRescued()
{
    QTimer::singleShot(0, this, [this] {
        if (!m_rescued.isEmpty())
            emit comm();
    });
}

} // namespace zol
