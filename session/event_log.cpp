#include "session/event_log.h"

#include "link/frame_decoder.h"
#include "logging/background_writer.h"
#include "logging/csv_format.h"
#include "logging/event_words.h"
#include "logging/manifest.h"
#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/state_file.h"
#include "site/wind_rule.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QLockFile>
#include <QPointer>
#include <thread>

namespace session {

namespace {

QString eventCaption(Event::Kind kind)
{
    namespace words = logging::words;
    using K = Event::Kind;
    switch (kind) {
    case K::LinkLost: return words::word(words::kLinkLost);
    case K::LinkBack: return words::word(words::kLinkBack);
    case K::FileStarted: return words::word(words::kFileStarted);
    case K::FileStopped: return words::word(words::kFileStopped);
    case K::Caution: return site::changeCaption(site::Change::Caution);
    case K::StopBegins: return site::changeCaption(site::Change::StopBegins);
    case K::StopEnds: return site::changeCaption(site::Change::StopEnds);
    case K::Normal: return site::changeCaption(site::Change::Normal);
    case K::Storm: return site::changeCaption(site::Change::Storm);
    case K::Acknowledged: return site::changeCaption(site::Change::Acknowledged);
    case K::Undecided: return site::changeCaption(site::Change::Undecided);
    case K::Scaffold: return site::changeCaption(site::Change::Scaffold);
    case K::OutOfService: return site::changeCaption(site::Change::OutOfService);
    case K::NoAnswer: return words::word(words::kNoAnswer);
    case K::MonitorStart: return words::word(words::kMonitorStart);
    case K::MonitorEnd: return words::word(words::kMonitorEnd);
    case K::Paused: return words::word(words::kPaused);
    case K::PortMoved: return words::word(words::kPortMoved);
    case K::AlarmRose:
    case K::WriteFailed:
    case K::Stalled:
    case K::Test: break;
    }
    return {};
}

QString speed(int tenths)
{
    return meterlink::formatTenthsOrEmpty(tenths);
}

QString dateText(const QDateTime &t)
{
    const QLocale loc = QLocale::system();
    return loc.toString(t.date(), logging::rowDateFormat(loc));
}

QString timeText(const QDateTime &t)
{
    const QLocale loc = QLocale::system();
    return loc.toString(t.time(), logging::rowTimeFormat(loc));
}
} // namespace

// One file of lines on a writer of its own.
struct EventLog::File {
    explicit File(std::unique_ptr<platform::FileOutput> out)
        : output(std::move(out)), writer(output)
    {}
    // Shared with the writer's thread, which keeps it while stuck in a disk.
    std::shared_ptr<platform::FileOutput> output;
    logging::BackgroundWriter writer;
    quint64 generation = 0;
    QString path;
    bool open = false;

