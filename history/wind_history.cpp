#include "history/wind_history.h"

#include "logging/csv_format.h"
#include "site/wind_rule.h"

#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace history {

namespace {

QString tenthsText(int tenths)
{
    return tenths < 0 ? QString() : basSubMain::speedText(tenths);
}

} // namespace

QString timeOf(qint64 ms, const QDate &day)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    const QString time = t.toString(QStringLiteral("H:mm:ss"));
    return t.date() == day ? time : t.toString(QStringLiteral("M/d ")) + time;
}

QString eventText(const EventRow &e)
{
    if (e.detail.isEmpty())
        return e.what;
    QStringList parts;
    for (const QString &field : e.detail.split(QLatin1Char(';'))) {
        const qsizetype eq = field.indexOf(QLatin1Char('='));
        parts << (eq < 0 ? field : field.mid(eq + 1));
    }
    return QStringLiteral("%1 (%2)").arg(e.what, parts.join(QStringLiteral("、")));
}

QString ruleLine(const basSubMain::SiteSettings &site)
{
    return QStringLiteral(
               "平均 %1 分、注意 %2 m/s 以上、作業中止 %3 m/s 以上、暴風 %4 m/s をこえる、"
               "解除まで %5 分%6")
        .arg(site.minutes)
        .arg(tenthsText(site.caution), tenthsText(site.stop), tenthsText(site.storm))
        .arg(site.holdMinutes)
        .arg(site.enabled ? QString() : QStringLiteral(" (既定値)"));
}

