#include "link/trend_data.h"

#include <algorithm>
#include <cmath>

namespace meterlink {

QList<Bucket> trendBuckets(const QList<Sample> &samples, qint64 bucketMs)
{
    QList<Bucket> out;
    qint64 current = -1;
    bool pendingBreak = false;
    qint64 lastMs = 0;
    for (const Sample &s : samples) {
        if (s.gap) {
            pendingBreak = true;
            continue;
        }
        // Frames more than 2.5 s apart are a silence too, marked or not.
        if (lastMs && s.ms - lastMs > 2500)
            pendingBreak = true;
        lastMs = s.ms;
        const qint64 key = s.ms / bucketMs;
        if (key != current || pendingBreak) {
            Bucket b;
            b.ms = key * bucketMs + bucketMs / 2;
            b.breakBefore = pendingBreak;
            for (size_t i = 0; i < 4; ++i)
                b.value[i] = s.tenths[i] / 10.0;
            out.append(b);
            current = key;
            pendingBreak = false;
        }
        Bucket &b = out.last();
        for (size_t i = 0; i < 4; ++i)
            b.value[i] = std::max(b.value[i], s.tenths[i] / 10.0);
        for (size_t f = 0; f < 2; ++f)
            b.alarm[f] = std::max(b.alarm[f], int(s.alarms[f]));
    }
    return out;
}

AxisScale valueScale(double highest)
{
    const double want = std::max(10.0, highest * 1.1);
    // The smallest round step that needs at most 9 steps (10 labels) up to the top.
    const double raw = want / 9;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * power;
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) {
            step = m * power;
            break;
        }
    // A step at most 2.5 times the raw one leaves at least 9 / 2.5 steps: 5 labels.
    const double top = std::ceil(want / step - 1e-9) * step;
    return {top, step};
}

QList<Period> alarmPeriods(const QList<Bucket> &buckets, qint64 bucketMs, int figure, int level,
                           qint64 bridgeMs)
{
    QList<Period> out;
    const qint64 half = bucketMs / 2;
    bool linkBroke = false; // since the last period's end
    for (const Bucket &b : buckets) {
        linkBroke = linkBroke || b.breakBefore;
        if (b.alarm[size_t(figure)] < level)
            continue;
        const Period p{b.ms - half, b.ms + half};
        if (!out.isEmpty() && !linkBroke && p.startMs - out.last().endMs <= bridgeMs)
            out.last().endMs = p.endMs;
        else
            out.append(p);
        linkBroke = false;
    }
    return out;
}

} // namespace meterlink
