#include "session/session.h"

#include "base/globals.h"
#include "link/tenths.h"
#include "logging/background_writer.h"
#include "logging/csv_format.h"
#include "logging/event_words.h"
#include "logging/log_writer.h"
#include "platform/clock.h"
#include "platform/port_identity.h"
#include "platform/serial_port.h"
#include "platform/state_file.h"
#include "platform/timer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace session {

using meterlink::LinkState;

Session::Session(const Services &services, QObject *parent)
    : QObject(parent), m_svc(services), m_link(services.port)
{
    connect(&m_link, &meterlink::MeterLink::frameDecoded, this, &Session::onFrame);
    if (services.timer)
        connect(services.timer, &platform::Timer::timeout, this, [this] {
            // A timeout already on its way when the heartbeat stopped runs nothing.
            if (m_svc.timer->isEnabled())
                tick();
        });
    // After the link has taken the characters (it connected first).
    connect(services.port, &platform::SerialPort::comm, this, [this] { mirror(); });
    connect(&m_link, &meterlink::MeterLink::stateChanged, this, &Session::onLinkState);
    connect(&m_link, &meterlink::MeterLink::lost, this, &Session::onLinkLost);
    connect(&m_link, &meterlink::MeterLink::back, this, [this] {
        // Back from a loss that was said; a first frame after no answer is no return.
        if (std::exchange(m_lostSaid, false))
            dispatch(Event::Kind::LinkBack);
        emit linkBack();
    });
    connect(&m_link, &meterlink::MeterLink::portFailed, this, &Session::portFailed);
    connect(&m_link, &meterlink::MeterLink::reconnectAttempted, this, &Session::reconnectAttempted);
    connect(&m_link, &meterlink::MeterLink::portOpened, this, &Session::onPortOpened);
    connect(&m_link, &meterlink::MeterLink::receivingChanged, this, [this](bool receiving) {
        if (!receiving || !m_logAtFirstFrame)
            return;
        m_logAtFirstFrame = false;
        QString error;
        const StartResult r = startFileOutput(&error);
        if (r != StartResult::Started && r != StartResult::Running)
            emit fileStartFailed(r, error);
    });
    setSettings(m_settings);
}

Session::~Session() = default;

void Session::setSettings(const basSubMain::Settings &settings)
{
    m_settings = settings;
    basSubMain::mirrorSettings(settings);
    if (m_svc.portFinder)
        m_svc.portFinder->setConfigured(settings.port,
                                        platform::PortIdentity::fromText(settings.portId));
    m_link.setReconnectEnabled(settings.reconnect);
    m_sounder.setEnabled(settings.sound);
    for (const auto &o : m_outputs)
        o->settingsChanged(settings);
    const basSubMain::SiteSettings &site = settings.site;
    m_mean.setWindow(qint64(site.minutes) * 60000);
    // Thresholds out of order are never used while the host says so.
    m_rule.setThresholds(basSubMain::ruleThresholds(site));
    if (site.enabled && !m_latchLoaded)
        loadLatch();
    if (site.enabled != m_snap.site.on) {
        // Switched off, the rule forgets its state; switched on, it starts from what was kept.
        if (!site.enabled)
            m_rule.resetWork();
        const bool unreadable = m_snap.site.stateUnreadable;
        m_snap.site = {};
        m_snap.site.on = site.enabled;
        if (site.enabled) {
            m_snap.site.work = m_rule.work();
            takeLatches();
            m_snap.site.inspection = m_latch.inspection;
            m_snap.site.stateUnreadable = unreadable && m_rule.latched();
        }
        m_siteSecond = -1;
        m_meanHistory.clear();
        publishIfChanged();
    }
}

void Session::loadLatch()
{
    // A storm latched before a restart still needs its inspection, and a stop is still a
    // stop: a restart is not a calm.
    m_latchLoaded = true;
    if (!m_svc.latchFile)
        return;
    const platform::StateFile::Read read = m_svc.latchFile->read();
    std::optional<site::LatchRecord> kept;
    if (read.status == platform::StateFile::Status::Missing)
        kept = site::LatchRecord{};
    else if (read.status == platform::StateFile::Status::Read)
        kept = site::parseLatch(read.bytes);
    if (!kept) {
        // What cannot be read is no basis for a calm: the latch is held until a person
        // inspects, and the damaged file is kept for whoever looks into it.
        const QString keptAs = m_svc.latchFile->keepAside();
        m_latch = {};
        m_latch.storm = {m_svc.clock->epochMilliseconds(), -1, m_svc.clock->epochMilliseconds()};
        m_snap.site.stateUnreadable = true;
        m_rule.restore(m_latch);
        keepLatch();
        emit stateUnreadable(m_svc.latchFile->path(), keptAs);
        return;
    }
    m_latch = *kept;
    m_rule.restore(m_latch);
}

