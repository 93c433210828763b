// The local clock.
#pragma once

#include <QDateTime>

namespace platform {

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Seconds since the epoch: a cheap read that tells when a new second has begun,
    // without the time-zone work of now().
    virtual qint64 epochSeconds() const { return now().toSecsSinceEpoch(); }
    virtual qint64 epochMilliseconds() const { return now().toMSecsSinceEpoch(); }
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    qint64 epochSeconds() const override { return QDateTime::currentSecsSinceEpoch(); }
    qint64 epochMilliseconds() const override { return QDateTime::currentMSecsSinceEpoch(); }
};

} // namespace platform
