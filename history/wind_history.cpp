#include "history/wind_history.h"

#include "link/tenths.h"
#include "logging/csv_format.h"
#include "logging/event_words.h"
#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

namespace history {

namespace {

constexpr qint64 kRuleRowMs = 10000; // the rule's record has a row every ten seconds

QString tenthsText(int tenths)
{
    return meterlink::formatTenthsOrEmpty(tenths);
}

} // namespace

QString timeOf(qint64 ms, const QDate &day)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    const QString time = t.toString(QStringLiteral("H:mm:ss"));
    return t.date() == day ? time : t.toString(QStringLiteral("M/d ")) + time;
}

// A word of the files (an event's name, an inspection's result) as the interface shows it.
static QString shownWord(const QString &word)
{
    return QCoreApplication::translate("site", word.toUtf8().constData());
}

QString eventText(const EventRow &e)
{
    if (e.detail.isEmpty())
        return shownWord(e.what);
    QStringList parts;
    for (const QString &field : e.detail.split(QLatin1Char(';'))) {
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        parts << shownWord(eq < 0 ? field : field.mid(eq + 1));
    }
    return QStringLiteral("%1 (%2)").arg(shownWord(e.what),
                                         parts.join(QCoreApplication::translate("history", "、")));
}

QString ruleLine(const basSubMain::SiteSettings &site)
{
    return QCoreApplication::translate(
               "history",
               "平均 %1 分、注意 %2 m/s 以上、作業中止 %3 m/s 以上、暴風 %4 m/s をこえる、"
               "解除まで %5 分%6")
        .arg(site.minutes)
        .arg(tenthsText(site.caution), tenthsText(site.stop), tenthsText(site.storm))
        .arg(site.holdMinutes)
        .arg(site.enabled ? QString() : QCoreApplication::translate("history", " (既定値)"));
}

QStringList criteriaLines(const basSubMain::SiteSettings &site)
{
    // The rules' own words: work stops at a 10-minute mean of 10 m/s; after a wind whose
    // instantaneous speed exceeds 30 m/s, an inspection before work goes on.
    QStringList out{
        QCoreApplication::translate("history", "10分間の平均風速 10 m/s 以上で作業中止"),
        QCoreApplication::translate("history", "瞬間風速 30 m/s をこえる風の後に点検")};
    const basSubMain::SiteSettings rules;
    if (site.minutes != rules.minutes || site.stop != rules.stop)
        out << QCoreApplication::translate("history",
                                           "この現場: %1分間の平均風速 %2 m/s 以上で作業中止")
                   .arg(site.minutes)
                   .arg(tenthsText(site.stop));
    if (site.storm != rules.storm)
        out << QCoreApplication::translate("history",
                                           "この現場: 瞬間風速 %1 m/s をこえる風の後に点検")
                   .arg(tenthsText(site.storm));
    return out;
}

namespace {

// An acknowledgement as one line: its time, the inspector and the result.
QString inspectionText(const EventRow &e, const QDate &day)
{
    const logging::words::InspectionFields fields = logging::words::readInspectionDetail(e.detail);
    const QString &by = fields.by, &result = fields.result;
    // The marks a manager looks for: a fault found, a signature under a strong wind.
    QString marks;
    if (e.what == site::changeCaption(site::Change::OutOfService))
        marks += QStringLiteral("  ") + shownWord(e.what);
    if (fields.forced)
        marks += QStringLiteral("  ") + shownWord(logging::words::word(logging::words::kForced));
    return QStringLiteral("%1 %2%3%4")
        .arg(timeOf(e.ms, day),
             by.isEmpty() ? QCoreApplication::translate("history", "(氏名なし)") : by,
             result.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(shownWord(result)), marks);
}

} // namespace