void Session::setSoundEnabled(bool on)
{
    basSubMain::Settings s = m_settings;
    s.sound = on;
    setSettings(s);
}

void Session::setOutputs(std::vector<std::unique_ptr<Output>> outputs)
{
    m_outputs = std::move(outputs);
    for (const auto &o : m_outputs) {
        Output *output = o.get();
        connect(output, &Output::statusChanged, this,
                [this, output](const QString &text) { emit outputStatus(output->name(), text); });
        connect(output, &Output::failed, this,
                [this, output](const QString &reason, const QString &where) {
                    onOutputFailed(output, reason, where);
                });
        connect(output, &Output::stalled, this, [this] {
            dispatch(Event::Kind::Stalled);
            emit stalled(rowsWaiting());
        });
        connect(output, &Output::stallEnded, this, &Session::stallEnded);
        output->settingsChanged(m_settings);
        QString error;
        if (output->runs() == Output::Runs::WithSession && !output->start(m_settings, &error))
            emit outputStatus(output->name(), error);
        // What it says first is the state as it stands (a kept stop or latch), never a
        // default.
        output->snapshot(m_snap);
    }
}

// ---- the link

bool Session::openPort(platform::PortError *error)
{
    return m_link.openPort(error);
}

void Session::closePort()
{
    m_link.closePort();
}

QList<int> Session::openablePorts()
{
    platform::SerialPort *port = m_svc.port;
    const QString stored = port->settings();
    port->setSettings(basSubMain::kDefaultComSt);
    QList<int> found;
    for (int i = 1; i <= 16; ++i) {
        port->setCommPort(i);
        if (port->open(nullptr))
            found << i;
        port->close();
    }
    port->setSettings(stored);
    return found;
}

bool Session::sendCommand(const QString &command)
{
    return m_link.sendCommand(command);
}

void Session::connectLink()
{
    // The silence of a meter that never answers is said as such, once a connection.
    m_heard = m_noAnswerSaid = false;
    if (!std::exchange(m_monitoring, true))
        dispatch(Event::Kind::MonitorStart);
    m_link.start();
    mirror();
}

void Session::onLinkLost()
{
    if (m_heard) {
        m_lostSaid = true;
        dispatch(Event::Kind::LinkLost);
    } else if (!std::exchange(m_noAnswerSaid, true)) {
        dispatch(Event::Kind::NoAnswer);
    }
    // Without data there is no verdict: a normal is undecided at once.
    if (m_snap.site.on)
        applyChanges(m_rule.noData());
    emit linkLost(m_link.reconnectEnabled());
}

void Session::stopLink()
{
    m_link.stop();
    mirror();
}

void Session::disconnectLink()
{
    m_link.sendCommand(QStringLiteral("J"));
    stopLink();
}

void Session::tick()
{
    const qint64 nowMs = m_svc.clock->epochMilliseconds();
    if (m_lastTickMs && nowMs - m_lastTickMs > kPauseMs) {
        // A suspend or a stalled process: said, and kept in the event log with its span.
        const auto clock = [](qint64 ms) {
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("H:mm:ss"));
        };
        dispatch(Event::Kind::Paused,
                 QStringLiteral("自=%1;至=%2").arg(clock(m_lastTickMs), clock(nowMs)));
        emit paused(m_lastTickMs, nowMs);
    }
    m_lastTickMs = nowMs;
    // The row that is due, with the readings as they stand before this tick's frames are
    // shown; then the figures; then the watchdog.
    for (const auto &o : m_outputs)
        o->tick(m_snap);
    updateSite();
    publishIfChanged();
    const meterlink::Blink phase = m_link.tick();
    publishIfChanged();
    if (phase != meterlink::Blink::None)
        emit blink(phase == meterlink::Blink::Shown);
    // A level-2 alarm not yet acknowledged sounds again every 10 s.
    if (m_sounder.onTick(m_svc.clock->epochMilliseconds()) != meterlink::AlarmSounder::Sound::None)
        emit soundDue(2);
    if (++m_minuteTicks >= meterlink::kMinuteTicks) {
        m_minuteTicks = 0;
        const quint64 rejected = m_link.rejectedFrames();
        if (rejected > m_rejectedSaid)
            emit rejectedFrames(rejected - m_rejectedSaid, rejected);
        m_rejectedSaid = rejected;
    }
    mirror();
}

