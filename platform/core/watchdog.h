#pragma once

#include <QBasicTimer>
#include <QDeadlineTimer>
#include <QObject>

namespace zol {

// A single-shot timer that is restarted far more often than it fires: the
// silence that ends a transfer, restarted by every chunk off the line.
// Restarting a QTimer takes its timer out of the event dispatcher and puts it
// back, hundreds of times a second; restart() here only moves a deadline, and
// the timer underneath, when it comes due early, waits out the rest. It
// fires on the millisecond the last restart set, as a restarted QTimer of
// Qt::PreciseTimer would.
class Watchdog : public QObject
{
    Q_OBJECT

public:
    explicit Watchdog(QObject *parent = nullptr);

    // Takes effect at the next start() or restart().
    void setInterval(int ms) { m_interval = ms; }
    int interval() const { return m_interval; }

    // Starts over from now, whether it was running or not.
    void start();
    void stop();
    // As start(), and cheap while it runs.
    void restart();

    bool isActive() const { return m_timer.isActive(); }
    // Milliseconds until it fires, or -1 when it is not running.
    int remainingTime() const;

signals:
    void timeout();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void arm(qint64 ms);

    int m_interval = 0;
    QBasicTimer m_timer;
    QDeadlineTimer m_deadline;
};

} // namespace zol
