#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace zol {

class SerialPort;

// One command to the ZOL6 and the wait for its reply: the port opened for
// it, the frame sent in one write, what arrives collected until a whole
// reply stands at its head, and the five seconds the meter has for it. What
// a reply says is the window's to show.
class CommandExchange : public QObject
{
    Q_OBJECT

public:
    explicit CommandExchange(SerialPort &port, QObject *parent = nullptr);

    // Opens COM port n with the meter's line settings; on failure reason
    // says why, and device names what the number stood for.
    bool open(int port, QString *reason, QString *device);
    bool isOpen() const;
    // Sends the frame and starts the time-out; false, with the system's
    // reason, when the frame could not be handed over.
    bool send(const QByteArray &frame, QString *reason);
    // The next whole reply among what has arrived, or none yet.
    std::optional<QByteArray> takeReply();
    // True when reply is the meter's answer to an earlier command, not to
    // the one sent.
    bool isLate(const QByteArray &reply) const;
    // Stops the time-out and closes the port.
    void end();

signals:
    // Bytes wait on the line: the window's MSComm1_OnComm takes them.
    void bytesWaiting();
    // Five seconds passed without the reply: tmrTimeout_Timer.
    void timedOut();
    // The line went while the port was open: MSComm1_Lost.
    void lineLost(const QString &reason);

private:
    SerialPort &m_port;
    QByteArray CommandFrame;
    QByteArray ReceiveBuffer;
    // Started once, when the frame has gone out; the bytes of the reply do
    // not put it off, so the whole reply is due within its five seconds.
    QTimer tmrTimeout{this};
};

} // namespace zol