Begun Session::begin(bool connect, bool logAtFirstFrame, platform::PortError *error)
{
    m_logAtFirstFrame = logAtFirstFrame;
    if (!connect && !logAtFirstFrame)
        return Begun::Nothing;
    if (!m_link.openPort(error)) {
        if (!m_settings.reconnect)
            return Begun::PortFailed;
        // A meter that is not there yet (a machine booting into the program) is waited for.
        m_heard = m_noAnswerSaid = false;
        if (!std::exchange(m_monitoring, true))
            dispatch(Event::Kind::MonitorStart);
        m_link.beginReconnecting();
        mirror();
        return Begun::Reconnecting;
    }
    connectLink();
    return Begun::Connected;
}

void Session::reset()
{
    m_svc.port->setCommPort(m_settings.port);
    m_svc.port->setSettings(m_settings.comSt);
    m_link.clear();
    setSettings(m_settings);
    // A file left open here would take no more rows; it is closed rather than leaked.
    stopFileOutput();
    const QDateTime now = m_svc.clock->now();
    for (const auto &o : m_outputs)
        o->reset(now);
    m_snap.tenths = {};
    m_snap.levels = {};
    basSubMain::gReadings = meterlink::readingTexts(m_snap.tenths);
    // Hosts and outputs start again from this snapshot, changed or not.
    publishIfChanged(true);
    mirror();
}

void Session::onFrame(const meterlink::Frame &frame)
{
    const qint64 ms = m_svc.clock->epochMilliseconds();
    m_snap.tenths = frame.tenths;
    m_snap.levels = frame.levels;
    // The process-wide texts change with the readings only, not at every tick.
    basSubMain::gReadings = meterlink::readingTexts(frame);
    m_snap.frameSecond = ms / 1000;
    m_heard = true;
    m_history.append(ms, frame.tenths, {qint8(frame.levels[0]), qint8(frame.levels[1])});
    m_mean.frame(ms, frame.tenths[0]);
    if (m_snap.site.on) {
        applyChanges(m_rule.frame(ms, frame.tenths[0]));
        // A latched storm's stronger gusts are kept with it.
        if (m_rule.storm() != m_snap.site.storm) {
            m_snap.site.storm = m_latch.storm = m_rule.storm();
            keepLatch();
        }
    }
    const auto sound = m_sounder.onLevels(frame.levels, ms);
    if (sound != meterlink::AlarmSounder::Sound::None)
        emit soundDue(sound == meterlink::AlarmSounder::Sound::Level2 ? 2 : 1);
    for (size_t i = 0; i < 2; ++i) {
        const int level = frame.levels[i];
        if (level > m_notifiedLevels[i]) {
            const QString reading = meterlink::formatTenths(frame.tenths[i == 0 ? 0 : 2]);
            dispatch(Event::Kind::AlarmRose, reading, int(i), level);
            emit alarmRose(int(i), level, reading);
        }
        m_notifiedLevels[i] = level;
    }
    // The figure is shown by a tick; one nearly due runs with the frame's wake-up.
    if (m_svc.timer)
        m_svc.timer->workArrived();
}

void Session::onLinkState(LinkState state)
{
    if (state != LinkState::Live) {
        // The trend breaks its lines here, and no alarm sounds for figures that are no
        // longer measured.
        m_history.appendGap(m_svc.clock->epochMilliseconds());
        m_mean.gap(m_svc.clock->epochMilliseconds());
        m_sounder.clearLevels();
        m_notifiedLevels = {};
    }
    // File output goes on, with gap rows, while the link is being re-established.
    if (state == LinkState::Stopped)
        stopFileOutput();
    publishIfChanged();
    emit linkStateChanged(state);
}

// ---- file output