    void start(const QString &name, const QString &header, qint64 ms)
    {
        stop();
        path = name;
        open = true;
        writer.open(++generation, name, logging::toCp932(header), ms);
    }
    void line(const QString &text, qint64 ms)
    {
        writer.write(generation, logging::toCp932(text), ms);
    }
    void stop()
    {
        if (std::exchange(open, false))
            writer.close(generation);
    }
};

EventLog::EventLog(FileFactory makeFile, platform::Clock *clock, QString fallbackBase,
                   QObject *parent)
    : Output(parent), m_makeFile(std::move(makeFile)), m_clock(clock),
      m_fallbackBase(std::move(fallbackBase))
{}

EventLog::~EventLog()
{
    stop();
}

QString EventLog::eventFileName(const QString &base, const QDate &day)
{
    return base + QStringLiteral("_events_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

QString EventLog::summaryFileName(const QString &base)
{
    return base + QStringLiteral("_summary.csv");
}

QString EventLog::eventHeader(int minutes)
{
    return logging::eventLogHeader(minutes);
}

QString EventLog::summaryHeader(int minutes)
{
    return QStringLiteral("年月日,開始時刻,終了時刻,最大瞬間風速,最大瞬間風速時刻,最大%1分平均,"
                          "最大%1分平均時刻,注意(分),作業中止(分),通信なし(分),暴風(回),"
                          "データ率(%),判定中(分),点検\r\n")
        .arg(minutes);
}

QString EventLog::fallbackBase(const QString &settingsLocation)
{
    return platform::StateFile::beside(settingsLocation, QStringLiteral("wind"));
}

QString EventLog::recordsBase(const QString &fName, const QString &fallbackBase)
{
    return logging::logBaseName(fName).value_or(fallbackBase);
}

QString EventLog::ruleFileName(const QString &base, const QDate &day)
{
    return base + QStringLiteral("_rule_") + day.toString(QStringLiteral("yyyyMMdd")) +
           QStringLiteral(".csv");
}

bool EventLog::start(const basSubMain::Settings &settings, QString *error)
{
    if (!settings.site.enabled)
        return true;
    // Beside the data log: its base name; without one, beside the settings.
    m_base = recordsBase(settings.fName, m_fallbackBase);
    // One meter's records per name: a second program logging under the same name would
    // write rows that no reader could tell from the first's.
    const QString lockPath = m_base + QStringLiteral("_site.lock");
    if (!m_lock || m_lock->fileName() != lockPath || !m_lock->isLocked()) {
        m_lock = std::make_unique<QLockFile>(lockPath);
        m_lock->setStaleLockTime(0); // stale only when its program is gone
        if (!m_lock->tryLock(0)) {
            const bool taken = m_lock->error() == QLockFile::LockFailedError;
            m_lock.reset();
            if (error)
                *error =
                    taken ? QCoreApplication::translate(
                                "output",
                                "この名前の現場の記録は、別の風速計のﾌﾟﾛｸﾞﾗﾑが書いています (%1)。"
                                "出力ﾌｧｲﾙ名を変えてください。")
                                .arg(QDir::toNativeSeparators(m_base))
                          : QCoreApplication::translate("output",
                                                        "現場の記録のﾛｯｸﾌｧｲﾙを作れません (%1)。")
                                .arg(QDir::toNativeSeparators(lockPath));
            return false;
        }
    }
    if (!m_events) {
        m_events = std::make_unique<File>(m_makeFile());
        m_summary = std::make_unique<File>(m_makeFile());
        m_rule = std::make_unique<File>(m_makeFile());
    }
    m_minutes = settings.site.minutes;
    m_archive = settings.site.archive;
    m_running = true;
    m_day = {};
    m_lastSecond = -1;
    m_eventDay = {};
    m_ruleDay = {};
    m_rowStartMs = 0;
    m_sealedHour = -1;
    return true;
}

void EventLog::seal(const QDate &today)
{
    if (m_sealing->exchange(true))
        return;
    // Off this thread: the hashes read whole files, and the archive may be a slow share
    // that hangs. Detached, so that the program's end never waits for it (a copy cut
    // short leaves only a temporary file there).
    std::thread([self = QPointer<EventLog>(this), busy = m_sealing, base = m_base,
                 archive = m_archive, today] {
        const logging::Sealed sealed = logging::sealClosedDays(base, today, archive);
        busy->store(false);
        if (QCoreApplication *app = QCoreApplication::instance(); app && !sealed.problems.isEmpty())
            QMetaObject::invokeMethod(
                app,
                [self, text = sealed.problems.join(QLatin1Char('\n'))] {
                    if (self)
                        emit self->statusChanged(text);
                },
                Qt::QueuedConnection);
    }).detach();
}

void EventLog::stop()
{
    if (!std::exchange(m_running, false))
        return;
    writeRuleRow();
    if (m_day.date.isValid())
        writeSummary(m_clock->epochMilliseconds());
    m_events->stop();
    m_rule->stop();
    m_eventDay = {};
    m_ruleDay = {};
    m_lock.reset();
}

void EventLog::settingsChanged(const basSubMain::Settings &settings)
{
    const QString base = recordsBase(settings.fName, m_fallbackBase);
    if (settings.site.enabled == m_running && base == m_base)
        return;
    stop();
    QString error;
    start(settings, &error);
}

void EventLog::tick(const Snapshot &s)
{
    if (!m_running)
        return;
    const qint64 second = m_clock->epochSeconds();
    if (second == m_lastSecond)
        return;
    if (m_events) {
        check(*m_events);
        check(*m_summary);
        check(*m_rule);
    }
    const QDateTime now = m_clock->now();
    const qint64 nowMs = now.toMSecsSinceEpoch();
    // The closed days are sealed a minute into each hour (the day's last rows are out by
    // then), and a copy kept elsewhere is tried again as often.
    if (const qint64 hour = second / 3600; hour != m_sealedHour && second % 3600 >= 60) {
        m_sealedHour = hour;
        seal(now.date());
    }
    if (m_day.date.isValid() && now.date() != m_day.date) {
        // The day ends at midnight and the next one begins there; a clock set to another
        // day ends it where its last second was, and the day it was set to goes on from
        // now (a day already written in this run is taken up again, its row amended).
        const QDateTime midnight(now.date(), QTime(0, 0));
        const bool nextDay = now.date() == m_day.date.addDays(1) &&
                             nowMs - midnight.toMSecsSinceEpoch() < 6000 &&
                             midnight.toMSecsSinceEpoch() - m_day.lastMs < 6000;
        writeSummary(nextDay ? midnight.toMSecsSinceEpoch() : m_day.lastMs);
        m_lastSecond = -1;
        startDay(now.date(), nextDay ? midnight.toMSecsSinceEpoch() : nowMs);
    } else if (!m_day.date.isValid()) {
        startDay(now.date(), nowMs);
    }
    m_day.lastMs = nowMs;
    // The seconds since the last tick (a busy machine may skip one), at most a few.
    const qint64 elapsed =
        m_lastSecond < 0 ? 1 : qBound(qint64(0), second - m_lastSecond, qint64(5));
    m_lastSecond = second;
    // The record's rows cover whole tens of seconds; a row ends when a second of the next
    // one (or of another day) is counted.
    const qint64 rowStart = second / kRuleRowSeconds * kRuleRowSeconds * 1000;
    if (rowStart != m_rowStartMs) {
        writeRuleRow();
        m_rowStartMs = rowStart;
    }
    for (Counts *c : {&m_day.counts, &m_row}) {
        c->seconds += elapsed;
        if (s.receiving)
            c->receiving += elapsed;
        if (s.site.work == site::Work::Caution)
            c->caution += elapsed;
        else if (s.site.work == site::Work::Stop)
            c->stop += elapsed;
        else if (s.site.work == site::Work::Undecided)
            c->undecided += elapsed;
    }
    m_rowLatched = s.site.latched;
    const site::Stats &st = s.site.stats;
    // The window's gust holds the frames between ticks; one from before the day or the
    // row is not theirs.
    noteGust(st.gustTenths, st.gustMs);
    snapshot(s);
    if (st.valid)
        noteMean(st.meanTenths, nowMs / 1000 * 1000);
}

void EventLog::snapshot(const Snapshot &s)
{
    // Every frame's reading, as it comes: the last frame's is the day's and the row's
    // from their start on.
    if (m_running && s.receiving && s.frameSecond > 0)
        noteGust(s.tenths[0], s.frameSecond * 1000);
}

void EventLog::noteGust(int tenths, qint64 ms)
{
    if (m_day.date.isValid() && tenths > m_day.counts.maxGust && ms >= m_day.fromMs) {
        m_day.counts.maxGust = tenths;
        m_day.counts.maxGustMs = ms;
    }
    if (m_rowStartMs && tenths > m_row.maxGust && ms >= m_rowStartMs &&
        ms < m_rowStartMs + kRuleRowSeconds * 1000) {
        m_row.maxGust = tenths;
        m_row.maxGustMs = ms;
    }
}

void EventLog::noteMean(int tenths, qint64 ms)
{
    if (tenths > m_day.counts.maxMean) {
        m_day.counts.maxMean = tenths;
        m_day.counts.maxMeanMs = ms;
    }
    if (tenths > m_row.maxMean) {
        m_row.maxMean = tenths;
        m_row.maxMeanMs = ms;
    }
}

void EventLog::writeRuleRow()
{
    const Counts c = std::exchange(m_row, Counts{});
    if (!m_rowStartMs || !c.seconds)
        return;
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(m_rowStartMs);
    if (t.date() != m_ruleDay) {
        m_ruleDay = t.date();
        m_rule->start(ruleFileName(m_base, m_ruleDay), logging::ruleRecordHeader(m_minutes),
                      m_rowStartMs);
    }
    auto at = [](int tenths, qint64 ms) {
        return tenths < 0 ? QString() : timeText(QDateTime::fromMSecsSinceEpoch(ms));
    };
    m_rule->line(QStringList{dateText(t), timeText(t), QString::number(c.seconds),
                             QString::number(c.receiving), QString::number(c.caution),
                             QString::number(c.stop), QString::number(c.undecided),
                             speed(c.maxGust), at(c.maxGust, c.maxGustMs), speed(c.maxMean),
                             at(c.maxMean, c.maxMeanMs), QString::number(m_rowLatched ? 1 : 0)}
                         .join(QLatin1Char(',')) +
                     QStringLiteral("\r\n"),
                 m_rowStartMs);
}

void EventLog::event(const Event &e)
{
    if (!m_running)
        return;
    const QString what = eventCaption(e.kind);
    if (what.isEmpty())
        return;
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(e.ms);
    if (e.kind == Event::Kind::Storm)
        ++m_day.storms;
    else if (e.kind == Event::Kind::Acknowledged || e.kind == Event::Kind::OutOfService) {
        // Each latch's signature on a line of its own, with its marks.
        const site::Inspection &i = e.at.site.inspection;
        m_day.inspections << logging::cp932Field(
            QStringLiteral("%1 %2 %3").arg(timeText(t), i.by, i.result) + i.marks());
    }
    if (t.date() != m_eventDay) {
        m_eventDay = t.date();
        m_eventPath = eventFileName(m_base, t.date());
        m_events->start(m_eventPath, eventHeader(m_minutes), e.ms);
    }
    const site::Stats &st = e.at.site.stats;
    const QString row =
        QStringList{dateText(t),
                    timeText(t),
                    what,
                    speed(st.meanTenths),
                    speed(st.gustTenths),
                    e.at.receiving ? meterlink::formatTenths(e.at.tenths[0]) : QString(),
                    e.kind == Event::Kind::Acknowledged || e.kind == Event::Kind::Paused ||
                            e.kind == Event::Kind::PortMoved ||
                            e.kind == Event::Kind::OutOfService || e.kind == Event::Kind::MonitorEnd
                        ? logging::cp932Field(e.detail)
                        : QString()}
            .join(QLatin1Char(',')) +
        QStringLiteral("\r\n");
    m_events->line(row, e.ms);
}

void EventLog::writeSummary(qint64 toMs)
{
    Day &d = m_day;
    // A day taken up again keeps the widest span it covered.
    d.toMs = std::max(d.toMs, toMs);
    const bool midnight = d.toMs >= QDateTime(d.date.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    auto at = [](int tenths, qint64 ms) {
        return tenths < 0 ? QString() : timeText(QDateTime::fromMSecsSinceEpoch(ms));
    };
    auto minutes = [](qint64 seconds) { return QString::number((seconds + 30) / 60); };
    const Counts &c = d.counts;
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(d.fromMs);
    const QString to =
        midnight ? QStringLiteral("24:00:00") : timeText(QDateTime::fromMSecsSinceEpoch(d.toMs));
    const QString row =
        QStringList{
            dateText(from), timeText(from), to, speed(c.maxGust), at(c.maxGust, c.maxGustMs),
            speed(c.maxMean), at(c.maxMean, c.maxMeanMs), minutes(c.caution), minutes(c.stop),
            minutes(c.seconds - c.receiving), QString::number(d.storms),
            QString::number(c.seconds ? (c.receiving * 100 + c.seconds / 2) / c.seconds : 0),
            minutes(c.undecided),
            // The inspections of the day, each with its time, inspector and result.
            d.inspections.join(QStringLiteral(" / "))}
            .join(QLatin1Char(',')) +
        QStringLiteral("\r\n");
    const QString path = summaryFileName(m_base);
    if (const auto it = m_written.constFind(d.date); it != m_written.cend()) {
        // This run wrote the day already (the clock was set back to it): its row, found
        // by the start it was first written with, is amended, never repeated.
        m_summary->writer.replaceLine(++m_summary->generation, path,
                                      logging::toCp932(summaryHeader(m_minutes)),
                                      logging::toCp932(it->key), logging::toCp932(row), toMs);
        d.key = it->key;
    } else {
        m_summary->path = path;
        // Added by replacing the file whole, so that a disk that stalls or a power cut
        // leaves the summary as it was, never empty or cut.
        m_summary->writer.replaceLine(++m_summary->generation, path,
                                      logging::toCp932(summaryHeader(m_minutes)), {},
                                      logging::toCp932(row), toMs);
        d.key = dateText(from) + QLatin1Char(',') + timeText(from) + QLatin1Char(',');
    }
    m_written.insert(d.date, d);
}

void EventLog::startDay(const QDate &date, qint64 fromMs)
{
    // A day this run has written already goes on where it was.
    if (const auto it = m_written.constFind(date); it != m_written.cend()) {
        m_day = *it;
        m_day.fromMs = std::min(m_day.fromMs, fromMs);
        return;
    }
    m_day = {};
    m_day.date = date;
    m_day.fromMs = fromMs;
}

void EventLog::check(File &f)
{
    if (const auto failure = f.writer.takeFailure()) {
        if (failure->generation == f.generation)
            f.open = false; // its remaining lines are dropped; the next day starts anew
        emit failed(failure->reason, f.path);
        // The event file is opened again at the next event, the rule's record at its
        // next row: the rows between are missing from it, which the history says.
        if (&f == m_events.get())
            m_eventDay = {};
        else if (&f == m_rule.get())
            m_ruleDay = {};
    }
    switch (f.writer.checkStall(m_clock->epochMilliseconds())) {
    case logging::BackgroundWriter::Stall::Began: emit stalled(f.writer.waiting()); break;
    case logging::BackgroundWriter::Stall::Ended: emit stallEnded(); break;
    case logging::BackgroundWriter::Stall::None: break;
    }
}

bool EventLog::flush(int ms)
{
    if (!m_events)
        return true;
    const bool done = m_events->writer.waitIdle(ms) && m_summary->writer.waitIdle(ms) &&
                      m_rule->writer.waitIdle(ms);
    check(*m_events);
    check(*m_summary);
    check(*m_rule);
    return done;
}

qsizetype EventLog::waiting() const
{
    return m_events
               ? m_events->writer.waiting() + m_summary->writer.waiting() + m_rule->writer.waiting()
               : 0;
}

} // namespace session

namespace session {

QList<std::pair<QString, qsizetype>> EventLog::rowsPerFile() const
{
    QList<std::pair<QString, qsizetype>> out;
    if (!m_events)
        return out;
    for (const File *f : {m_events.get(), m_summary.get(), m_rule.get()})
        if (const qsizetype n = f->writer.waiting())
            out.append({f->path, n});
    return out;
}

void EventLog::whenWritten(std::function<void(bool)> done)
{
    if (!m_events || !m_events->open) {
        done(true);
        return;
    }
    m_events->writer.whenWritten(m_events->generation, std::move(done));
}

} // namespace session
