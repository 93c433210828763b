#include "site/wind_rule.h"

#include <QDateTime>
#include <algorithm>

namespace site {

QString workName(Work work)
{
    switch (work) {
    case Work::Caution: return QStringLiteral("caution");
    case Work::Stop: return QStringLiteral("stop");
    case Work::Normal: break;
    }
    return QStringLiteral("normal");
}

QString caption(Work work, bool latched)
{
    if (latched)
        return QStringLiteral("点検要");
    switch (work) {
    case Work::Caution: return QStringLiteral("注意");
    case Work::Stop: return QStringLiteral("作業中止");
    case Work::Normal: break;
    }
    return QStringLiteral("通常");
}

QString changeCaption(Change change)
{
    switch (change) {
    case Change::Caution: return QStringLiteral("注意");
    case Change::StopBegins: return QStringLiteral("作業中止");
    case Change::StopEnds: return QStringLiteral("作業中止解除");
    case Change::Normal: return QStringLiteral("通常");
    case Change::Storm: return QStringLiteral("暴風 点検要");
    case Change::Acknowledged: break;
    }
    return QStringLiteral("点検確認");
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
    if (s.valid)
        s.meanTenths = int((weighted + covered / 2) / covered);
    return s;
}

// ---- the work state

QList<Change> WorkRule::frame(qint64 ms, int tenths)
{
    if (tenths < m_t.storm)
        return {};
    // A storm that follows a calm of the hold's length is a new storm, latched or not.
    const bool storm = !latched() || ms - m_lastStormMs >= m_t.holdMs;
    m_lastStormMs = ms;
    if (!storm)
        return {};
    if (!latched())
        m_latchedMs = ms;
    return {Change::Storm};
}

QList<Change> WorkRule::update(qint64 ms, const Stats &stats)
{
    if (!stats.valid) {
        m_belowStop.reset();
        m_belowCaution.reset();
        return {};
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
    Work next;
    if (mean >= m_t.stop || (m_work == Work::Stop && !leaveStop))
        next = Work::Stop;
    else if (mean >= m_t.caution || (m_work != Work::Normal && !leaveCaution))
        next = Work::Caution;
    else
        next = Work::Normal;
    QList<Change> changes;
    if (next == m_work)
        return changes;
    if (m_work == Work::Stop)
        changes << Change::StopEnds;
    if (next == Work::Stop)
        changes << Change::StopBegins;
    else if (next == Work::Caution && m_work == Work::Normal)
        changes << Change::Caution;
    else if (next == Work::Normal)
        changes << Change::Normal;
    m_work = next;
    return changes;
}

QList<Change> WorkRule::acknowledge()
{
    if (!latched())
        return {};
    m_latchedMs = 0;
    return {Change::Acknowledged};
}

void WorkRule::resetWork()
{
    m_work = Work::Normal;
    m_belowStop.reset();
    m_belowCaution.reset();
}

// ---- the latch's state file

QByteArray formatLatch(const LatchRecord &record)
{
    QByteArray out;
    auto line = [&out](const char *key, qint64 ms) {
        if (ms)
            out += QByteArray(key) + '=' +
                   QDateTime::fromMSecsSinceEpoch(ms)
                       .toOffsetFromUtc(QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc())
                       .toString(Qt::ISODateWithMs)
                       .toLatin1() +
                   '\n';
    };
    line("Latched", record.latchedMs);
    line("Acknowledged", record.acknowledgedMs);
    out += "Work=" + workName(record.work).toLatin1() + '\n';
    return out;
}

LatchRecord parseLatch(const QByteArray &text)
{
    LatchRecord r;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray l = raw.trimmed();
        const qsizetype eq = l.indexOf('=');
        if (eq < 0)
            continue;
        if (l.left(eq) == "Work") {
            for (Work w : {Work::Caution, Work::Stop})
                if (l.mid(eq + 1) == workName(w).toLatin1())
                    r.work = w;
            continue;
        }
        const QDateTime t =
            QDateTime::fromString(QString::fromLatin1(l.mid(eq + 1)), Qt::ISODateWithMs);
        const qint64 ms = t.isValid() ? t.toMSecsSinceEpoch() : 0;
        if (l.left(eq) == "Latched")
            r.latchedMs = ms;
        else if (l.left(eq) == "Acknowledged")
            r.acknowledgedMs = ms;
    }
    return r;
}

} // namespace site