StartResult Session::startFileOutput(QString *error)
{
    if (m_settings.fName.isEmpty())
        return StartResult::NoFileName;
    // A control character cannot be part of a file's name: the system would cut the name
    // at a NUL, and the search for a free name would never end.
    for (const QChar c : m_settings.fName)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
            *error = QCoreApplication::translate(
                         "session", "出力ﾌｧｲﾙ名 (fName) に制御文字 (U+%1) があります。")
                         .arg(c.unicode(), 4, 16, QLatin1Char('0'));
            return StartResult::BadFileName;
        }
    // No column chosen: a file of empty lines would be written.
    if (!logging::hasColumns(m_settings.fOut)) {
        *error = logging::kNoColumnsText;
        return StartResult::NoColumns;
    }
    if (m_link.countdown() == 0)
        return StartResult::NotConnected;
    if (m_fileOutput)
        return StartResult::Running;
    std::vector<Output *> started;
    for (const auto &o : m_outputs) {
        if (o->runs() != Output::Runs::WithFileOutput)
            continue;
        if (!o->start(m_settings, error)) {
            for (Output *s : started)
                s->stop();
            return StartResult::Failed;
        }
        started.push_back(o.get());
    }
    m_fileOutput = true;
    dispatch(Event::Kind::FileStarted, filePath());
    emit fileStarted(filePath());
    return StartResult::Started;
}

void Session::stopFileOutput()
{
    for (const auto &o : m_outputs)
        if (o->runs() == Output::Runs::WithFileOutput)
            o->stop();
    if (!std::exchange(m_fileOutput, false))
        return;
    dispatch(Event::Kind::FileStopped);
    emit fileStopped();
}

bool Session::fileOutputRunning() const
{
    return m_fileOutput;
}

QString Session::filePath() const
{
    for (const auto &o : m_outputs)
        if (o->runs() == Output::Runs::WithFileOutput)
            return o->where();
    return {};
}

qsizetype Session::rowsWaiting() const
{
    qsizetype n = 0;
    for (const auto &o : m_outputs)
        if (o->queue() == Output::Queue::Rows)
            n += o->waiting();
    return n;
}

QList<std::pair<QString, qsizetype>> Session::rowsPerFile() const
{
    QList<std::pair<QString, qsizetype>> out;
    for (const auto &o : m_outputs)
        out += o->rowsPerFile();
    return out;
}

qsizetype Session::noticesWaiting() const
{
    qsizetype n = 0;
    for (const auto &o : m_outputs)
        if (o->queue() == Output::Queue::Notices)
            n += o->waiting();
    return n;
}

bool Session::flush(int ms)
{
    const QDeadlineTimer deadline(ms);
    bool done = true;
    // The files first: notices wait for what time is left.
    for (const Output::Queue q : {Output::Queue::Rows, Output::Queue::Notices})
        for (const auto &o : m_outputs)
            if (o->queue() == q) {
                const bool out = o->flush(int(qMax<qint64>(0, deadline.remainingTime())));
                done = (out || q == Output::Queue::Notices) && done;
            }
    return done;
}

void Session::whenRecorded(std::function<void(bool)> answer, int ms)
{
    auto state = std::make_shared<Recorded::State>();
    state->left = int(m_outputs.size()) + 1;
    m_recorded.push_back({state, QDeadlineTimer(ms), std::move(answer)});
    // Called on the writers' threads: only the shared state is touched there.
    for (const auto &o : m_outputs)
        o->whenWritten([state](bool ok) {
            if (!ok)
                state->failed = true;
            --state->left;
        });
    --state->left;
    if (!m_recordedPoll) {
        m_recordedPoll = new QTimer(this);
        m_recordedPoll->setInterval(20);
        connect(m_recordedPoll, &QTimer::timeout, this, [this] { answerRecorded(false); });
    }
    m_recordedPoll->start();
    answerRecorded(false);
}

void Session::answerRecorded(bool atEnd)
{
    // Taken out first: an answer may run code that asks for another.
    std::vector<Recorded> due;
    for (auto it = m_recorded.begin(); it != m_recorded.end();) {
        if (atEnd || it->state->left == 0 || it->deadline.hasExpired()) {
            due.push_back(std::move(*it));
            it = m_recorded.erase(it);
        } else {
            ++it;
        }
    }
    if (m_recorded.empty() && m_recordedPoll)
        m_recordedPoll->stop();
    for (Recorded &r : due)
        r.answer(r.state->left == 0 && !r.state->failed);
}

