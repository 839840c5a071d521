#include "watchdog.h"

#include <QTimerEvent>

namespace zol {

Watchdog::Watchdog(QObject *parent) : QObject(parent) {}

void Watchdog::start()
{
    m_deadline = QDeadlineTimer(m_interval, Qt::PreciseTimer);
    arm(m_interval);
}

void Watchdog::stop()
{
    m_timer.stop();
}

void Watchdog::restart()
{
    if (!m_timer.isActive()) {
        start();
        return;
    }
    m_deadline = QDeadlineTimer(m_interval, Qt::PreciseTimer);
}

int Watchdog::remainingTime() const
{
    if (!m_timer.isActive())
        return -1;
    return static_cast<int>(qMin<qint64>(m_deadline.remainingTime(), m_interval));
}

void Watchdog::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    const qint64 left = m_deadline.remainingTime();
    if (left > 0) {
        arm(left);
        return;
    }
    m_timer.stop();
    emit timeout();
}

void Watchdog::arm(qint64 ms)
{
    m_timer.start(static_cast<int>(qMax<qint64>(0, ms)), Qt::PreciseTimer, this);
}

} // namespace zol