QList<std::pair<QString, QString>>
figureLines(const Figures &f, const basSubMain::SiteSettings &site, const QDate &day)
{
    QList<std::pair<QString, QString>> out;
    const QString interval = QString::number(f.intervalMs / 1000);
    auto speedAt = [&](int tenths, qint64 ms) {
        return tenths < 0 ? QStringLiteral("---")
                          : QStringLiteral("%1 m/s (%2)").arg(tenthsText(tenths), timeOf(ms, day));
    };
    // Whole minutes; a moment above a threshold is not written as none.
    auto minutes = [](qint64 ms) {
        return ms > 0 && ms < 30000
                   ? QCoreApplication::translate("history", "1 分未満")
                   : QCoreApplication::translate("history", "%1 分").arg(qRound(ms / 60000.0));
    };
    switch (f.basis) {
    case Basis::Live:
        out.append({QCoreApplication::translate("history", "数字の出所"),
                    QCoreApplication::translate("history", "現場の判定の記録 (10 秒ごと)")});
        break;
    case Basis::Rows:
        out.append({QCoreApplication::translate("history", "数字の出所"),
                    QCoreApplication::translate("history", "風速の記録値 (%1 秒ごと) から算出")
                        .arg(interval)});
        break;
    case Basis::Sampled:
        out.append({QCoreApplication::translate("history", "数字の出所"),
                    QCoreApplication::translate("history", "風速の記録値 (%1 秒ごと) のみ")
                        .arg(interval)});
        break;
    }
    out.append({QCoreApplication::translate("history", "最大瞬間風速"),
                speedAt(f.maxInstant, f.maxInstantMs) +
                    (f.instantSampled && f.maxInstant >= 0
                         ? QCoreApplication::translate("history", " 記録値 (%1 秒ごと) の最大")
                               .arg(interval)
                         : QString())});
    const QString meanName =
        QCoreApplication::translate("history", "最大%1分平均").arg(site.minutes);
    out.append(
        {meanName, f.notAvailable.isEmpty() ? speedAt(f.maxMean, f.maxMeanMs) : f.notAvailable});
    for (const Level &l : f.levels)
        out.append({l.name, minutes(l.ms)});
    if (f.basis == Basis::Sampled) {
        out.append({QCoreApplication::translate("history", "注意・作業中止・判定中の時間"),
                    f.notAvailable});
    } else {
        out.append({QCoreApplication::translate("history", "注意の時間"), minutes(f.cautionMs)});
        out.append({QCoreApplication::translate("history", "作業中止の時間"), minutes(f.stopMs)});
        out.append(
            {QCoreApplication::translate("history", "判定中の時間"), minutes(f.undecidedMs)});
    }
    if (f.stops.isEmpty())
        out.append({shownWord(QStringLiteral("作業中止")),
                    f.basis == Basis::Sampled && !f.eventsKnown
                        ? QCoreApplication::translate("history", "記録間隔 %1 秒では判定できません")
                              .arg(interval)
                        : QCoreApplication::translate("history", "なし")});
    for (const Period &p : f.stops)
        out.append(
            {shownWord(QStringLiteral("作業中止")),
             QCoreApplication::translate("history", "%1 〜 %2%3 (%4)")
                 .arg(timeOf(p.startMs, day), timeOf(p.endMs, day),
                      p.open ? QCoreApplication::translate("history", " 以降も継続") : QString(),
                      minutes(p.endMs - p.startMs))});
    // Each storm, and on a line of its own its inspection: who, when, with what result.
    auto answer = [&](const StormLine &s) {
        if (s.inspection)
            return inspectionText(*s.inspection, day);
        if (f.inspectionsUnknown)
            return QCoreApplication::translate("history", "点検の記録を読めません");
        return f.eventsKnown ? QCoreApplication::translate("history", "点検未了")
                             : QCoreApplication::translate("history", "点検の記録なし");
    };
    const QString inspected = QCoreApplication::translate("history", "　点検");
    // Each signature on a line of its own: the faults found first, then the answer.
    auto inspections = [&](const StormLine &s) {
        for (const EventRow &fault : s.faults)
            out.append({inspected, inspectionText(fault, day)});
        out.append({inspected, answer(s)});
    };
    if (f.carried) {
        out.append(
            {QCoreApplication::translate("history", "前日からの点検要"),
             f.carried->ms
                 ? QCoreApplication::translate("history", "暴風 %1").arg(timeOf(f.carried->ms, day))
                 : QCoreApplication::translate("history", "暴風 (時刻は記録外)")});
        inspections(*f.carried);
    }
    if (f.storms.isEmpty()) {
        const bool unknown = f.basis != Basis::Live && !f.eventsKnown && f.intervalMs > 1000;
        out.append(
            {QCoreApplication::translate("history", "暴風"),
             unknown ? QCoreApplication::translate(
                           "history", "記録値 (%1 秒ごと) には見られません。その間は判定できません")
                           .arg(interval)
                     : QCoreApplication::translate("history", "なし")});
    }
    for (const StormLine &st : f.storms) {
        out.append(
            {QCoreApplication::translate("history", "暴風"),
             QStringLiteral("%1 %2 m/s%3")
                 .arg(timeOf(st.ms, day), st.gust,
                      f.stormsFromSamples ? QCoreApplication::translate("history", " (記録値)")
                                          : QString())});
        inspections(st);
    }
    for (const StormLine &sc : f.scaffolds) {
        out.append({shownWord(QStringLiteral("足場点検要")), timeOf(sc.ms, day)});
        inspections(sc);
    }
    if (f.inspectionDue)
        out.append({QCoreApplication::translate("history", "記録終了時"),
                    QCoreApplication::translate("history", "点検未了")});
    out.append({QCoreApplication::translate("frmMain", "データなし"), minutes(f.missingMs)});
    if (f.unrecordedMs > 0)
        out.append({QCoreApplication::translate("history", "判定の記録なし"),
                    QCoreApplication::translate("history", "%1 (風速の記録から補いました)")
                        .arg(minutes(f.unrecordedMs))});
    const qint64 span = f.missingMs + f.receivingMs;
    out.append({QCoreApplication::translate("history", "データ率"),
                span > 0 ? QStringLiteral("%1 %").arg(
                               QLocale::c().toString(f.receivingMs * 100.0 / span, 'f', 1))
                         : QStringLiteral("---")});
    return out;
}

WindHistory::WindHistory(const basSubMain::SiteSettings &site) : m_site(site) {}