void Session::onOutputFailed(Output *output, const QString &reason, const QString &where)
{
    // An output stops by itself when what it writes now failed; a file stopped earlier
    // that failed with its last rows leaves the one running now alone.
    const bool stopped =
        m_fileOutput && output->runs() == Output::Runs::WithFileOutput && !output->running();
    if (stopped)
        stopFileOutput();
    dispatch(Event::Kind::WriteFailed, reason);
    emit writeFailed(reason, where, stopped);
}

void Session::startHeartbeat()
{
    if (!m_svc.timer)
        return;
    m_svc.timer->setInterval(meterlink::kTickMs);
    m_svc.timer->setEnabled(true);
}

void Session::stopHeartbeat()
{
    if (m_svc.timer)
        m_svc.timer->setEnabled(false);
}

bool Session::linkActive() const
{
    return m_link.countdown() != 0 || m_link.state() != meterlink::LinkState::Stopped;
}

bool Session::end(int ms, MeterOnEnd meter, const QString &cause)
{
    // No tick runs into what is being ended.
    stopHeartbeat();
    // The watching ends: recorded and sent with the rest, within the end's bound, so
    // that a phone that falls silent is not taken for a calm.
    if (std::exchange(m_monitoring, false))
        dispatch(Event::Kind::MonitorEnd,
                 cause.isEmpty() ? QStringLiteral("原因=終了") : QStringLiteral("原因=") + cause);
    if (meter == MeterOnEnd::Stop && m_link.state() == meterlink::LinkState::Live)
        m_link.sendCommand(QStringLiteral("J"));
    // One bound for the whole end, shared by every output and writer rather than added
    // up one after another.
    const QDeadlineTimer deadline(ms);
    logging::BackgroundWriter::setEndDeadline(ms);
    stopFileOutput();
    // What the outputs write as they stop (the day's summary) is queued with the rest;
    // then it all goes to the disk, within a bound: a disk that never answers must not
    // keep the program from ending.
    for (const auto &o : m_outputs)
        o->stop();
    const bool done = flush(int(qMax<qint64>(0, deadline.remainingTime())));
    if (!done)
        logging::BackgroundWriter::noteUnfinishedEnd();
    // Whoever waits for an acknowledgement's record is told what holds now.
    answerRecorded(true);
    m_link.closePort();
    return done;
}

// ---- the site's rule

void Session::updateSite()
{
    if (!m_snap.site.on)
        return;
    const qint64 ms = m_svc.clock->epochMilliseconds();
    if (ms / 1000 == m_siteSecond)
        return;
    m_siteSecond = ms / 1000;
    m_snap.site.stats = m_mean.at(ms);
    // No verdict of a calm without data: while nothing arrives a normal is undecided and
    // an undecided stays so; a caution or a stop holds through the gap as the rule says.
    const bool silent = !m_link.receiving();
    if (silent && m_rule.work() == site::Work::Normal)
        applyChanges(m_rule.noData());
    else if (!(silent && m_rule.work() == site::Work::Undecided))
        applyChanges(m_rule.update(ms, m_snap.site.stats));
    const auto release = m_rule.releaseAtMs();
    m_snap.site.releaseMs = release ? *release : 0;
    m_meanHistory.push_back(
        {ms, m_snap.site.stats.meanTenths, m_snap.site.work, m_snap.site.latched});
    while (m_meanHistory.size() > 3700 || m_meanHistory.front().ms < ms - 3600 * 1000)
        m_meanHistory.pop_front();
}

