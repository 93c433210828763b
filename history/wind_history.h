// Past logs as one record: the rows of several files in time order, the site's rule run
// over them (the rolling mean, the work state, storms), the event logs beside them, and
// the figures of any span. QtCore only: the files' bytes come through a reader.
#pragma once

#include "base/settings.h"
#include "history/log_reader.h"
#include "link/trend_data.h"
#include "site/wind_rule.h"

#include <QPointF>
#include <atomic>
#include <functional>
#include <optional>

namespace history {

// The file's bytes and last change, or false and *error for the user.
using FileReader = std::function<bool(const QString &path, QByteArray *bytes, QDateTime *modified,
                                      QString *error)>;

struct Period {
    qint64 startMs = 0;
    qint64 endMs = 0; // where the record ends while it still holds: see open
    bool open = false;
    bool operator==(const Period &) const = default;
};

// A threshold and the time the wind was at or above it.
struct Level {
    QString name; // "平均風速 10.0 m/s 以上"
    int tenths = 0;
    bool onMean = false;
    bool strict = false; // counted strictly above tenths (the storm's "をこえる")
    qint64 ms = 0;
};

// A storm and the acknowledgement that answered it (none: the inspection is still due).
struct StormLine {
    qint64 ms = 0;
    QString gust; // as the event log wrote it
    std::optional<EventRow> inspection;
    QList<EventRow> faults; // faults found (使用停止) before the inspection that answered
    bool operator==(const StormLine &) const = default;
};

// Where a span's figures come from: the live rule's own record; the rule run over rows
// close enough to give its mean; or rows too sparse for the mean.
enum class Basis { Live, Rows, Sampled };

struct Figures {
    qint64 fromMs = 0, toMs = 0; // the span, within the record
    Basis basis = Basis::Rows;
    qint64 intervalMs = 1000; // the data rows' spacing
    int maxInstant = -1;      // 0.1 m/s, -1 for none
    qint64 maxInstantMs = 0;
    bool instantSampled = false; // the highest of sampled rows, not of every frame
    int maxMean = -1;
    qint64 maxMeanMs = 0;
    QString notAvailable; // why the mean and the states cannot be given; empty when they can
    // The time in each state of the rule (not for Sampled).
    qint64 cautionMs = 0, stopMs = 0, undecidedMs = 0;
    QList<Level> levels; // the time above thresholds, from rows (not for Live)
    QList<Period> stops;
    QList<StormLine> storms;
    bool stormsFromSamples = false; // storms seen in sampled rows: there may be more
    bool eventsKnown = false;       // the stops and storms are the event log's
    // A storm before the span whose inspection was still due at its start; ms 0 when its
    // time is not in the record.
    std::optional<StormLine> carried;
    bool inspectionDue = false; // still due at the span's end
    qint64 missingMs = 0;
    qint64 receivingMs = 0;
    // Time the meter was heard but the rule's record has no rows for (a failed write).
    qint64 unrecordedMs = 0;
    // The scaffolds' inspections due after a stop: when, and who answered.
    QList<StormLine> scaffolds;
    // What in the records could not be read, for the page; and whether an inspection may
    // be among it (an event log unreadable, missing or with lines left out).
    QStringList notes;
    bool inspectionsUnknown = false;
};

// The figures as a person reads them, label and value: the window and the report show
// these lines. Times are H:mm:ss, with the date ("12/7 23:50:00") when not of day.
QList<std::pair<QString, QString>>
figureLines(const Figures &f, const basSubMain::SiteSettings &site, const QDate &day);
QString timeOf(qint64 ms, const QDate &day);
// An event as a person reads it: its name, and an acknowledgement's inspector and result
// ("点検確認 (山田 太郎、異常なし)").
QString eventText(const EventRow &e);
// The rule's settings in one line: 平均 10 分、注意 8.0 m/s ...
QString ruleLine(const basSubMain::SiteSettings &site);
// The rules' criteria in their own words, and the site's values where they differ.
QStringList criteriaLines(const basSubMain::SiteSettings &site);

class WindHistory
{
public:
    // The rule's settings: the site's when [Site] is on; otherwise its defaults for the
    // stops, and 10 and 30 m/s of the instantaneous wind for the time above.
    explicit WindHistory(const basSubMain::SiteSettings &site = {});

