#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace site {

// The words below are the files' and the broker's (never translated there); the
// interface shows them through the "site" translation context, where lupdate finds them.
// The caption of earlier versions' logs is shown too.
[[maybe_unused]] const char *const kOldStopEndsShown = QT_TRANSLATE_NOOP("site", "作業中止解除");

QString workName(Work work)
{
    switch (work) {
    case Work::Caution: return QStringLiteral("caution");
    case Work::Stop: return QStringLiteral("stop");
    case Work::Undecided: return QStringLiteral("undecided");
    case Work::Normal: break;
    }
    return QStringLiteral("normal");
}

QString caption(Work work, bool latched)
{
    if (latched)
        return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "点検要"));
    switch (work) {
    case Work::Caution: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "注意"));
    case Work::Stop: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "作業中止"));
    case Work::Undecided: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "判定中"));
    case Work::Normal: break;
    }
    return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "通常"));
}

QString changeCaption(Change change)
{
    switch (change) {
    case Change::Caution: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "注意"));
    case Change::StopBegins: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "作業中止"));
    // Only that the rule's condition is met: resuming work is a person's decision.
    case Change::StopEnds:
        return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "作業中止基準を下回る"));
    case Change::Normal: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "通常"));
    case Change::Storm: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "暴風 点検要"));
    case Change::Undecided: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "判定中"));
    case Change::Scaffold: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "足場点検要"));
    case Change::OutOfService: return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "使用停止"));
    case Change::Acknowledged: break;
    }
    return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "点検確認"));
}

QString Inspection::marks() const
{
    QString t;
    if (latch == Latch::Scaffold)
        t += QStringLiteral(" (足場)");
    if (forced)
        t += QStringLiteral(" (強風下で確認)");
    return t;
}

QString latchName(Latch latch)
{
    return latch == Latch::Scaffold ? QStringLiteral("scaffold") : QStringLiteral("crane");
}

std::optional<Latch> latchFromName(const QString &name)
{
    if (name == QStringLiteral("crane"))
        return Latch::Crane;
    if (name == QStringLiteral("scaffold"))
        return Latch::Scaffold;
    return std::nullopt;
}

bool isFault(const QString &result)
{
    return result.startsWith(QStringLiteral("異常あり"));
}

bool Inspection::fault() const
{
    return isFault(result);
}

QString inspectionResult(bool fault, const QString &note)
{
    if (!fault)
        return QString::fromUtf8(QT_TRANSLATE_NOOP("site", "異常なし"));
    const QString n = cleanField(note);
    return n.isEmpty() ? QString::fromUtf8(QT_TRANSLATE_NOOP("site", "異常あり"))
                       : QString::fromUtf8(QT_TRANSLATE_NOOP("site", "異常あり: ")) + n;
}

QString cleanField(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char(','))
            out += QChar(0xFF0C);
        else if (c == QLatin1Char('"'))
            out += QChar(0xFF02);
        else if (c == QLatin1Char(';'))
            out += QChar(0xFF1B); // the event log's detail separates its fields with it
        else if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                 c == QChar::ParagraphSeparator)
            out += QLatin1Char(' ');
        else
            out += c;
    }
    // Longer ones are refused where they are typed; this bounds what a file may hold.
    return out.simplified().left(4 * kMaxFieldChars);
}

bool fieldTooLong(const QString &text)
{
    return cleanField(text).size() > kMaxFieldChars;
}

// ---- the rolling mean

void RollingMean::push(const Piece &p)
{
    if (p.end <= p.start)
        return;
    // The gust is the newest frame of the highest value.
    while (!m_highest.empty() && m_highest.back().tenths <= p.tenths)
        m_highest.pop_back();
    m_highest.push_back(p);
    // A piece that goes on where the last one ended with the same value lengthens it.
    if (!m_pieces.empty() && m_pieces.back().end == p.start && m_pieces.back().tenths == p.tenths)
        m_pieces.back().end = p.end;
    else
        m_pieces.push_back(p);
    m_sumMs += p.end - p.start;
    m_sumTenthsMs += (p.end - p.start) * p.tenths;
    while (m_pieces.size() > kMaxPieces)
        trim(m_pieces.front().end);
}

void RollingMean::close(qint64 ms)
{
    if (!m_open)
        return;
    Piece p = *m_open;
    p.end = std::min(ms, p.start + m_hold);
    m_open.reset();
    push(p);
}