void Session::applyChanges(const QList<site::Change> &changes)
{
    using site::Change;
    // A first verdict at a start is no event, but the state is taken all the same.
    if (changes.isEmpty() && m_rule.work() == m_snap.site.work)
        return;
    const site::Work before = m_snap.site.work;
    // The values at this moment (a storm's frame is in the gust).
    m_snap.site.stats = m_mean.at(m_svc.clock->epochMilliseconds());
    m_snap.site.work = m_rule.work();
    takeLatches();
    const auto release = m_rule.releaseAtMs();
    m_snap.site.releaseMs = release ? *release : 0;
    int sound = 0;
    for (const Change c : changes) {
        switch (c) {
        case Change::Caution:
            dispatch(Event::Kind::Caution);
            sound = qMax(sound, 1);
            break;
        case Change::StopBegins:
            dispatch(Event::Kind::StopBegins);
            sound = 2;
            break;
        case Change::StopEnds: dispatch(Event::Kind::StopEnds); break;
        case Change::Normal:
            dispatch(Event::Kind::Normal);
            sound = qMax(sound, 1);
            break;
        case Change::Storm: {
            keepLatch();
            const QString gust = meterlink::formatTenths(m_snap.tenths[0]);
            dispatch(Event::Kind::Storm, gust);
            emit storm(gust);
            sound = 2;
            break;
        }
        case Change::Scaffold:
            keepLatch();
            dispatch(Event::Kind::Scaffold);
            break;
        case Change::Undecided: dispatch(Event::Kind::Undecided); break;
        case Change::Acknowledged:
        case Change::OutOfService:
            m_latch.inspection = m_snap.site.inspection;
            m_latch.work = m_rule.work();
            keepLatch();
            dispatch(c == Change::Acknowledged ? Event::Kind::Acknowledged
                                               : Event::Kind::OutOfService,
                     logging::words::inspectionDetail(m_snap.site.inspection));
            emit inspectionAcknowledged();
            break;
        }
    }

    if (m_snap.site.work != before) {
        m_latch.work = m_snap.site.work;
        keepLatch();
        const auto &st = m_snap.site.stats;
        emit workChanged(m_snap.site.work,
                         st.valid ? meterlink::formatTenths(st.meanTenths) : QStringLiteral("---"));
    }
    if (sound && m_settings.sound)
        emit soundDue(sound);
}

void Session::takeLatches()
{
    SiteState &site = m_snap.site;
    site.latched = m_rule.latched();
    site.storm = m_latch.storm = m_rule.storm();
    site.scaffoldMs = m_latch.scaffoldMs = m_rule.scaffoldMs();
    site.scaffoldFromMs = m_latch.scaffoldFromMs = m_rule.scaffoldFromMs();
    site.craneFault = m_latch.craneFault = m_rule.fault(site::Latch::Crane);
    site.scaffoldFault = m_latch.scaffoldFault = m_rule.fault(site::Latch::Scaffold);
}

void Session::keepLatch()
{
    QString error;
    if (m_svc.latchFile && !m_svc.latchFile->write(site::formatLatch(m_latch), &error))
        emit latchNotKept(error);
}

Acknowledgement Session::mayAcknowledge(bool force) const
{
    const site::Thresholds t = basSubMain::ruleThresholds(m_settings.site);
    const bool measured = m_link.receiving();
    const int instant = m_snap.tenths[0];
    // The inspection follows the wind: not while work is stopped or a storm still blows.
    if (m_rule.work() == site::Work::Stop)
        return Acknowledgement::StillStopped;
    if (measured && instant > t.storm)
        return Acknowledgement::StormBlowing;
    if (!force && (m_rule.work() == site::Work::Caution || (measured && instant >= t.caution)))
        return Acknowledgement::NeedsForce;
    return Acknowledgement::Recorded;
}

Acknowledgement Session::acknowledgeInspection(const QString &by, const QString &result,
                                               std::optional<site::Latch> which, bool force)
{
    const QString name = site::cleanField(by);
    if (name.isEmpty())
        return Acknowledgement::NoName;
    const QString res = site::cleanField(result);
    // A result given must say something: blanks and controls alone are no result.
    if (!result.isNull() && res.isEmpty())
        return Acknowledgement::NoResult;
    if (site::fieldTooLong(by) || site::fieldTooLong(result))
        return Acknowledgement::TooLong;
    if (!which)
        which = m_rule.latched() ? site::Latch::Crane : site::Latch::Scaffold;
    if (!m_snap.site.on || !m_rule.due(*which))
        return Acknowledgement::NothingLatched;
    if (const Acknowledgement may = mayAcknowledge(force); may != Acknowledgement::Recorded)
        return may;
    // Marked as forced only where it was: under a caution or a strong wind.
    const bool strong = mayAcknowledge(false) == Acknowledgement::NeedsForce;
    const site::Inspection inspection{name, res.isEmpty() ? QStringLiteral("異常なし") : res,
                                      m_svc.clock->epochMilliseconds(), *which, strong};
    m_snap.site.inspection = inspection;
    m_snap.site.stateUnreadable = false;
    applyChanges(m_rule.acknowledge(inspection));
    publishIfChanged();
    return Acknowledgement::Recorded;
}

