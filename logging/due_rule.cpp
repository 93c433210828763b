#include "logging/due_rule.h"

namespace logging {

bool DueRule::onTick(const QTime &now, int interval)
{
    const QTime t(now.hour(), now.minute(), now.second());
    if (t == mLastSecond)
        return false;
    mLastSecond = t;

    const int n = interval < 1 ? 1 : interval;
    bool due = n == 1;
    if (!due) {
        const int m = t.minute();
        const int s = t.second();
        if (mDueCount < INT16_MAX)
            ++mDueCount;
        const int c = mDueCount;
        if (n % 60 == 0 && 60 % (n / 60) == 0)
            due = m % (n / 60) == 0 && s == 0;
        else if (n % 60 == 0)
            due = s == 0 && c + 1 >= n;
        else if (n % 30 == 0)
            due = s % 30 == 0 && c + 1 >= n;
        else if (n % 10 == 0)
            due = s % 10 == 0 && c + 1 >= n;
        else if (60 % n == 0) // 2, 3, 4, 5, 6, 12, 15: on the clock like the tens
            due = s % n == 0 && c + 1 >= n;
        else // exactly n handled seconds apart
            due = c >= n;
    }
    if (due)
        mDueCount = 0;
    return due;
}

} // namespace logging
