// Keeps the system from sleeping while file output runs (a laptop that sleeps stops
// logging, and a USB serial adapter's port dies with it); the display may still sleep.
// Windows: SetThreadExecutionState. Linux: a logind sleep lock held by systemd-inhibit,
// where the system has one.
#pragma once

#include <QString>
#include <memory>

class QProcess;

namespace platform {

class SleepInhibitor
{
public:
    virtual ~SleepInhibitor() = default;
    // False and *why when the system offers no way (nothing is held then).
    virtual bool acquire(QString *why) = 0;
    virtual void release() = 0;
};

class SystemSleepInhibitor : public SleepInhibitor
{
public:
    SystemSleepInhibitor();
    ~SystemSleepInhibitor() override;
    bool acquire(QString *why) override;
    void release() override;

private:
    std::unique_ptr<QProcess> m_lock; // Linux: the systemd-inhibit that holds the lock
    bool m_held = false;
};

} // namespace platform