void RollingMean::frame(qint64 ms, int tenths)
{
    // A clock set back leaves nothing to weigh the new frame against.
    if ((m_open && ms < m_open->start) || (!m_pieces.empty() && ms < m_pieces.back().end))
        clear();
    close(ms);
    m_open = Piece{ms, ms, tenths};
}

void RollingMean::gap(qint64 ms)
{
    close(ms);
}

void RollingMean::clear()
{
    m_pieces.clear();
    m_highest.clear();
    m_open.reset();
    m_sumMs = m_sumTenthsMs = 0;
}

void RollingMean::trim(qint64 cutoff)
{
    while (!m_pieces.empty() && m_pieces.front().end <= cutoff) {
        const Piece &p = m_pieces.front();
        m_sumMs -= p.end - p.start;
        m_sumTenthsMs -= (p.end - p.start) * p.tenths;
        m_pieces.pop_front();
    }
    while (!m_highest.empty() && m_highest.front().end <= cutoff)
        m_highest.pop_front();
}

Stats RollingMean::at(qint64 nowMs)
{
    const qint64 cutoff = nowMs - m_window;
    trim(cutoff);
    qint64 covered = m_sumMs, weighted = m_sumTenthsMs;
    // The oldest piece may begin before the window.
    if (!m_pieces.empty() && m_pieces.front().start < cutoff) {
        const qint64 outside = cutoff - m_pieces.front().start;
        covered -= outside;
        weighted -= outside * m_pieces.front().tenths;
    }
    Stats s;
    if (!m_highest.empty()) {
        s.gustTenths = m_highest.front().tenths;
        s.gustMs = m_highest.front().start;
    }
    if (m_open) {
        const qint64 from = std::max(m_open->start, cutoff);
        const qint64 to = std::min(nowMs, m_open->start + m_hold);
        if (to > from) {
            covered += to - from;
            weighted += (to - from) * m_open->tenths;
        }
        if (m_open->start + m_hold > cutoff && m_open->tenths >= s.gustTenths) {
            s.gustTenths = m_open->tenths;
            s.gustMs = m_open->start;
        }
    }
    s.coveragePermille = m_window > 0 ? int(covered * 1000 / m_window) : 0;
    s.valid = covered > 0 && s.coveragePermille >= kValidPermille;
    if (!s.valid)
        s.missingMs = std::max<qint64>(1, (m_window * kValidPermille + 999) / 1000 - covered);
    if (s.valid)
        s.meanTenths = int((weighted + covered / 2) / covered);
    return s;
}

// ---- the work state

QList<Change> WorkRule::frame(qint64 ms, int tenths)
{
    // The rules ask for an inspection after a wind that exceeds the threshold.
    if (tenths <= m_t.storm)
        return {};
    // A storm that follows a calm of the hold's length is a new storm, latched or not.
    const bool storm = !latched() || ms - m_lastStormMs >= m_t.holdMs;
    m_lastStormMs = ms;
    if (!latched())
        m_storm = {ms, tenths, ms};
    else if (tenths > m_storm.tenths)
        m_storm.tenths = tenths, m_storm.ms = ms;
    if (!storm)
        return {};
    return {Change::Storm};
}

std::optional<qint64> WorkRule::releaseAtMs() const
{
    if (m_work == Work::Stop && m_belowStop)
        return *m_belowStop + m_t.holdMs;
    if (m_work == Work::Caution && m_belowCaution)
        return *m_belowCaution + m_t.holdMs;
    return std::nullopt;
}

