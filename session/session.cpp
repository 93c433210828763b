#include "session/session.h"

#include "app/globals.h"
#include "logging/csv_format.h"
#include "logging/log_writer.h"
#include "platform/clock.h"
#include "platform/serial_port.h"
#include "platform/state_file.h"

#include <QDeadlineTimer>

namespace session {

using meterlink::LinkState;

Session::Session(const Services &services, QObject *parent)
    : QObject(parent), m_svc(services), m_link(services.port)
{
    connect(&m_link, &meterlink::MeterLink::frameDecoded, this, &Session::onFrame);
    // After the link has taken the characters (it connected first).
    connect(services.port, &platform::SerialPort::comm, this, [this] { mirror(); });
    connect(&m_link, &meterlink::MeterLink::stateChanged, this, &Session::onLinkState);
    connect(&m_link, &meterlink::MeterLink::lost, this, [this] {
        dispatch(Event::Kind::LinkLost);
        emit linkLost(m_link.reconnectEnabled());
    });
    connect(&m_link, &meterlink::MeterLink::back, this, [this] {
        dispatch(Event::Kind::LinkBack);
        emit linkBack();
    });
    connect(&m_link, &meterlink::MeterLink::portFailed, this, &Session::portFailed);
    connect(&m_link, &meterlink::MeterLink::reconnectAttempted, this, &Session::reconnectAttempted);
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
    m_link.setReconnectEnabled(settings.reconnect);
    m_sounder.setEnabled(settings.sound);
    for (const auto &o : m_outputs)
        o->settingsChanged(settings);
    const basSubMain::SiteSettings &site = settings.site;
    m_mean.setWindow(qint64(site.minutes) * 60000);
    m_rule.setThresholds({site.caution, site.stop, site.storm, qint64(site.holdMinutes) * 60000});
    if (site.enabled && !m_latchLoaded && m_svc.latchFile) {
        // A storm latched before a restart still needs its inspection.
        m_latchLoaded = true;
        if (const auto text = m_svc.latchFile->read())
            m_latch = site::parseLatch(*text);
        m_rule.restore(m_latch.latchedMs, m_latch.work);
    }
    if (site.enabled != m_snap.site.on) {
        // Switched off, the rule forgets its state; switched on, it starts from what was kept.
        if (!site.enabled)
            m_rule.resetWork();
        m_snap.site = {};
        m_snap.site.on = site.enabled;
        m_snap.site.latched = site.enabled && m_rule.latched();
        m_snap.site.work = site.enabled ? m_rule.work() : site::Work::Normal;
        m_siteSecond = -1;
        m_meanHistory.clear();
        publishIfChanged();
    }
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
        connect(output, &Output::statusChanged, this, &Session::outputStatus);
        connect(output, &Output::failed, this,
                [this, output](const QString &reason, const QString &where) {
                    onOutputFailed(output, reason, where);
                });
        connect(output, &Output::stalled, this, [this] { emit stalled(rowsWaiting()); });
        connect(output, &Output::stallEnded, this, &Session::stallEnded);
        QString error;
        if (output->runs() == Output::Runs::WithSession && !output->start(m_settings, &error))
            emit outputStatus(error);
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

bool Session::sendCommand(const QString &command)
{
    return m_link.sendCommand(command);
}

void Session::connectLink()
{
    m_link.start();
    mirror();
}

void Session::stopLink()
{
    m_link.stop();
    mirror();
}

void Session::onComm()
{
    m_link.onComm();
    mirror();
}

void Session::tick()
{
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
    if (++m_minuteTicks >= 600) {
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
    m_snap.readings.fill(QStringLiteral("0.0"));
    m_snap.levels = {};
    publishIfChanged();
    mirror();
}

void Session::onFrame(const meterlink::Frame &frame)
{
    const qint64 ms = m_svc.clock->epochMilliseconds();
    m_snap.readings = meterlink::readingTexts(frame);
    m_snap.levels = frame.levels;
    m_snap.frameSecond = ms / 1000;
    m_history.append(ms, m_snap.readings, {qint8(frame.levels[0]), qint8(frame.levels[1])});
    m_mean.frame(ms, frame.tenths[0]);
    if (m_snap.site.on)
        applyChanges(m_rule.frame(ms, frame.tenths[0]));
    const auto sound = m_sounder.onLevels(frame.levels, ms);
    if (sound != meterlink::AlarmSounder::Sound::None)
        emit soundDue(sound == meterlink::AlarmSounder::Sound::Level2 ? 2 : 1);
    for (size_t i = 0; i < 2; ++i) {
        const int level = frame.levels[i];
        if (level > m_notifiedLevels[i]) {
            const QString &reading = m_snap.readings[i == 0 ? 0 : 2];
            dispatch(Event::Kind::AlarmRose, reading, int(i), level);
            emit alarmRose(int(i), level, reading);
        }
        m_notifiedLevels[i] = level;
    }
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
        n += o->waiting();
    return n;
}

bool Session::flush(int ms)
{
    const QDeadlineTimer deadline(ms);
    bool done = true;
    for (const auto &o : m_outputs)
        done = o->flush(int(qMax<qint64>(0, deadline.remainingTime()))) && done;
    return done;
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

bool Session::end(int ms)
{
    stopFileOutput();
    // What the outputs write as they stop (the day's summary) is queued with the rest;
    // then it all goes to the disk, within a bound: a disk that never answers must not
    // keep the program from ending.
    for (const auto &o : m_outputs)
        o->stop();
    const bool done = flush(ms);
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
    m_meanHistory.push_back({ms, m_snap.site.stats.meanTenths});
    while (m_meanHistory.size() > 3700 || m_meanHistory.front().ms < ms - 3600 * 1000)
        m_meanHistory.pop_front();
    applyChanges(m_rule.update(ms, m_snap.site.stats));
}

void Session::applyChanges(const QList<site::Change> &changes)
{
    using site::Change;
    if (changes.isEmpty())
        return;
    const site::Work before = m_snap.site.work;
    // The values at this moment (a storm's frame is in the gust).
    m_snap.site.stats = m_mean.at(m_svc.clock->epochMilliseconds());
    m_snap.site.work = m_rule.work();
    m_snap.site.latched = m_rule.latched();
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
        case Change::Storm:
            m_latch.latchedMs = m_rule.latchedMs();
            keepLatch();
            dispatch(Event::Kind::Storm, m_snap.readings[0]);
            emit storm(m_snap.readings[0]);
            sound = 2;
            break;
        case Change::Acknowledged:
            m_latch = {0, m_svc.clock->epochMilliseconds(), m_rule.work()};
            keepLatch();
            dispatch(Event::Kind::Acknowledged);
            emit inspectionAcknowledged();
            break;
        }
    }
    if (m_snap.site.work != before) {
        m_latch.work = m_snap.site.work;
        keepLatch();
        const auto &st = m_snap.site.stats;
        emit workChanged(m_snap.site.work,
                         st.valid ? basSubMain::speedText(st.meanTenths) : QStringLiteral("---"));
    }
    if (sound && m_settings.sound)
        emit soundDue(sound);
}

void Session::keepLatch()
{
    QString error;
    if (m_svc.latchFile && !m_svc.latchFile->write(site::formatLatch(m_latch), &error))
        emit latchNotKept(error);
}

bool Session::acknowledgeInspection()
{
    const QList<site::Change> changes = m_rule.acknowledge();
    applyChanges(changes);
    publishIfChanged();
    return !changes.isEmpty();
}

// ---- what others are told

void Session::dispatch(Event::Kind kind, const QString &detail, int figure, int level)
{
    const Event e{kind, m_svc.clock->epochMilliseconds(), m_snap, detail, figure, level};
    for (const auto &o : m_outputs)
        o->event(e);
}

void Session::publishIfChanged()
{
    m_snap.link = m_link.state();
    m_snap.receiving = m_link.receiving();
    m_snap.rejected = m_link.rejectedFrames();
    if (m_snap == m_published)
        return;
    m_published = m_snap;
    for (const auto &o : m_outputs)
        o->snapshot(m_snap);
    emit snapshotChanged(m_snap);
}

void Session::mirror()
{
    basSubMain::gReadings = m_snap.readings;
    basSubMain::gLinkCountdown = m_link.countdown();
    basSubMain::gRxBuffer = m_link.rxBuffer();
}

} // namespace session