namespace {
// The published state's form of a time ("" for none).
QString isoTime(qint64 ms)
{
    return ms ? platform::isoStamp(QDateTime::fromMSecsSinceEpoch(ms)) : QString();
}

QJsonValue inspectionJson(const site::Inspection &i)
{
    if (!i.ms)
        return QJsonValue::Null;
    return QJsonObject{{QStringLiteral("by"), i.by},
                       {QStringLiteral("result"), i.result},
                       {QStringLiteral("time"), isoTime(i.ms)},
                       {QStringLiteral("latch"), site::latchName(i.latch)},
                       {QStringLiteral("forced"), i.forced}};
}
} // namespace

QJsonObject statusJson(const Session &session)
{
    const Snapshot &s = session.snapshot();
    const SiteState &site = s.site;
    auto tenths = [](int t) { return t < 0 ? QJsonValue(QJsonValue::Null) : QJsonValue(t / 10.0); };
    QJsonObject o{
        {QStringLiteral("link"), s.receiving ? QStringLiteral("live") : QStringLiteral("silent")},
        {QStringLiteral("last_frame"),
         s.frameSecond ? QJsonValue(isoTime(s.frameSecond * 1000)) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("instant"), s.frameSecond ? tenths(s.tenths[0]) : QJsonValue()},
        {QStringLiteral("average"), s.frameSecond ? tenths(s.tenths[2]) : QJsonValue()},
        {QStringLiteral("rows_waiting"), session.rowsWaiting()},
        {QStringLiteral("notices_waiting"), session.noticesWaiting()},
        {QStringLiteral("file"), session.fileOutputRunning() ? QJsonValue(session.filePath())
                                                             : QJsonValue(QJsonValue::Null)}};
    if (!site.on)
        return o;
    QJsonArray latches;
    auto latch = [&](site::Latch which, bool due, qint64 fromMs, qint64 sinceMs,
                     const site::Inspection &fault) {
        if (!due)
            return;
        QJsonObject l{{QStringLiteral("latch"), site::latchName(which)},
                      {QStringLiteral("since"), isoTime(sinceMs)},
                      {QStringLiteral("out_of_service"), fault.ms != 0},
                      {QStringLiteral("fault"), inspectionJson(fault)}};
        if (which == site::Latch::Crane) {
            l.insert(QStringLiteral("gust"), tenths(site.storm.tenths));
            l.insert(QStringLiteral("gust_time"), isoTime(site.storm.ms));
        } else {
            l.insert(QStringLiteral("stop_from"), isoTime(fromMs));
        }
        latches.append(l);
    };
    latch(site::Latch::Crane, site.latched, 0, site.storm.latchedMs, site.craneFault);
    latch(site::Latch::Scaffold, site.scaffoldMs != 0, site.scaffoldFromMs, site.scaffoldMs,
          site.scaffoldFault);
    o.insert(QStringLiteral("work"), site::workName(site.work));
    o.insert(QStringLiteral("mean"),
             site.stats.valid ? tenths(site.stats.meanTenths) : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("latches"), latches);
    o.insert(QStringLiteral("inspection"), inspectionJson(site.inspection));
    return o;
}