int WindHistory::windColumn() const
{
    return (m_mask & 2) || !(m_mask & 4) ? 0 : 1;
}

bool WindHistory::load(const QStringList &paths, const FileReader &read, QString *error,
                       const std::function<void(qint64, qint64)> &progress,
                       const std::atomic_bool *cancelled)
{
    m_rows.clear();
    m_events.clear();
    m_rule.clear();
    m_files.clear();
    m_mask = 0;
    struct Input {
        QString path;
        QByteArray bytes;
        QDateTime modified;
    };
    // One file in memory at a time; progress counts files, and the bytes of the one read.
    const qint64 total = qint64(paths.size()) * 1000;
    qint64 done = 0;
    auto readOne = [&](const Input &in, QString *why) {
        FileInfo info;
        const qint64 size = std::max<qint64>(1, in.bytes.size());
        Contents c;
        c.rows.swap(m_rows); // appended to where they are
        const size_t before = c.rows.size();
        const bool ok = readFile(in.path, in.bytes, in.modified, &info, &c, why, [&](qint64 at) {
            if (progress)
                progress(done + at * 1000 / size, total);
            return !(cancelled && cancelled->load());
        });
        c.rows.swap(m_rows);
        if (!ok) {
            m_rows.resize(before);
            return false;
        }
        m_events += c.events;
        m_rule.insert(m_rule.end(), c.rule.begin(), c.rule.end());
        for (size_t i = before; i < m_rows.size(); ++i)
            m_rows[i].holdMs = qint32(2 * info.intervalMs);
        m_mask |= info.mask;
        m_files.append(info);
        return true;
    };
    QSet<QString> seen;
    QStringList dataPaths;
    for (const QString &path : paths) {
        const QString key = QFileInfo(path).absoluteFilePath();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        if (cancelled && cancelled->load()) {
            *error = QCoreApplication::translate("history", "読み込みを取り消しました。");
            return false;
        }
        Input in{path, {}, {}};
        if (!read(path, &in.bytes, &in.modified, error) || !readOne(in, error))
            return false;
        if (m_files.last().kind == Kind::Data)
            dataPaths << in.path;
        done += 1000;
        if (progress)
            progress(done, total);
    }
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row &a, const Row &b) { return a.ms < b.ms; });
    // A file given twice under two names, or copied: the same row once.
    m_rows.erase(std::unique(m_rows.begin(), m_rows.end()), m_rows.end());
    if (!m_rows.empty())
        m_interval = std::min_element(m_files.begin(), m_files.end(),
                                      [](const FileInfo &a, const FileInfo &b) {
                                          return (a.kind == Kind::Data ? a.intervalMs : 1 << 30) <
                                                 (b.kind == Kind::Data ? b.intervalMs : 1 << 30);
                                      })
                         ->intervalMs;

    // The event logs and the rule's records beside the data logs, for the days they cover
    // and the days either side (a storm of the day before may be inspected on the day, or
    // the next); one that cannot be read is said, the data still shown.
    QList<QDate> covered = days();
    if (!covered.isEmpty())
        covered << covered.first().addDays(-1) << covered.last().addDays(1);
    for (const QString &path : dataPaths)
        for (const QString &events : eventFilesFor(path, covered)) {
            const QString key = QFileInfo(events).absoluteFilePath();
            if (seen.contains(key) || !QFileInfo::exists(events))
                continue;
            seen.insert(key);
            Input in{events, {}, {}};
            QString why;
            if (!read(events, &in.bytes, &in.modified, &why) || !readOne(in, &why)) {
                FileInfo info;
                info.path = events;
                info.kind = events.contains(QStringLiteral("_rule_")) ? Kind::Rule : Kind::Events;
                info.unreadable = true;
                info.warnings << why;
                m_files.append(info);
            }
        }
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const EventRow &a, const EventRow &b) { return a.ms < b.ms; });
    m_events.erase(std::unique(m_events.begin(), m_events.end()), m_events.end());
    std::stable_sort(m_rule.begin(), m_rule.end(),
                     [](const RuleRow &a, const RuleRow &b) { return a.ms < b.ms; });
    m_rule.erase(std::unique(m_rule.begin(), m_rule.end()), m_rule.end());
    runRule();
    // The record spans the rows and, on their days, the rule's own record: the window's
    // whole view and the day's sheet count the same seconds.
    m_firstMs = m_rows.empty() ? 0 : m_rows.front().ms;
    m_lastMs = m_rows.empty() ? 0 : m_rows.back().ms;
    if (!m_rows.empty()) {
        const QList<QDate> held = days();
        const qint64 from = QDateTime(held.first(), QTime(0, 0)).toMSecsSinceEpoch(),
                     to = QDateTime(held.last().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
        for (const RuleRow &r : m_rule) {
            if (r.ms < from || r.ms >= to || r.seconds <= 0)
                continue;
            const qint64 seconds = std::min<qint64>(10, r.seconds) * 1000;
            m_firstMs = std::min(m_firstMs, r.ms + 10000 - seconds);
            m_lastMs = std::max(m_lastMs, r.ms + seconds);
        }
    }
    return true;
}

