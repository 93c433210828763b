// The site's rule on the wind: the time-weighted mean and the gust of the instantaneous
// wind over a rolling window, computed from whole frames only, and the work state it
// gives (normal, caution, stop, each left only after a hold) with the storm latch that
// stays until a person acknowledges the inspection. QtCore only, no clock of its own:
// every call is given its time.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>
#include <deque>
#include <optional>

namespace site {

enum class Work { Normal, Caution, Stop };

// "normal", "caution", "stop": the names a broker receives.
QString workName(Work work);
// The captions a person reads: 通常, 注意, 作業中止; 点検要 while the latch holds.
QString caption(Work work, bool latched);

// What the window of the mean holds at one moment.
struct Stats {
    bool valid = false;  // frames cover at least 90 % of the window
    int meanTenths = -1; // the mean in 0.1 m/s, rounded; -1 while not valid
    int gustTenths = -1; // the highest instantaneous value in the window; -1 for none
    qint64 gustMs = 0;   // the frame it came with
    int coveragePermille = 0;
    bool operator==(const Stats &) const = default;
};

// Each frame's instantaneous value holds from its arrival until the next frame, for at
// most kHoldMs (the watchdog's silence): time that no frame covers is missing, whether
// the link was down, reconnecting or the program not yet running.
class RollingMean
{
public:
    static constexpr qint64 kHoldMs = 2000;
    static constexpr int kValidPermille = 900;
    // More pieces than a flood of frames could need in an hour; the oldest go first.
    static constexpr size_t kMaxPieces = 200000;

    explicit RollingMean(qint64 windowMs = 600000) : m_window(windowMs) {}
    void setWindow(qint64 windowMs) { m_window = windowMs; }
    qint64 window() const { return m_window; }
    // How long one value holds at most: the rows of a log a second or more apart hold
    // for twice their spacing, as frames hold for the watchdog's silence.
    void setHold(qint64 holdMs) { m_hold = holdMs; }

    void frame(qint64 ms, int tenths);
    // The link went down: the last value holds no further.
    void gap(qint64 ms);
    void clear();
    Stats at(qint64 nowMs);

private:
    struct Piece {
        qint64 start, end;
        int tenths;
    };
    void close(qint64 ms);
    void trim(qint64 cutoff);
    void push(const Piece &p);

    qint64 m_window;
    qint64 m_hold = kHoldMs;
    std::deque<Piece> m_pieces;  // closed, oldest first
    std::deque<Piece> m_highest; // of m_pieces, values falling: the window's gust first
    std::optional<Piece> m_open; // the last frame, its end not yet known
    qint64 m_sumMs = 0;
    qint64 m_sumTenthsMs = 0;
};

// What changed at one step of the rule.
enum class Change { Caution, StopBegins, StopEnds, Normal, Storm, Acknowledged };
// The change as the event log names it: 注意, 作業中止, 作業中止解除, 通常, 暴風 点検要, 点検確認.
QString changeCaption(Change change);

struct Thresholds {
    int caution = 80, stop = 100, storm = 300; // 0.1 m/s
    qint64 holdMs = 600000;
};

class WorkRule
{
public:
    void setThresholds(const Thresholds &t) { m_t = t; }
    Work work() const { return m_work; }
    bool latched() const { return m_latchedMs != 0; }
    qint64 latchedMs() const { return m_latchedMs; }

    // A whole frame's instantaneous value: a storm latches at once.
    QList<Change> frame(qint64 ms, int tenths);
    // Once a second, the window's state: rising into caution or stop is at once; leaving
    // needs the mean below the threshold for the hold. A mean that is not valid changes
    // nothing and restarts the hold.
    QList<Change> update(qint64 ms, const Stats &stats);
    // The inspection was done: the latch opens (a storm still blowing latches it again).
    QList<Change> acknowledge();
    // The latch and the work state as kept over a restart (0: open); the hold starts anew.
    void restore(qint64 latchedMs, Work work)
    {
        m_latchedMs = latchedMs;
        m_work = work;
    }
    // The link stopped or the rule was switched off: normal, with no hold running.
    void resetWork();

private:
    Thresholds m_t;
    Work m_work = Work::Normal;
    std::optional<qint64> m_belowStop, m_belowCaution;
    qint64 m_latchedMs = 0;
    qint64 m_lastStormMs = 0;
};

// The latch as kept in its state file over a restart, and the last acknowledgement:
// "Latched=" and "Acknowledged=" lines with ISO 8601 local times (absent: none), and
// "Work=" with the state's name.
struct LatchRecord {
    qint64 latchedMs = 0;
    qint64 acknowledgedMs = 0;
    // The work state too, so that a restart is not taken for a calm ("Work=").
    Work work = Work::Normal;
    bool operator==(const LatchRecord &) const = default;
};
QByteArray formatLatch(const LatchRecord &record);
// Unknown lines are ignored; a time that does not read is none.
LatchRecord parseLatch(const QByteArray &text);

} // namespace site
