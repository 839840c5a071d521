#pragma once

#include "watchdog.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>
#include <utility>

namespace zol {

class SerialPort;

// One reading of the meter's memory over the serial line: the port opened
// for it, the kick that takes each chunk off the line, the ten seconds of
// silence that end it, and what the transfer saw (whether any byte came, why
// the line was lost). The pages the bytes make are the document's.
class MeterReading : public QObject
{
    Q_OBJECT

public:
    explicit MeterReading(SerialPort &port, QObject *parent = nullptr);

    // Opens COM port n for the meter; on failure reason says why, and
    // device which device the number stood for (empty for none).
    bool start(int port, QString *reason, QString *device);
    bool isRunning() const;
    // What waits on the line, at most one read's worth; nothing when nothing
    // does. Each chunk puts the silence off by another ten seconds.
    std::optional<QByteArray> take();
    // Closes the port and rests the timers until the next reading.
    void stop();
    // As stop(), and the port tells this reading nothing any more: the
    // program is ending.
    void halt();

    bool dataArrived() const { return m_received; }
    bool lineLost() const { return m_lost.has_value(); }
    // Why the line was lost, once: it is told after the transfer has ended.
    std::optional<QString> takeLoss() { return std::exchange(m_lost, std::nullopt); }

signals:
    // Bytes wait on the line: the window's tmrReadbuf_Timer takes them.
    void bytesWaiting();
    // Ten seconds without a byte: the window's tmrControle_Timer ends the
    // reading.
    void silence();

private:
    void lost(const QString &reason);

    SerialPort &m_port;
    bool m_received = false;
    std::optional<QString> m_lost;
    // No longer a poll: the port's own notification kicks the reading. The
    // timer gives a first look right after the open and takes what one
    // read left behind.
    QTimer tmrReadbuf{this};
    // The silence watchdog, restarted by every chunk; it fires on the
    // millisecond, so that the silence that ends a transfer is ten seconds.
    Watchdog tmrControle{this};
};

} // namespace zol
