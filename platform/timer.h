// A periodic timer with an interval in milliseconds and an enabled flag.
#pragma once

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

signals:
    void timeout();
};

class QtTimer : public Timer
{
    Q_OBJECT
public:
    explicit QtTimer(QObject *parent = nullptr);
    void setInterval(int ms) override;
    int interval() const override { return m_timer.interval(); }
    void setEnabled(bool on) override;
    bool isEnabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

} // namespace platform