QList<std::pair<QString, QString>>
figureLines(const Figures &f, const basSubMain::SiteSettings &site, const QDate &day)
{
    QList<std::pair<QString, QString>> out;
    auto speedAt = [&](int tenths, qint64 ms) {
        return tenths < 0 ? QStringLiteral("---")
                          : QStringLiteral("%1 m/s (%2)").arg(tenthsText(tenths), timeOf(ms, day));
    };
    // Whole minutes; a moment above a threshold is not written as none.
    auto minutes = [](qint64 ms) {
        return ms > 0 && ms < 30000 ? QStringLiteral("1 分未満")
                                    : QStringLiteral("%1 分").arg(qRound(ms / 60000.0));
    };
    out.append({QStringLiteral("最大瞬間風速"), speedAt(f.maxInstant, f.maxInstantMs)});
    out.append({QStringLiteral("最大%1分平均").arg(site.minutes), speedAt(f.maxMean, f.maxMeanMs)});
    for (const Level &l : f.levels)
        out.append({l.name, minutes(l.ms)});
    if (f.stops.isEmpty())
        out.append({QStringLiteral("作業中止"), QStringLiteral("なし")});
    for (const Period &p : f.stops)
        out.append({QStringLiteral("作業中止"),
                    QStringLiteral("%1 〜 %2%3 (%4)")
                        .arg(timeOf(p.startMs, day), timeOf(p.endMs, day),
                             p.open ? QStringLiteral(" 記録終了時も継続") : QString(),
                             minutes(p.endMs - p.startMs))});
    QStringList storms;
    for (qint64 ms : f.storms)
        storms << timeOf(ms, day);
    out.append({QStringLiteral("暴風"), storms.isEmpty()
                                            ? QStringLiteral("なし")
                                            : QStringLiteral("%1 回 (%2)")
                                                  .arg(storms.size())
                                                  .arg(storms.join(QStringLiteral("、")))});
    out.append({QStringLiteral("データなし"), minutes(f.missingMs)});
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
        const size_t before = m_rows.size();
        const qint64 size = std::max<qint64>(1, in.bytes.size());
        const bool ok = readFile(in.path, in.bytes, in.modified, &info, &m_rows, &m_events, why,
                                 [&](qint64 at) {
                                     if (progress)
                                         progress(done + at * 1000 / size, total);
                                     return !(cancelled && cancelled->load());
                                 });
        if (!ok)
            return false;
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
            *error = QStringLiteral("読み込みを取り消しました。");
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

    // The event logs beside the data logs, for the days they cover; one that cannot be
    // read is said, the data still shown.
    const QList<QDate> covered = days();
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
                info.kind = Kind::Events;
                info.warnings << why;
                m_files.append(info);
            }
        }
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const EventRow &a, const EventRow &b) { return a.ms < b.ms; });
    m_events.erase(std::unique(m_events.begin(), m_events.end()), m_events.end());
    runRule();
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
    m_stops.clear();
    m_storms.clear();
    m_ruleEvents.clear();
    site::RollingMean mean(qint64(m_site.minutes) * 60000);
    site::WorkRule rule;
    rule.setThresholds(
        {m_site.caution, m_site.stop, m_site.storm, qint64(m_site.holdMinutes) * 60000});
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
            mean.gap(r.ms);
            if (std::exchange(linked, false))
                note(QStringLiteral("通信途絶"), site::Stats{});
            continue;
        }
        if (!std::exchange(linked, true) && i > 0)
            note(QStringLiteral("通信回復"), site::Stats{});
        mean.setHold(r.holdMs > 0 ? r.holdMs : site::RollingMean::kHoldMs);
        mean.frame(r.ms, wind);
        QList<site::Change> changes = rule.frame(r.ms, wind);
        const site::Stats st = mean.at(r.ms);
        m_mean[i] = qint16(st.meanTenths);
        changes += rule.update(r.ms, st);
        for (site::Change c : changes) {
            note(site::changeCaption(c), st);
            if (c == site::Change::StopBegins)
                m_stops.append({r.ms, r.ms, true});
            else if (c == site::Change::StopEnds && !m_stops.isEmpty())
                m_stops.last() = {m_stops.last().startMs, r.ms, false};
            else if (c == site::Change::Storm)
                m_storms.append(r.ms);
        }
        if (!m_stops.isEmpty() && m_stops.last().open)
            m_stops.last().endMs = r.ms;
    }
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
    if (m_site.enabled) {
        const QString mean = QStringLiteral("%1分平均 %2 m/s 以上").arg(m_site.minutes);
        f.levels = {{mean.arg(tenthsText(m_site.caution)), m_site.caution, true, false, 0},
                    {mean.arg(tenthsText(m_site.stop)), m_site.stop, true, false, 0},
                    {QStringLiteral("瞬間風速 %1 m/s をこえる").arg(tenthsText(m_site.storm)),
                     m_site.storm, false, true, 0}};
    } else {
        f.levels = {{QStringLiteral("瞬間風速 10.0 m/s 以上"), 100, false, false, 0},
                    {QStringLiteral("瞬間風速 30.0 m/s をこえる"), 300, false, true, 0}};
    }
    const int column = windColumn();
    qint64 coveredMs = 0;
    size_t i = lowerBound(f.fromMs);
    if (i > 0)
        --i; // the row before the span may hold into it
    for (; i < m_rows.size() && m_rows[i].ms <= f.toMs; ++i) {
        const Row &r = m_rows[i];
        const qint64 from = std::max(r.ms, f.fromMs);
        const qint64 to = std::min(r.ms + covered(i), f.toMs);
        const qint64 d = std::max<qint64>(0, to - from);
        coveredMs += d;
        if (r.ms < f.fromMs)
            continue;
        const int wind = r.tenths[size_t(column)];
        if (wind > f.maxInstant) {
            f.maxInstant = wind;
            f.maxInstantMs = r.ms;
        }
        if (m_mean[i] > f.maxMean) {
            f.maxMean = m_mean[i];
            f.maxMeanMs = r.ms;
        }
        for (Level &l : f.levels) {
            const int v = l.onMean ? m_mean[i] : wind;
            if (l.strict ? v > l.tenths : v >= l.tenths)
                l.ms += d;
        }
    }
    f.missingMs = std::max<qint64>(0, (f.toMs - f.fromMs) - coveredMs);
    for (const Period &p : m_stops)
        if (p.endMs >= f.fromMs && p.startMs <= f.toMs)
            f.stops.append(p);
    for (qint64 s : m_storms)
        if (s >= f.fromMs && s <= f.toMs)
            f.storms.append(s);
    return f;
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
    return out;
}

QList<QList<QPointF>> WindHistory::meanLine(qint64 fromMs, qint64 toMs, qint64 bucketMs) const
{
    QList<QList<QPointF>> out;
    qint64 current = std::numeric_limits<qint64>::min();
    bool cut = true;
    for (size_t i = lowerBound(fromMs); i < m_rows.size() && m_rows[i].ms <= toMs; ++i) {
        if (m_mean[i] < 0) {
            cut = true;
            continue;
        }
        const qint64 key = m_rows[i].ms / bucketMs;
        if (cut)
            out.append(QList<QPointF>());
        if (cut || key != current)
            out.last().append(QPointF(double(key * bucketMs + bucketMs / 2), 0));
        cut = false;
        current = key;
        QPointF &p = out.last().last();
        p.setY(std::max(p.y(), m_mean[i] / 10.0));
    }
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
