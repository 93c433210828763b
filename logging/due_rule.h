// When a CSV row is due: once per new clock second, by the output interval.
#pragma once

#include <QTime>

namespace logging {

class DueRule
{
public:
    // Called on every tick with the time of day; true when this tick's second is a due
    // point. Intervals below 1 count as 1.
    bool onTick(const QTime &now, int interval);

    // The count restarts from the given second (0 to 59) of the current time.
    void resetCount(int second) { mDueCount = qint16(second); }

    QTime mLastSecond{0, 0, 0};
    qint16 mDueCount = 0;
};

} // namespace logging