void answerCommand(Session &session, const QByteArray &request,
                   const std::function<void(const QByteArray &)> &reply)
{
    auto refuse = [&reply](const char *code, const QString &text) {
        QJsonObject o{{QStringLiteral("ok"), false},
                      {QStringLiteral("code"), QString::fromLatin1(code)},
                      {QStringLiteral("error"), text}};
        reply(QJsonDocument(o).toJson(QJsonDocument::Compact));
    };
    const QJsonObject whole = QJsonDocument::fromJson(request).object();
    if (whole.value(QStringLiteral("status")).isObject()) {
        QJsonObject o = statusJson(session);
        o.insert(QStringLiteral("ok"), true);
        return reply(QJsonDocument(o).toJson(QJsonDocument::Compact));
    }
    const QJsonObject ack = whole.value(QStringLiteral("acknowledge")).toObject();
    if (ack.isEmpty())
        return refuse("bad_request", QStringLiteral("unknown request"));
    const QJsonValue by = ack.value(QStringLiteral("by"));
    const QJsonValue result = ack.value(QStringLiteral("result"));
    const QJsonValue latchName = ack.value(QStringLiteral("latch"));
    const QJsonValue force = ack.value(QStringLiteral("force"));
    // A name or a result that is not text (a number, a list) is not taken for one.
    if (!by.isString() || !(result.isString() || result.isUndefined()) ||
        !(latchName.isString() || latchName.isUndefined()) ||
        !(force.isBool() || force.isUndefined()))
        return refuse("bad_request", QStringLiteral("the name and the result must be text"));
    std::optional<site::Latch> latch;
    if (latchName.isString()) {
        latch = site::latchFromName(latchName.toString());
        if (!latch)
            return refuse("bad_request", QStringLiteral("the latch is crane or scaffold"));
    }
    switch (session.acknowledgeInspection(
        by.toString(), result.isString() ? result.toString() : QString(), latch, force.toBool())) {
    case Acknowledgement::NoName:
        return refuse("no_name", QStringLiteral("the inspector's name is required"));
    case Acknowledgement::NoResult:
        return refuse("no_result", QStringLiteral("the result says nothing"));
    case Acknowledgement::NothingLatched:
        return refuse("nothing_latched", QStringLiteral("no inspection is waiting"));
    case Acknowledgement::TooLong:
        return refuse("too_long", QStringLiteral("the name and the result are at most %1 "
                                                 "characters each")
                                      .arg(site::kMaxFieldChars));
    case Acknowledgement::StillStopped:
        return refuse("still_stopped",
                      QStringLiteral("work is stopped: the inspection follows the strong wind"));
    case Acknowledgement::StormBlowing:
        return refuse("storm_blowing", QStringLiteral("the wind is above the storm threshold now"));
    case Acknowledgement::NeedsForce:
        return refuse(
            "needs_force",
            QStringLiteral("a caution holds or the wind is strong: confirm with --force"));
    case Acknowledgement::Recorded: break;
    }
    // The answer says it is recorded once the event log has it on the disk; the logging
    // goes on meanwhile.
    session.whenRecorded(
        [reply](bool written) {
            QJsonObject o{{QStringLiteral("ok"), true}, {QStringLiteral("written"), written}};
            reply(QJsonDocument(o).toJson(QJsonDocument::Compact));
        },
        kAnswerBoundMs);
}

// ---- what others are told

void Session::onPortOpened()
{
    if (!m_svc.portFinder)
        return;
    const platform::PortFinder::Resolved &r = m_svc.portFinder->last();
    if (r.n != m_settings.port)
        return;
    // "COM3 (/dev/ttyUSB0)"; on Windows the device is the port's own name.
    QString port = QStringLiteral("COM%1").arg(r.n);
    if (r.usual != port)
        port += QStringLiteral(" (%1)").arg(r.usual);
    if (r.device != r.usual) {
        // Said once per move, in the status, the logger's lines and the event log.
        if (r.device != m_portMovedTo) {
            m_portMovedTo = r.device;
            dispatch(Event::Kind::PortMoved, QStringLiteral("元=%1;先=%2").arg(r.usual, r.device));
            emit outputStatus(
                QStringLiteral("Port"),
                QCoreApplication::translate("session",
                                            "%1 が見つからないため、同じｱﾀﾞﾌﾟﾀの %2 につなぎました")
                    .arg(port, r.device));
        }
        return;
    }
    if (!m_portMovedTo.isEmpty()) {
        m_portMovedTo.clear();
        emit outputStatus(QStringLiteral("Port"),
                          QCoreApplication::translate("session", "%1 に戻りました").arg(port));
    }
    // The adapter at the port's own device is the configured one from now on.
    const QString id = r.identity.text();
    if (!id.isEmpty() && id != m_settings.portId) {
        m_settings.portId = id;
        m_svc.portFinder->setConfigured(m_settings.port, platform::PortIdentity::fromText(id));
        emit portIdentified(id);
    }
}

void Session::dispatch(Event::Kind kind, const QString &detail, int figure, int level)
{
    const Event e{kind, m_svc.clock->epochMilliseconds(), m_snap, detail, figure, level};
    for (const auto &o : m_outputs)
        o->event(e);
}

void Session::publishIfChanged(bool force)
{
    m_snap.link = m_link.state();
    m_snap.receiving = m_link.receiving();
    m_snap.rejected = m_link.rejectedFrames();
    if (m_snap == m_published && !force)
        return;
    m_published = m_snap;
    for (const auto &o : m_outputs)
        o->snapshot(m_snap);
    emit snapshotChanged(m_snap);
}

void Session::mirror()
{
    basSubMain::gLinkCountdown = m_link.countdown();
    basSubMain::gRxBuffer = m_link.rxBuffer();
}

} // namespace session
