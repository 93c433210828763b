// A periodic timer with an interval in milliseconds and an enabled flag.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace platform {

class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
    // Work arrived (a frame): a timer may run a tick that is nearly due at once, so that
    // the work and the tick share one wake-up of the program.
    virtual void workArrived() {}

signals:
    void timeout();
};

// A heartbeat that follows the work, so that work arriving at about its rate (a meter's
// frames) and the ticks share one wake-up: a tick is brought forward to work that
// arrives in the last twentieth of an interval, and the next one then waits a fifth
// longer for the next work; work in the first fifth of an interval moves that
// interval's tick to just after the next work. Without work it ticks at its interval;
// no interval is stretched by more than a quarter.
class QtTimer : public Timer
{
    Q_OBJECT
public:
    explicit QtTimer(QObject *parent = nullptr);
    void setInterval(int ms) override;
    int interval() const override { return m_interval; }
    void setEnabled(bool on) override;
    bool isEnabled() const override { return m_timer.isActive(); }
    void workArrived() override;

protected:
    virtual qint64 sinceLastTickMs() const { return m_since.elapsed(); }

private:
    void fire();

    QTimer m_timer;
    QElapsedTimer m_since; // since the last tick
    int m_interval = 0;
    bool m_soon = false;  // a tick brought forward is on its way
    bool m_moved = false; // this interval's tick was moved after work
};

} // namespace platform
