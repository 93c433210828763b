#include "platform/timer.h"

#include <utility>

namespace platform {

QtTimer::QtTimer(QObject *parent) : Timer(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &QtTimer::fire);
}

void QtTimer::setInterval(int ms)
{
    m_interval = ms;
    if (m_timer.isActive() && !m_soon)
        m_timer.start(ms);
}

void QtTimer::setEnabled(bool on)
{
    m_soon = m_moved = false;
    if (on) {
        m_since.start();
        m_timer.start(m_interval);
    } else {
        m_timer.stop();
    }
}

void QtTimer::workArrived()
{
    if (!m_timer.isActive() || m_soon)
        return;
    const qint64 since = sinceLastTickMs();
    if (since >= m_interval - m_interval / 20) {
        // From the event loop, after what brought the work has finished.
        m_soon = true;
        m_timer.start(0);
    } else if (since <= m_interval / 5 && !m_moved) {
        // Work just after a tick (a meter in step with the heartbeat, a moment behind
        // it): the next tick moves to just after the next work, once an interval.
        m_moved = true;
        m_timer.start(m_interval + m_interval / 20);
    }
}

void QtTimer::fire()
{
    m_since.start();
    m_moved = false;
    // After a tick that came with work the next work is awaited a little longer than
    // the interval, so that a meter a little slower than the heartbeat keeps one wake-up.
    const int next = std::exchange(m_soon, false) ? m_interval + m_interval / 5 : m_interval;
    if (m_timer.interval() != next)
        m_timer.start(next);
    emit timeout();
}

} // namespace platform