    // Reads the files (data logs and event logs, any order) and the event logs beside the
    // data logs for the days they cover. progress(done, total) in bytes, from this thread;
    // cancelled stops it. False and *error at the first file that is not one of ours.
    bool load(const QStringList &paths, const FileReader &read, QString *error,
              const std::function<void(qint64, qint64)> &progress = {},
              const std::atomic_bool *cancelled = nullptr);

    const std::vector<Row> &rows() const { return m_rows; }
    const std::vector<RuleRow> &ruleRows() const { return m_rule; }
    const QList<EventRow> &events() const { return m_events; }
    const QList<FileInfo> &files() const { return m_files; }
    int mask() const { return m_mask; }
    qint64 intervalMs() const { return m_interval; }
    const basSubMain::SiteSettings &site() const { return m_site; }
    bool empty() const { return m_rows.empty(); }
    // What was recorded, rows and the rule's record together.
    qint64 firstMs() const { return m_firstMs; }
    qint64 lastMs() const { return m_lastMs; }
    // The local days that hold rows, in order.
    QList<QDate> days() const;

    // The figures of [fromMs, toMs], cut to the record.
    Figures figures(qint64 fromMs, qint64 toMs) const;
    // The events of [fromMs, toMs]: the event logs' rows; where there are none, the
    // changes the rule gives on the rows (marked by computed).
    QList<EventRow> eventsIn(qint64 fromMs, qint64 toMs, bool *computed = nullptr) const;

    // What the chart draws of [fromMs, toMs]: one bucket per bucketMs (the highest of each
    // reading; a reading without a column is 0), lines cut at gap rows and at silences
    // of more than twice the spacing; and the mean, cut where it is not valid.
    QList<meterlink::Bucket> buckets(qint64 fromMs, qint64 toMs, qint64 bucketMs) const;
    QList<QList<QPointF>> meanLine(qint64 fromMs, qint64 toMs, qint64 bucketMs) const;

    // The rows of [fromMs, toMs] as one CSV log of the program's own format (the columns
    // of all files), code page 932, CR LF.
    QByteArray exportCsv(qint64 fromMs, qint64 toMs) const;

    // The instantaneous wind's column: the instantaneous, else the instantaneous maximum.
    int windColumn() const;

private:
    void runRule();
    void mergeRuleGusts(QList<meterlink::Bucket> *out, qint64 fromMs, qint64 toMs,
                        qint64 bucketMs) const;
    void liveFigures(Figures *f, qint64 fromMs, qint64 toMs) const;
    void rowFigures(Figures *f) const;
    void eventFigures(Figures *f, qint64 fromMs, qint64 toMs) const;
    // Where the rule's record has no rows but the rows were written: their time, and the
    // storms they show.
    QList<StormLine> unrecordedFigures(Figures *f, qint64 fromMs, qint64 toMs) const;
    void recordNotes(Figures *f, qint64 fromMs, qint64 toMs) const;
    bool supportsMean() const;
    size_t lowerBound(qint64 ms) const;
    qint64 covered(size_t i) const; // how long row i holds

    basSubMain::SiteSettings m_site;
    std::vector<Row> m_rows;
    std::vector<RuleRow> m_rule;    // the live rule's record, in time order
    std::vector<qint16> m_mean;     // per row, the rolling mean in 0.1 m/s, -1 while not valid
    std::vector<site::Work> m_work; // per row, the rule's state after it
    QList<Period> m_stops;
    QList<StormLine> m_storms;
    QList<EventRow> m_ruleEvents;
    QList<EventRow> m_events;
    QList<FileInfo> m_files;
    int m_mask = 0;
    qint64 m_interval = 1000;
    qint64 m_firstMs = 0, m_lastMs = 0;
};

} // namespace history
