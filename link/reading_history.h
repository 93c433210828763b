// The readings of the last hour in memory: a ring of decoded frames with their arrival
// times and alarm levels, and the moments the link went down. Bounded by age and by
// count, so that a flood of frames cannot grow it; appending is O(1).
#pragma once

#include <QList>
#include <QtGlobal>
#include <array>
#include <vector>

namespace meterlink {

struct Sample {
    qint64 ms = 0;                  // arrival, milliseconds since the epoch
    std::array<qint16, 4> tenths{}; // the four readings in 0.1 m/s
    std::array<qint8, 2> alarms{};  // levels of the instantaneous and average figure
    bool gap = false;               // the link went down here: lines break
};

class ReadingHistory
{
public:
    // Keeps samples no older than maxAgeMs behind the newest, and at most capacity: frames
    // closer than maxAgeMs / capacity are kept as one with their highest values.
    explicit ReadingHistory(qint64 maxAgeMs = 3600 * 1000, qsizetype capacity = 40000);

    // A frame: its readings in tenths of m/s (kept within 16 bits), and alarm levels.
    void append(qint64 ms, const std::array<int, 4> &tenths, std::array<qint8, 2> alarms);
    // The link went down (stopped or reconnecting): the lines break here.
    void appendGap(qint64 ms);

    qsizetype size() const { return m_size; }
    qsizetype capacity() const { return qsizetype(m_ring.size()); }
    // The samples with fromMs <= ms <= toMs, oldest first.
    QList<Sample> range(qint64 fromMs, qint64 toMs) const;
    // The newest sample's time, or 0 when empty.
    qint64 newestMs() const;

private:
    void push(const Sample &s);
    const Sample &at(qsizetype i) const; // 0 = oldest

    std::vector<Sample> m_ring;
    qsizetype m_head = 0; // index of the oldest
    qsizetype m_size = 0;
    qint64 m_maxAgeMs;
    qint64 m_slotMs;
};

} // namespace meterlink
