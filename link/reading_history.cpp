#include "link/reading_history.h"

#include <QString>
#include <algorithm>

namespace meterlink {

ReadingHistory::ReadingHistory(qint64 maxAgeMs, qsizetype capacity)
    : m_ring(size_t(qMax<qsizetype>(1, capacity))), m_maxAgeMs(maxAgeMs),
      m_slotMs(qMax<qint64>(1, (maxAgeMs + capacity - 1) / qMax<qsizetype>(1, capacity)))
{}

void ReadingHistory::append(qint64 ms, const std::array<int, 4> &tenths,
                            std::array<qint8, 2> alarms)
{
    Sample s;
    s.ms = ms;
    for (size_t i = 0; i < 4; ++i)
        s.tenths[i] = qint16(qBound(-32768, tenths[i], 32767));
    s.alarms = alarms;
    // Frames faster than the ring can hold for its hour share a slot, which keeps their
    // highest: a gust survives any frame rate.
    if (m_size > 0) {
        Sample &last = m_ring[size_t((m_head + m_size - 1) % capacity())];
        if (!last.gap && last.ms / m_slotMs == ms / m_slotMs) {
            for (size_t i = 0; i < 4; ++i)
                last.tenths[i] = std::max(last.tenths[i], s.tenths[i]);
            for (size_t i = 0; i < 2; ++i)
                last.alarms[i] = std::max(last.alarms[i], s.alarms[i]);
            return;
        }
    }
    push(s);
}

void ReadingHistory::appendGap(qint64 ms)
{
    // One gap marks the break; more in a row say nothing new.
    if (m_size > 0 && at(m_size - 1).gap)
        return;
    Sample s;
    s.ms = ms;
    s.gap = true;
    push(s);
}

void ReadingHistory::push(const Sample &s)
{
    const qsizetype cap = capacity();
    if (m_size == cap) { // full: the oldest makes room
        m_head = (m_head + 1) % cap;
        --m_size;
    }
    m_ring[size_t((m_head + m_size) % cap)] = s;
    ++m_size;
    // Too old behind the newest: dropped from the old end (amortised O(1)).
    while (m_size > 1 && at(0).ms < s.ms - m_maxAgeMs) {
        m_head = (m_head + 1) % cap;
        --m_size;
    }
}

const Sample &ReadingHistory::at(qsizetype i) const
{
    return m_ring[size_t((m_head + i) % capacity())];
}

qint64 ReadingHistory::newestMs() const
{
    return m_size ? at(m_size - 1).ms : 0;
}

QList<Sample> ReadingHistory::range(qint64 fromMs, qint64 toMs) const
{
    // Times rise along the ring: find the first one in range by bisection.
    qsizetype lo = 0, hi = m_size;
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (at(mid).ms < fromMs)
            lo = mid + 1;
        else
            hi = mid;
    }
    QList<Sample> out;
    for (qsizetype i = lo; i < m_size && at(i).ms <= toMs; ++i)
        out.append(at(i));
    return out;
}

} // namespace meterlink
