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

// Undecided: no valid mean and no stop or caution holding, so no verdict can be given.
enum class Work { Normal, Caution, Stop, Undecided };

// "normal", "caution", "stop", "undecided": the names a broker receives.
QString workName(Work work);
// The captions a person reads: 通常, 注意, 作業中止, 判定中; 点検要 while the latch holds.
QString caption(Work work, bool latched = false);

// What the window of the mean holds at one moment.
struct Stats {
    bool valid = false;  // frames cover at least 90 % of the window
    int meanTenths = -1; // the mean in 0.1 m/s, rounded; -1 while not valid
    int gustTenths = -1; // the highest instantaneous value in the window; -1 for none
    qint64 gustMs = 0;   // the frame it came with
    int coveragePermille = 0;
    qint64 missingMs = 0; // more covered time the window needs to be valid; 0 when valid
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
enum class Change {
    Caution,
    StopBegins,
    StopEnds,
    Normal,
    Storm,
    Acknowledged,
    Undecided,    // a verdict given before can no longer be held up (no valid mean)
    Scaffold,     // a stop ended: the scaffolds' inspection is due
    OutOfService, // an inspection found a fault: the latch holds as out of service
};
// The change as the event log names it: 注意, 作業中止, 作業中止基準を下回る, 通常, 暴風 点検要,
// 点検確認, 判定中, 足場点検要.
QString changeCaption(Change change);
// The caption earlier versions wrote for StopEnds, still read back from their logs.
inline constexpr char16_t kOldStopEndsCaption[] = u"作業中止解除";

struct Thresholds {
    int caution = 80, stop = 100, storm = 300; // 0.1 m/s; a storm is strictly above storm
    qint64 holdMs = 600000;
    bool scaffold = false; // a stop latches the scaffolds' inspection too
};

// The two inspections a wind asks for: the crane's after a storm, the scaffolds' after
// a stop (with ScaffoldInspection=1). Each is latched and signed for itself.
enum class Latch { Crane, Scaffold };
// "crane", "scaffold": the names of the command line, the broker and the files.
QString latchName(Latch latch);
std::optional<Latch> latchFromName(const QString &name);

// Who acknowledged an inspection, with what result ("異常なし", or "異常あり: note"),
// of which latch, and whether it was signed while the wind was still strong.
struct Inspection {
    QString by;
    QString result;
    qint64 ms = 0;
    Latch latch = Latch::Crane;
    bool forced = false;
    bool fault() const;
    // What a line about it adds after the result: " (足場)", " (強風下で確認)".
    QString marks() const;
    bool operator==(const Inspection &) const = default;
};
// The result of a person's answer: "異常なし", or "異常あり" with the note after ": ".
QString inspectionResult(bool fault, const QString &note);
// Whether a result states a fault ("異常あり", "異常あり: note").
bool isFault(const QString &result);
// A name or note as one line of a CSV field: controls and line ends to blanks, commas,
// quotes and semicolons to their full-width forms, blanks trimmed.
QString cleanField(const QString &text);
// The longest name or result taken: a longer one is refused, never cut.
inline constexpr int kMaxFieldChars = 60;
bool fieldTooLong(const QString &text);

// The latch as it stands: since when, and the highest instantaneous wind since then.
struct Storm {
    qint64 latchedMs = 0; // 0: open
    int tenths = -1;      // -1: not known (a state file that could not be read)
    qint64 ms = 0;
    bool operator==(const Storm &) const = default;
};

// The latches and the work state as kept over a restart, and the last acknowledgement:
// see formatLatch.
struct LatchRecord;

class WorkRule
{
public:
    void setThresholds(const Thresholds &t) { m_t = t; }
    Work work() const { return m_work; }
    bool latched() const { return m_storm.latchedMs != 0; }
    qint64 latchedMs() const { return m_storm.latchedMs; }
    const Storm &storm() const { return m_storm; }
    // The scaffolds' inspection, due since the end of the stop that began at
    // scaffoldFromMs (0: open).
    qint64 scaffoldMs() const { return m_scaffoldMs; }
    qint64 scaffoldFromMs() const { return m_scaffoldFromMs; }
    // The fault an inspection found (ms 0: none): the latch holds as out of service.
    const Inspection &fault(Latch latch) const
    {
        return latch == Latch::Crane ? m_craneFault : m_scaffoldFault;
    }
    bool due(Latch latch) const { return latch == Latch::Crane ? latched() : m_scaffoldMs != 0; }
    // When a running hold lets the state fall, if the mean stays below its threshold.
    std::optional<qint64> releaseAtMs() const;

    // A whole frame's instantaneous value: a storm latches at once.
    QList<Change> frame(qint64 ms, int tenths);
    // Once a second, the window's state: rising into caution or stop is at once; leaving
    // needs the mean below the threshold for the hold. A mean that is not valid changes
    // nothing and restarts the hold.
    QList<Change> update(qint64 ms, const Stats &stats);
    // The inspection of one latch was done: without a fault the latch opens (a storm
    // still blowing latches again); with one it holds as out of service until a later
    // inspection finds none. Nothing when that latch is not due.
    QList<Change> acknowledge(const Inspection &inspection);
    // The meter fell silent: a normal has lost its basis at once; a caution or a stop
    // holds through the gap.
    QList<Change> noData();
    // The latches and the work state as kept over a restart; the hold starts anew. A
    // kept normal is no verdict now: it is undecided until the mean is valid again.
    void restore(const LatchRecord &kept);
    // The rule was switched off: undecided, with no hold running.
    void resetWork();

private:
    Thresholds m_t;
    Work m_work = Work::Undecided;
    // Undecided since the start, not after a verdict: leaving it for normal is no event.
    bool m_undecidedAtStart = true;
    std::optional<qint64> m_belowStop, m_belowCaution;
    Storm m_storm;
    qint64 m_scaffoldMs = 0, m_scaffoldFromMs = 0;
    qint64 m_stopBeganMs = 0;
    Inspection m_craneFault, m_scaffoldFault;
    qint64 m_lastStormMs = 0;
};

// The latch as kept in its state file over a restart, and the last acknowledgement:
// "Latched=", "Scaffold=" (due since) with "ScaffoldFrom=" (the stop's start) and
// "Acknowledged=" lines with ISO 8601 local times (absent: none), the storm's gust
// ("Gust=31.4", "GustAt="), the inspector and result ("Inspector=", "Result=", UTF-8,
// "Latch=", "Forced=1"), a fault found ("CraneFault=" or "ScaffoldFault=" with its time,
// "...FaultBy=", "...FaultResult="), and "Work=" with the state's name, always last.
struct LatchRecord {
    Storm storm;
    qint64 scaffoldMs = 0;
    qint64 scaffoldFromMs = 0;
    Inspection craneFault, scaffoldFault; // ms 0: none
    Inspection inspection;                // the last acknowledgement (ms 0: none)
    // The work state too, so that a restart is not taken for a calm ("Work=").
    Work work = Work::Undecided;
    bool operator==(const LatchRecord &) const = default;
};
QByteArray formatLatch(const LatchRecord &record);
// Nothing when the text is not one that formatLatch writes: cut short (no "Work=" line),
// a time or a speed that does not read, a NUL, a line without "=" or a key it never
// writes. Such a file counts as a held latch, never as a calm.
std::optional<LatchRecord> parseLatch(const QByteArray &text);

} // namespace site
