#include "commandexchange.h"

#include "replies.h"
#include "serialport.h"

using namespace Qt::StringLiterals;

namespace zol {

namespace {
constexpr int kTimeoutInterval = 5000;
constexpr int kMeterBaud = 9600;
} // namespace

CommandExchange::CommandExchange(SerialPort &port, QObject *parent) : QObject(parent), m_port(port)
{
    tmrTimeout.setObjectName(u"tmrTimeout"_s);
    tmrTimeout.setInterval(kTimeoutInterval);
    tmrTimeout.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, and the meter is promised its
    // whole five seconds.
    tmrTimeout.setTimerType(Qt::PreciseTimer);
    connect(&tmrTimeout, &QTimer::timeout, this, &CommandExchange::timedOut);
    connect(&m_port, &SerialPort::comm, this, &CommandExchange::bytesWaiting);
    connect(&m_port, &SerialPort::lost, this, [this](const QString &reason) {
        if (m_port.isOpen())
            emit lineLost(reason);
    });
}

bool CommandExchange::open(int port, QString *reason, QString *device)
{
    if (!openMeterLine(m_port, port, kMeterBaud, reason, device))
        return false;
    // Nothing that is there before the command goes out can be its reply.
    m_port.readAll();
    return true;
}

bool CommandExchange::isOpen() const
{
    return m_port.isOpen();
}

bool CommandExchange::send(const QByteArray &frame, QString *reason)
{
    CommandFrame = frame;
    ReceiveBuffer.clear();
    if (!m_port.write(CommandFrame, reason))
        return false;
    tmrTimeout.start();
    return true;
}

std::optional<QByteArray> CommandExchange::takeReply()
{
    // Only an exchange under way has a reply to take; what an ended one
    // left behind is cleared by the next command.
    if (!m_port.isOpen())
        return std::nullopt;
    if (m_port.inBufferCount() > 0)
        appendReceived(ReceiveBuffer, m_port.readAll());
    return zol::takeReply(ReceiveBuffer);
}

bool CommandExchange::isLate(const QByteArray &reply) const
{
    return answersAnotherCommand(reply, CommandFrame);
}

void CommandExchange::end()
{
    tmrTimeout.stop();
    if (m_port.isOpen())
        m_port.close();
}

} // namespace zol