QList<QDate> WindHistory::days() const
{
    QList<QDate> out;
    qint64 nextMidnight = std::numeric_limits<qint64>::min();
    for (const Row &r : m_rows) {
        if (r.ms < nextMidnight)
            continue;
        const QDate d = QDateTime::fromMSecsSinceEpoch(r.ms).date();
        out.append(d);
        nextMidnight = QDateTime(d.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    }
    return out;
}

void WindHistory::runRule()
{
    m_mean.assign(m_rows.size(), -1);
    m_work.assign(m_rows.size(), site::Work::Undecided);
    m_stops.clear();
    m_storms.clear();
    m_ruleEvents.clear();
    // The live rule's own units and thresholds, over the rows.
    site::RollingMean mean(qint64(m_site.minutes) * 60000);
    site::WorkRule rule;
    rule.setThresholds(basSubMain::ruleThresholds(m_site));
    const bool meanSupported = supportsMean();
    const int column = windColumn();
    bool linked = false;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const Row &r = m_rows[i];
        const int wind = r.tenths[size_t(column)];
        auto note = [&](const QString &what, const site::Stats &st) {
            m_ruleEvents.append({r.ms,
                                 what,
                                 tenthsText(st.meanTenths),
                                 tenthsText(st.gustTenths),
                                 tenthsText(wind),
                                 {}});
        };
        if (r.gap || wind < 0) {
            m_work[i] = rule.work();
            mean.gap(r.ms);
            if (std::exchange(linked, false))
                note(logging::words::word(logging::words::kLinkLost), site::Stats{});
            continue;
        }
        if (!std::exchange(linked, true) && i > 0)
            note(logging::words::word(logging::words::kLinkBack), site::Stats{});
        mean.setHold(r.holdMs > 0 ? r.holdMs : site::RollingMean::kHoldMs);
        mean.frame(r.ms, wind);
        QList<site::Change> changes = rule.frame(r.ms, wind);
        const site::Stats st = mean.at(r.ms);
        // Rows too far apart give no mean: the rule decides nothing on them.
        if (meanSupported) {
            m_mean[i] = qint16(st.meanTenths);
            changes += rule.update(r.ms, st);
        }
        m_work[i] = rule.work();
        for (site::Change c : changes) {
            note(site::changeCaption(c), st);
            if (c == site::Change::StopBegins)
                m_stops.append({r.ms, r.ms, true});
            else if (c == site::Change::StopEnds && !m_stops.isEmpty())
                m_stops.last() = {m_stops.last().startMs, r.ms, false};
            else if (c == site::Change::Storm)
                m_storms.append({r.ms, tenthsText(wind), {}, {}});
        }
        if (!m_stops.isEmpty() && m_stops.last().open)
            m_stops.last().endMs = r.ms;
    }
}

bool WindHistory::supportsMean() const
{
    // The mean needs at least sixty samples in its window (one every ten seconds of a
    // ten-minute window): fewer give a mean of chance.
    return m_interval * 60 <= qint64(m_site.minutes) * 60000;
}

size_t WindHistory::lowerBound(qint64 ms) const
{
    return size_t(std::lower_bound(m_rows.begin(), m_rows.end(), ms,
                                   [](const Row &r, qint64 t) { return r.ms < t; }) -
                  m_rows.begin());
}

qint64 WindHistory::covered(size_t i) const
{
    const Row &r = m_rows[i];
    if (r.gap || r.tenths[size_t(windColumn())] < 0)
        return 0;
    const qint64 hold = r.holdMs > 0 ? r.holdMs : 2 * m_interval;
    if (i + 1 == m_rows.size())
        return hold / 2;
    return std::min(hold, m_rows[i + 1].ms - r.ms);
}

Figures WindHistory::figures(qint64 fromMs, qint64 toMs) const
{
    Figures f;
    if (m_rows.empty())
        return f;
    f.fromMs = std::max(fromMs, firstMs());
    f.toMs = std::min(toMs, lastMs());
    if (f.toMs < f.fromMs)
        f.toMs = f.fromMs;
    f.intervalMs = m_interval;
    // The live rule's record, where it covers the span, is what was decided; the rows are
    // samples of it.
    const auto inSpan = [&](const RuleRow &r) { return r.ms >= fromMs && r.ms <= toMs; };
    QList<StormLine> unrecorded;
    if (std::any_of(m_rule.begin(), m_rule.end(), inSpan)) {
        f.basis = Basis::Live;
        liveFigures(&f, fromMs, toMs);
        unrecorded = unrecordedFigures(&f, fromMs, toMs);
    } else {
        f.basis = m_interval * 60 <= qint64(m_site.minutes) * 60000 ? Basis::Rows : Basis::Sampled;
        rowFigures(&f);
    }
    eventFigures(&f, fromMs, toMs);
    // A storm the rows show where neither record has it (their writes failed) is one.
    const qint64 hold = std::max<qint64>(600000, qint64(m_site.holdMinutes) * 60000);
    for (const StormLine &st : unrecorded)
        if (std::none_of(f.storms.begin(), f.storms.end(), [&](const StormLine &known) {
                return std::abs(known.ms - st.ms) <= hold;
            }))
            f.storms.append(st);
    std::sort(f.storms.begin(), f.storms.end(),
              [](const StormLine &a, const StormLine &b) { return a.ms < b.ms; });
    // The highest gust is never below a storm's: one source for both on the page.
    for (const StormLine &st : f.storms) {
        bool ok = false;
        const int tenths = qRound(st.gust.toDouble(&ok) * 10);
        if (ok && tenths > f.maxInstant) {
            f.maxInstant = tenths;
            f.maxInstantMs = st.ms;
            f.instantSampled = false;
        }
    }
    recordNotes(&f, fromMs, toMs);
    return f;
}

