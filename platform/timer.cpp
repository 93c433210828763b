#include "platform/timer.h"

namespace platform {

QtTimer::QtTimer(QObject *parent) : Timer(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void QtTimer::setInterval(int ms)
{
    m_timer.setInterval(ms);
}

void QtTimer::setEnabled(bool on)
{
    if (on)
        m_timer.start();
    else
        m_timer.stop();
}

} // namespace platform