QList<Change> WorkRule::update(qint64 ms, const Stats &stats)
{
    if (!stats.valid) {
        m_belowStop.reset();
        m_belowCaution.reset();
        // A stop or caution stays (the stricter state); a normal has lost its basis.
        if (m_work != Work::Normal)
            return {};
        m_work = Work::Undecided;
        m_undecidedAtStart = false;
        return {Change::Undecided};
    }
    const int mean = stats.meanTenths;
    auto below = [&](std::optional<qint64> &since, int threshold) {
        if (mean >= threshold)
            since.reset();
        else if (!since)
            since = ms;
        // Held below the threshold long enough to leave its state.
        return mean < threshold && ms - *since >= m_t.holdMs;
    };
    const bool leaveStop = below(m_belowStop, m_t.stop);
    const bool leaveCaution = below(m_belowCaution, m_t.caution);
    const bool undecided = m_work == Work::Undecided;
    Work next;
    if (mean >= m_t.stop || (m_work == Work::Stop && !leaveStop))
        next = Work::Stop;
    else if (mean >= m_t.caution || (m_work == Work::Caution && !leaveCaution) ||
             (m_work == Work::Stop && !leaveCaution))
        next = Work::Caution;
    else
        next = Work::Normal;
    QList<Change> changes;
    if (next == m_work)
        return changes;
    if (m_work == Work::Stop) {
        changes << Change::StopEnds;
        // The scaffolds are inspected after the strong wind, not during it: the latch
        // opens with the stop's end (the first stop not yet signed for keeps its start).
        if (m_t.scaffold && !m_scaffoldMs) {
            m_scaffoldMs = ms;
            m_scaffoldFromMs = m_stopBeganMs ? m_stopBeganMs : ms;
            changes << Change::Scaffold;
        }
    }
    if (next == Work::Stop) {
        changes << Change::StopBegins;
        m_stopBeganMs = ms;
    } else if (next == Work::Caution && (m_work == Work::Normal || undecided))
        changes << Change::Caution;
    else if (next == Work::Normal && !(undecided && m_undecidedAtStart))
        changes << Change::Normal;
    m_work = next;
    m_undecidedAtStart = false;
    return changes;
}

QList<Change> WorkRule::acknowledge(const Inspection &inspection)
{
    if (!due(inspection.latch))
        return {};
    Inspection &fault = inspection.latch == Latch::Crane ? m_craneFault : m_scaffoldFault;
    if (inspection.fault()) {
        // Found faulty: out of service until an inspection finds it fit.
        fault = inspection;
        return {Change::OutOfService};
    }
    fault = {};
    if (inspection.latch == Latch::Crane)
        m_storm = {};
    else
        m_scaffoldMs = m_scaffoldFromMs = 0;
    return {Change::Acknowledged};
}

QList<Change> WorkRule::noData()
{
    if (m_work != Work::Normal)
        return {};
    m_work = Work::Undecided;
    m_undecidedAtStart = false;
    m_belowStop.reset();
    m_belowCaution.reset();
    return {Change::Undecided};
}

void WorkRule::restore(const LatchRecord &kept)
{
    m_storm = kept.storm;
    m_lastStormMs = kept.storm.ms;
    m_scaffoldMs = kept.scaffoldMs;
    m_scaffoldFromMs =
        kept.scaffoldMs ? (kept.scaffoldFromMs ? kept.scaffoldFromMs : kept.scaffoldMs) : 0;
    // A fault without its latch is no fault of a latch that holds.
    m_craneFault = latched() ? kept.craneFault : Inspection{};
    m_scaffoldFault = m_scaffoldMs ? kept.scaffoldFault : Inspection{};
    m_work = kept.work == Work::Normal ? Work::Undecided : kept.work;
    // A stop kept over a restart is counted from the restart.
    m_stopBeganMs = 0;
    // A kept stop or caution that ends here is an event; a kept normal confirmed is not.
    m_undecidedAtStart = true;
    m_belowStop.reset();
    m_belowCaution.reset();
}

void WorkRule::resetWork()
{
    m_work = Work::Undecided;
    m_undecidedAtStart = true;
    m_belowStop.reset();
    m_belowCaution.reset();
}

// ---- the latch's state file

namespace {
QByteArray timeText(qint64 ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    return t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs).toLatin1();
}
} // namespace

QByteArray formatLatch(const LatchRecord &record)
{
    QByteArray out;
    auto time = [&out](const char *key, qint64 ms) {
        if (ms)
            out += QByteArray(key) + '=' + timeText(ms) + '\n';
    };
    time("Latched", record.storm.latchedMs);
    if (record.storm.latchedMs && record.storm.tenths >= 0) {
        out += "Gust=" + QString::number(record.storm.tenths / 10.0, 'f', 1).toLatin1() + '\n';
        time("GustAt", record.storm.ms);
    }
    time("Scaffold", record.scaffoldMs);
    if (record.scaffoldMs)
        time("ScaffoldFrom", record.scaffoldFromMs);
    auto fault = [&](const char *key, const Inspection &f) {
        if (!f.ms)
            return;
        time(key, f.ms);
        out += QByteArray(key) + "By=" + cleanField(f.by).toUtf8() + '\n';
        out += QByteArray(key) + "Result=" + cleanField(f.result).toUtf8() + '\n';
        if (f.forced)
            out += QByteArray(key) + "Forced=1\n";
    };
    fault("CraneFault", record.craneFault);
    fault("ScaffoldFault", record.scaffoldFault);
    time("Acknowledged", record.inspection.ms);
    if (record.inspection.ms) {
        out += "Inspector=" + cleanField(record.inspection.by).toUtf8() + '\n';
        out += "Result=" + cleanField(record.inspection.result).toUtf8() + '\n';
        out += "Latch=" + latchName(record.inspection.latch).toLatin1() + '\n';
        if (record.inspection.forced)
            out += "Forced=1\n";
    }
    // Last, so that a file cut short is seen as such.
    out += "Work=" + workName(record.work).toLatin1() + '\n';
    return out;
}