void WindHistory::liveFigures(Figures *f, qint64 fromMs, qint64 toMs) const
{
    constexpr qint64 rowMs = 10000;
    qint64 first = -1, end = 0, seconds = 0;
    for (const RuleRow &r : m_rule) {
        if (r.ms < fromMs || r.ms > toMs)
            continue;
        // The first row's counted seconds end at its end, the last row's begin at its
        // start: a program started or ended within a row is not missing data.
        if (first < 0)
            first = r.ms + rowMs - std::min<qint64>(rowMs, r.seconds * 1000LL);
        end = r.ms + std::min<qint64>(rowMs, r.seconds * 1000LL);
        seconds += r.seconds;
        f->receivingMs += r.receiving * 1000LL;
        f->cautionMs += r.caution * 1000LL;
        f->stopMs += r.stop * 1000LL;
        f->undecidedMs += r.undecided * 1000LL;
        if (r.gust > f->maxInstant)
            f->maxInstant = r.gust, f->maxInstantMs = r.gustMs;
        // Without its event log, the record's gusts still show each storm.
        if (r.gust > m_site.storm &&
            (f->storms.isEmpty() ||
             r.gustMs - f->storms.last().ms > qint64(m_site.holdMinutes) * 60000))
            f->storms.append({r.gustMs, tenthsText(r.gust), {}, {}});
        if (r.mean > f->maxMean)
            f->maxMean = r.mean, f->maxMeanMs = r.meanMs;
    }
    f->fromMs = first;
    f->toMs = std::min(end, toMs);
    // Time the rule did not count (the program not running) has no data either.
    f->missingMs = std::max<qint64>(0, end - first - f->receivingMs);
    // The latch at the span's start, as the rule held it at the end of the row before; a
    // record's first row tells it only when no storm of its own latched it.
    auto firstIn = std::find_if(m_rule.begin(), m_rule.end(),
                                [&](const RuleRow &r) { return r.ms >= fromMs; });
    if (firstIn != m_rule.end() &&
        (firstIn != m_rule.begin() ? std::prev(firstIn)->latched
                                   : firstIn->latched && firstIn->gust <= m_site.storm))
        f->carried = StormLine{}; // its storm filled in from the events, where they hold it
    auto lastIn = std::find_if(m_rule.rbegin(), m_rule.rend(),
                               [&](const RuleRow &r) { return r.ms <= toMs; });
    f->inspectionDue = lastIn != m_rule.rend() && lastIn->latched;
}

QList<StormLine> WindHistory::unrecordedFigures(Figures *f, qint64 fromMs, qint64 toMs) const
{
    QList<StormLine> storms;
    constexpr qint64 rowMs = 10000;
    const int peakColumn = (m_mask & 4) ? 1 : windColumn();
    auto rowsIn = [&](qint64 from, qint64 to, bool inside) {
        for (size_t i = lowerBound(from); i < m_rows.size() && m_rows[i].ms < to; ++i) {
            const qint64 d = std::min(covered(i), to - m_rows[i].ms);
            if (d <= 0)
                continue;
            f->unrecordedMs += d;
            f->receivingMs += d;
            if (inside)
                f->missingMs = std::max<qint64>(0, f->missingMs - d);
            const int peak = m_rows[i].tenths[size_t(peakColumn)];
            if (peak > f->maxInstant)
                f->maxInstant = peak, f->maxInstantMs = m_rows[i].ms;
            if (peak > m_site.storm && (storms.isEmpty() || m_rows[i].ms - storms.last().ms >
                                                                qint64(m_site.holdMinutes) * 60000))
                storms.append({m_rows[i].ms, tenthsText(peak), {}, {}});
        }
    };
    const RuleRow *last = nullptr;
    for (const RuleRow &r : m_rule) {
        if (r.ms < fromMs || r.ms > toMs)
            continue;
        if (last && r.ms - last->ms > rowMs)
            rowsIn(last->ms + rowMs, r.ms, true);
        last = &r;
    }
    // Rows after the record's last row: the record stopped while the log went on.
    if (last && !m_rows.empty() && m_rows.back().ms > last->ms + 2 * rowMs) {
        const qint64 end = std::min(toMs, m_rows.back().ms + 1);
        rowsIn(last->ms + rowMs, end, false);
        f->toMs = std::max(f->toMs, std::min(toMs, m_rows.back().ms));
    }
    return storms;
}

