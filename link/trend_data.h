// What the trend draws, computed without widgets: the history cut into time buckets
// (the highest of each reading, the highest alarm level of each figure), a value axis of
// round steps, and the periods of each figure's alarm.
#pragma once

#include "link/reading_history.h"

#include <QList>
#include <array>

namespace meterlink {

struct Bucket {
    qint64 ms = 0; // the bucket's middle
    std::array<double, 4> value{};
    std::array<int, 2> alarm{}; // instantaneous, average
    bool breakBefore = false;   // no link between the previous bucket and this one
};

// One bucket per bucketMs that held frames; a link-down mark or frames more than 2.5 s
// apart break the line before the next bucket.
QList<Bucket> trendBuckets(const QList<Sample> &samples, qint64 bucketMs);

// A value axis from 0: its top and step, a round step (1, 2 or 5 times a power of ten)
// that gives 5 to 10 labels for any highest value, with some room above it.
struct AxisScale {
    double top;
    double step;
    int ticks() const { return int(top / step + 0.5) + 1; }
};
AxisScale valueScale(double highest);

// A period of alarm: [startMs, endMs).
struct Period {
    qint64 startMs;
    qint64 endMs;
};

// The periods in which figure (0 instantaneous, 1 average) was at level or above. A drop
// shorter than bridgeMs does not split a period; a break in the link always ends one.
constexpr qint64 kBandBridgeMs = 5000;
QList<Period> alarmPeriods(const QList<Bucket> &buckets, qint64 bucketMs, int figure, int level,
                           qint64 bridgeMs = kBandBridgeMs);

} // namespace meterlink
