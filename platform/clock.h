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

// A local time in ISO 8601 with its offset from UTC ("2026-12-08T13:05:00+09:00"), as
// the logger's lines and the published state carry it.
inline QString isoStamp(const QDateTime &localTime)
{
    // The offset always written out ("+09:00", "+00:00"); Qt would write UTC as "Z".
    const int offset = localTime.offsetFromUtc() / 60;
    const int a = offset < 0 ? -offset : offset;
    return localTime.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(a / 60, 2, 10, QLatin1Char('0'))
               .arg(a % 60, 2, 10, QLatin1Char('0'));
}

} // namespace platform