void WindHistory::rowFigures(Figures *f) const
{
    const bool sampled = f->basis == Basis::Sampled;
    if (!m_site.enabled && !sampled)
        f->levels = {{QCoreApplication::translate("history", "瞬間風速 10.0 m/s 以上"), 100, false,
                      false, 0},
                     {QCoreApplication::translate("history", "瞬間風速 30.0 m/s をこえる"), 300,
                      false, true, 0}};
    if (sampled)
        f->notAvailable = QCoreApplication::translate("history", "記録間隔 %1 秒では算出できません")
                              .arg(m_interval / 1000);
    // Rows further apart than the meter's frames are samples: the meter's own highest
    // (瞬間最大風速), where the log has it, is the better of them.
    f->instantSampled = m_interval > 1000;
    const int column = windColumn();
    const int peakColumn = f->instantSampled && (m_mask & 4) ? 1 : column;
    qint64 coveredMs = 0;
    size_t i = lowerBound(f->fromMs);
    if (i > 0)
        --i; // the row before the span may hold into it
    for (; i < m_rows.size() && m_rows[i].ms <= f->toMs; ++i) {
        const Row &r = m_rows[i];
        const qint64 from = std::max(r.ms, f->fromMs);
        const qint64 to = std::min(r.ms + covered(i), f->toMs);
        const qint64 d = std::max<qint64>(0, to - from);
        coveredMs += d;
        if (r.ms < f->fromMs)
            continue;
        const int wind = r.tenths[size_t(column)];
        const int peak = r.tenths[size_t(peakColumn)];
        if (peak > f->maxInstant) {
            f->maxInstant = peak;
            f->maxInstantMs = r.ms;
        }
        // Storms seen in samples are storms; what blew between them is not known.
        if (f->instantSampled && peak > m_site.storm &&
            (f->storms.isEmpty() ||
             r.ms - f->storms.last().ms > qint64(m_site.holdMinutes) * 60000))
            f->storms.append({r.ms, tenthsText(peak), {}, {}});
        if (sampled)
            continue;
        if (m_mean[i] > f->maxMean) {
            f->maxMean = m_mean[i];
            f->maxMeanMs = r.ms;
        }
        for (Level &l : f->levels)
            if (l.strict ? wind > l.tenths : wind >= l.tenths)
                l.ms += d;
        if (d > 0)
            switch (m_work[i]) {
            case site::Work::Caution: f->cautionMs += d; break;
            case site::Work::Stop: f->stopMs += d; break;
            case site::Work::Undecided: f->undecidedMs += d; break;
            case site::Work::Normal: break;
            }
    }
    f->receivingMs = coveredMs;
    f->missingMs = std::max<qint64>(0, (f->toMs - f->fromMs) - coveredMs);
    f->stormsFromSamples = f->instantSampled;
    if (sampled)
        return;
    for (const Period &p : m_stops)
        if (p.endMs >= f->fromMs && p.startMs <= f->toMs)
            f->stops.append(p);
    if (!f->instantSampled)
        for (const StormLine &st : m_storms)
            if (st.ms >= f->fromMs && st.ms <= f->toMs)
                f->storms.append(st);
}