std::optional<LatchRecord> parseLatch(const QByteArray &text)
{
    if (text.contains('\0'))
        return std::nullopt;
    LatchRecord r;
    bool work = false;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray l = raw.trimmed();
        if (l.isEmpty())
            continue;
        if (work) // nothing follows the work state
            return std::nullopt;
        const qsizetype eq = l.indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArray key = l.left(eq), value = l.mid(eq + 1);
        if (key == "Work") {
            bool known = false;
            for (Work w : {Work::Normal, Work::Caution, Work::Stop, Work::Undecided})
                if (value == workName(w).toLatin1())
                    r.work = w, known = true;
            if (!known)
                return std::nullopt;
            work = true;
            continue;
        }
        if (key == "Inspector" || key == "Result") {
            (key == "Inspector" ? r.inspection.by : r.inspection.result) = QString::fromUtf8(value);
            continue;
        }
        if (key == "CraneFaultBy" || key == "ScaffoldFaultBy" || key == "CraneFaultResult" ||
            key == "ScaffoldFaultResult") {
            Inspection &f = key.startsWith("Crane") ? r.craneFault : r.scaffoldFault;
            (key.endsWith("By") ? f.by : f.result) = QString::fromUtf8(value);
            continue;
        }
        if (key == "Forced" || key == "CraneFaultForced" || key == "ScaffoldFaultForced") {
            if (value != "1")
                return std::nullopt;
            (key == "Forced"           ? r.inspection
             : key.startsWith("Crane") ? r.craneFault
                                       : r.scaffoldFault)
                .forced = true;
            continue;
        }
        if (key == "Latch") {
            const auto latch = latchFromName(QString::fromLatin1(value));
            if (!latch)
                return std::nullopt;
            r.inspection.latch = *latch;
            continue;
        }
        if (key == "Gust") {
            bool ok = false;
            const double v = value.toDouble(&ok);
            if (!ok || v < 0 || v > 999.9)
                return std::nullopt;
            r.storm.tenths = int(std::lround(v * 10));
            continue;
        }
        const QDateTime t = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
        if (!t.isValid())
            return std::nullopt;
        const qint64 ms = t.toMSecsSinceEpoch();
        // No record of this program is older: an earlier time (the epoch, a cleared
        // clock) is a damaged file, never a latch that was not there.
        if (ms <= QDateTime(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch())
            return std::nullopt;
        if (key == "Latched")
            r.storm.latchedMs = ms;
        else if (key == "GustAt")
            r.storm.ms = ms;
        else if (key == "Scaffold")
            r.scaffoldMs = ms;
        else if (key == "ScaffoldFrom")
            r.scaffoldFromMs = ms;
        else if (key == "CraneFault")
            r.craneFault.ms = ms, r.craneFault.latch = Latch::Crane;
        else if (key == "ScaffoldFault")
            r.scaffoldFault.ms = ms, r.scaffoldFault.latch = Latch::Scaffold;
        else if (key == "Acknowledged")
            r.inspection.ms = ms;
        else
            return std::nullopt;
    }
    if (!work)
        return std::nullopt;
    if (r.storm.latchedMs == 0)
        r.storm = {};
    else if (r.storm.ms == 0)
        r.storm.ms = r.storm.latchedMs;
    // A fault whose result is not one is a damaged file, never a calm.
    for (const Inspection *f : {&r.craneFault, &r.scaffoldFault})
        if (f->ms && !f->fault())
            return std::nullopt;
    return r;
}

} // namespace site
