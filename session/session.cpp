#include "session/session.h"

#include "app/globals.h"
#include "logging/background_writer.h"
#include "logging/csv_format.h"
#include "logging/log_writer.h"
#include "platform/clock.h"
#include "platform/port_identity.h"
#include "platform/serial_port.h"
#include "platform/state_file.h"
#include "platform/timer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>

namespace session {

using meterlink::LinkState;

QString inspectionDetail(const site::Inspection &inspection)
{
    return QStringLiteral("点検者=%1;結果=%2").arg(inspection.by, inspection.result);
}

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
            m_snap.site.latched = m_rule.latched();
            m_snap.site.storm = m_rule.storm();
            m_snap.site.scaffoldMs = m_rule.scaffoldMs();
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
        m_rule.restore(m_latch.storm, 0, site::Work::Undecided);
        keepLatch();
        emit stateUnreadable(m_svc.latchFile->path(), keptAs);
        return;
    }
    m_latch = *kept;
    m_rule.restore(m_latch.storm, m_latch.scaffoldMs, m_latch.work);
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
    m_link.start();
    mirror();
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

bool Session::end(int ms, MeterOnEnd meter)
{
    // No tick runs into what is being ended.
    stopHeartbeat();
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
    m_snap.site.latched = m_rule.latched();
    m_snap.site.storm = m_rule.storm();
    m_snap.site.scaffoldMs = m_rule.scaffoldMs();
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
            m_latch.storm = m_rule.storm();
            keepLatch();
            const QString gust = meterlink::formatTenths(m_snap.tenths[0]);
            dispatch(Event::Kind::Storm, gust);
            emit storm(gust);
            sound = 2;
            break;
        }
        case Change::Scaffold:
            m_latch.scaffoldMs = m_rule.scaffoldMs();
            keepLatch();
            dispatch(Event::Kind::Scaffold);
            break;
        case Change::Undecided: dispatch(Event::Kind::Undecided); break;
        case Change::Acknowledged:
            m_latch.storm = {};
            m_latch.scaffoldMs = 0;
            m_latch.inspection = m_snap.site.inspection;
            m_latch.work = m_rule.work();
            keepLatch();
            dispatch(Event::Kind::Acknowledged, inspectionDetail(m_snap.site.inspection));
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

Acknowledgement Session::acknowledgeInspection(const QString &by, const QString &result)
{
    const QString name = site::cleanField(by);
    if (name.isEmpty())
        return Acknowledgement::NoName;
    if (!m_snap.site.on || (!m_rule.latched() && !m_rule.scaffoldMs()))
        return Acknowledgement::NothingLatched;
    const QString res = site::cleanField(result);
    m_snap.site.inspection = {name, res.isEmpty() ? QStringLiteral("異常なし") : res,
                              m_svc.clock->epochMilliseconds()};
    m_snap.site.stateUnreadable = false;
    applyChanges(m_rule.acknowledge());
    publishIfChanged();
    return Acknowledgement::Recorded;
}

QByteArray answerCommand(Session &session, const QByteArray &request)
{
    auto refuse = [](const char *code, const QString &text) {
        QJsonObject o{{QStringLiteral("ok"), false},
                      {QStringLiteral("code"), QString::fromLatin1(code)},
                      {QStringLiteral("error"), text}};
        return QJsonDocument(o).toJson(QJsonDocument::Compact);
    };
    const QJsonObject ack =
        QJsonDocument::fromJson(request).object().value(QStringLiteral("acknowledge")).toObject();
    if (ack.isEmpty())
        return refuse("bad_request", QStringLiteral("unknown request"));
    switch (session.acknowledgeInspection(ack.value(QStringLiteral("by")).toString(),
                                          ack.value(QStringLiteral("result")).toString())) {
    case Acknowledgement::NoName:
        return refuse("no_name", QStringLiteral("the inspector's name is required"));
    case Acknowledgement::NothingLatched:
        return refuse("nothing_latched", QStringLiteral("no inspection is waiting"));
    case Acknowledgement::Recorded: break;
    }
    // The answer says it is recorded once the event log has it on the disk.
    const bool written = session.flush(3000);
    QJsonObject o{{QStringLiteral("ok"), true}, {QStringLiteral("written"), written}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
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