void WindHistory::eventFigures(Figures *f, qint64 fromMs, qint64 toMs) const
{
    // The event log, where there is one, gives each stop and storm its one time.
    if (m_events.isEmpty())
        return;
    f->eventsKnown = true;
    f->stops.clear();
    f->storms.clear();
    f->stormsFromSamples = false;
    const QString stopBegins = site::changeCaption(site::Change::StopBegins),
                  storm = site::changeCaption(site::Change::Storm),
                  scaffold = site::changeCaption(site::Change::Scaffold),
                  acknowledged = site::changeCaption(site::Change::Acknowledged),
                  outOfService = site::changeCaption(site::Change::OutOfService);
    // Which latch a signature answers: the scaffolds' says so in its detail.
    auto forScaffold = [](const EventRow &e) {
        return logging::words::readInspectionDetail(e.detail).scaffold;
    };
    const QStringList leaveStop{
        site::changeCaption(site::Change::StopEnds), QString::fromUtf16(site::kOldStopEndsCaption),
        site::changeCaption(site::Change::Normal), site::changeCaption(site::Change::Caution),
        site::changeCaption(site::Change::Undecided)};
    qint64 stopStart = -1; // the stop that runs, since when
    // Per latch, the causes not yet answered by a pass; the lines shown of the span.
    struct Latch {
        QList<StormLine> open;
        QList<StormLine> *shown;
        std::optional<StormLine> carried;
    } crane{{}, &f->storms, {}}, scaffolds{{}, &f->scaffolds, {}};
    const bool latchedAtStart = f->carried.has_value();
    f->carried.reset();
    auto closeStop = [&](qint64 ms, bool stillOpen) {
        if (stopStart >= 0 && ms >= fromMs && stopStart <= toMs)
            f->stops.append({stopStart, ms, stillOpen});
        stopStart = -1;
    };
    // A signature: a fault is shown with its cause, which stays due until a pass.
    auto sign = [&](Latch &l, const EventRow &e) {
        auto answer = [&](StormLine &line) {
            if (line.inspection && line.inspection->what == outOfService)
                line.faults.append(*line.inspection);
            line.inspection = e;
        };
        if (l.carried && (!l.carried->inspection || l.carried->inspection->what == outOfService))
            answer(*l.carried);
        for (const StormLine &st : l.open)
            for (StormLine &line : *l.shown)
                if (line.ms == st.ms)
                    answer(line);
        if (e.what == acknowledged)
            l.open.clear();
    };
    for (const EventRow &e : m_events) {
        if (e.ms > toMs)
            break;
        for (Latch *l : {&crane, &scaffolds})
            if (e.ms >= fromMs && !l->carried && !l->open.isEmpty() && l->open.first().ms < fromMs)
                l->carried = l->open.first(); // due since before the span
        if (e.what == stopBegins) {
            if (stopStart < 0)
                stopStart = e.ms;
        } else if (leaveStop.contains(e.what)) {
            closeStop(e.ms, false);
        } else if (e.what == storm || e.what == scaffold) {
            Latch &l = e.what == storm ? crane : scaffolds;
            l.open.append({e.ms, e.gust, {}, {}});
            if (e.ms >= fromMs)
                l.shown->append(l.open.last());
        } else if (e.what == acknowledged || e.what == outOfService) {
            sign(forScaffold(e) ? scaffolds : crane, e);
        }
    }
    for (Latch *l : {&crane, &scaffolds})
        if (!l->carried && !l->open.isEmpty() && l->open.first().ms < fromMs)
            l->carried = l->open.first();
    closeStop(f->toMs, true);
    // Signatures after the span answer its causes too: the sheet says when.
    for (Latch *l : {&crane, &scaffolds})
        for (const EventRow &e : m_events) {
            if (e.ms <= toMs || e.what != acknowledged || forScaffold(e) != (l == &scaffolds))
                continue;
            for (StormLine &line : *l->shown)
                if (!line.inspection)
                    line.inspection = e;
            if (l->carried && !l->carried->inspection)
                l->carried->inspection = e;
            break;
        }
    if (crane.carried)
        f->carried = crane.carried;
    else if (latchedAtStart)
        f->carried = StormLine{}; // latched with no storm in the events (a damaged state file)
    // A scaffold inspection due since before the span is listed first.
    if (scaffolds.carried)
        f->scaffolds.prepend(*scaffolds.carried);
    f->inspectionDue = f->inspectionDue || !crane.open.isEmpty();
}

void WindHistory::recordNotes(Figures *f, qint64 fromMs, qint64 toMs) const
{
    // The records of the span's days: what of them could not be read, and a day of the
    // rule's record without its event log.
    const QDate first = QDateTime::fromMSecsSinceEpoch(fromMs).date(),
                last = QDateTime::fromMSecsSinceEpoch(toMs).date();
    static const QRegularExpression stamp(QStringLiteral("_(\\d{8})\\.csv$"));
    QSet<QDate> eventDays;
    QMap<QDate, QString> ruleDays;
    for (const FileInfo &fi : m_files) {
        if (fi.kind == Kind::Data)
            continue;
        const QRegularExpressionMatch m = stamp.match(fi.path);
        const QDate d =
            m.hasMatch() ? QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")) : QDate();
        if (d.isValid() && (d < first || d > last))
            continue;
        if (fi.kind == Kind::Events) {
            eventDays.insert(d);
            f->inspectionsUnknown = f->inspectionsUnknown || fi.unreadable || fi.skipped > 0;
        } else if (!fi.unreadable) {
            ruleDays.insert(d, fi.path);
        }
        const QString name = QFileInfo(fi.path).fileName();
        for (const QString &w : fi.warnings) {
            const QString note = w.contains(name) ? w : name + QStringLiteral(": ") + w;
            if (!f->notes.contains(note))
                f->notes << note;
        }
    }
    for (auto it = ruleDays.cbegin(); it != ruleDays.cend(); ++it)
        if (!eventDays.contains(it.key())) {
            QString events = QFileInfo(it.value()).fileName();
            events.replace(QStringLiteral("_rule_"), QStringLiteral("_events_"));
            f->notes << QCoreApplication::translate(
                            "history",
                            "イベント記録「%1」が見つかりません。点検の記録は読めません。")
                            .arg(events);
            f->inspectionsUnknown = true;
        }
}

QList<EventRow> WindHistory::eventsIn(qint64 fromMs, qint64 toMs, bool *computed) const
{
    const QList<EventRow> &source = m_events.isEmpty() ? m_ruleEvents : m_events;
    if (computed)
        *computed = m_events.isEmpty();
    QList<EventRow> out;
    for (const EventRow &e : source)
        if (e.ms >= fromMs && e.ms <= toMs)
            out.append(e);
    return out;
}

QList<meterlink::Bucket> WindHistory::buckets(qint64 fromMs, qint64 toMs, qint64 bucketMs) const
{
    QList<meterlink::Bucket> out;
    qint64 current = std::numeric_limits<qint64>::min();
    bool pendingBreak = false;
    qint64 lastMs = 0;
    for (size_t i = lowerBound(fromMs); i < m_rows.size() && m_rows[i].ms <= toMs; ++i) {
        const Row &r = m_rows[i];
        if (r.gap) {
            pendingBreak = true;
            continue;
        }
        const qint64 hold = r.holdMs > 0 ? r.holdMs : 2 * m_interval;
        if (lastMs && r.ms - lastMs > std::max<qint64>(hold, 2500))
            pendingBreak = true;
        lastMs = r.ms;
        const qint64 key = r.ms / bucketMs;
        if (key != current || pendingBreak) {
            meterlink::Bucket b;
            b.ms = key * bucketMs + bucketMs / 2;
            b.breakBefore = pendingBreak;
            out.append(b);
            current = key;
            pendingBreak = false;
        }
        meterlink::Bucket &b = out.last();
        for (size_t k = 0; k < 4; ++k)
            b.value[k] = std::max(b.value[k], std::max<int>(0, r.tenths[k]) / 10.0);
    }
    mergeRuleGusts(&out, fromMs, toMs, bucketMs);
    return out;
}

void WindHistory::mergeRuleGusts(QList<meterlink::Bucket> *out, qint64 fromMs, qint64 toMs,
                                 qint64 bucketMs) const
{
    // The rule's record holds the highest of every frame, the rows only samples: each
    // slot's instantaneous line takes the higher, so a storm shows above its line. A slot
    // without rows has that one reading (the others not known: NaN, drawn as no line).
    const size_t column = size_t(windColumn());
    const double unknown = std::numeric_limits<double>::quiet_NaN();
    qint64 lastRuleMs = 0;
    for (auto it = std::lower_bound(m_rule.begin(), m_rule.end(), fromMs,
                                    [](const RuleRow &r, qint64 t) { return r.ms < t; });
         it != m_rule.end() && it->ms <= toMs; ++it) {
        if (it->gust < 0) {
            lastRuleMs = 0;
            continue;
        }
        const qint64 middle = (it->gustMs / bucketMs) * bucketMs + bucketMs / 2;
        const auto at =
            std::lower_bound(out->begin(), out->end(), middle,
                             [](const meterlink::Bucket &b, qint64 ms) { return b.ms < ms; });
        if (at != out->end() && at->ms == middle) {
            at->value[column] = std::max(at->value[column], it->gust / 10.0);
        } else {
            meterlink::Bucket b;
            b.ms = middle;
            b.value.fill(unknown);
            b.value[column] = it->gust / 10.0;
            b.breakBefore = !lastRuleMs || it->ms - lastRuleMs > 2 * kRuleRowMs;
            out->insert(at, b);
        }
        lastRuleMs = it->ms;
    }
}

QList<QList<QPointF>> WindHistory::meanLine(qint64 fromMs, qint64 toMs, qint64 bucketMs) const
{
    QList<QList<QPointF>> out;
    qint64 current = std::numeric_limits<qint64>::min();
    bool cut = true;
    auto add = [&](qint64 ms, int mean) {
        if (mean < 0) {
            cut = true;
            return;
        }
        const qint64 key = ms / bucketMs;
        if (cut)
            out.append(QList<QPointF>());
        if (cut || key != current)
            out.last().append(QPointF(double(key * bucketMs + bucketMs / 2), 0));
        cut = false;
        current = key;
        QPointF &p = out.last().last();
        p.setY(std::max(p.y(), mean / 10.0));
    };
    // The live rule's mean where its record covers the span, as decided; otherwise the
    // rule's over the rows, where they are close enough to give one.
    const auto first = std::lower_bound(m_rule.begin(), m_rule.end(), fromMs,
                                        [](const RuleRow &r, qint64 t) { return r.ms < t; });
    if (first != m_rule.end() && first->ms <= toMs) {
        qint64 last = 0;
        for (auto it = first; it != m_rule.end() && it->ms <= toMs; ++it) {
            if (last && it->ms - last > 10000)
                cut = true; // the program was not running
            last = it->ms;
            add(it->ms, it->mean);
        }
        return out;
    }
    for (size_t i = lowerBound(fromMs); i < m_rows.size() && m_rows[i].ms <= toMs; ++i)
        add(m_rows[i].ms, m_mean[i]);
    return out;
}

QByteArray WindHistory::exportCsv(qint64 fromMs, qint64 toMs) const
{
    // The rows' times are known (or estimated) whatever the files had: the date column
    // goes in always.
    const int mask = m_mask | 1;
    const QLocale locale = QLocale::system();
    const QString dateFormat = logging::rowDateFormat(locale),
                  timeFormat = logging::rowTimeFormat(locale);
    QString text = logging::headerLine(mask);
    for (size_t i = lowerBound(fromMs); i < m_rows.size() && m_rows[i].ms <= toMs; ++i) {
        const Row &r = m_rows[i];
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(r.ms);
        std::array<QString, 4> values;
        for (size_t k = 0; k < 4; ++k)
            values[k] = r.gap ? QString() : tenthsText(r.tenths[k]);
        text += logging::rowLine(mask, locale.toString(t.date(), dateFormat),
                                 locale.toString(t.time(), timeFormat), values);
    }
    return logging::toCp932(text);
}

} // namespace history
