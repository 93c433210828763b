#include "session/outputs.h"

#include "base/settings.h"
#include "logging/event_words.h"
#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/mqtt_client.h"
#include "platform/notify_sender.h"
#include "platform/serial_settings.h"
#include "platform/settings_store.h"
#include "platform/sleep_inhibitor.h"
#include "publish/notify.h"
#include "publish/publisher.h"
#include "session/event_log.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace session {

CsvLog::CsvLog(platform::FileOutput *file, platform::Clock *clock, QObject *parent)
    : Output(parent), m_log(file, clock)
{
    connect(&m_log, &logging::LogWriter::writeFailed, this, &Output::failed);
    connect(&m_log, &logging::LogWriter::stalled, this, &Output::stalled);
    connect(&m_log, &logging::LogWriter::stallEnded, this, &Output::stallEnded);
}

bool CsvLog::start(const basSubMain::Settings &settings, QString *error)
{
    // The settings cannot change while the file is written: the dialog needs the link,
    // and so the file output, stopped.
    m_interval = settings.fTime;
    m_mask = settings.fOut;
    return m_log.start(settings.fName, settings.fOut, error);
}

void CsvLog::settingsChanged(const basSubMain::Settings &settings)
{
    // The due points follow the configured interval whether or not a file is written, so
    // that starting output does not restart it.
    m_interval = settings.fTime;
    m_mask = settings.fOut;
}

void CsvLog::tick(const Snapshot &s)
{
    // While the link is being re-established the rows keep their times with nothing
    // measured in them.
    m_log.tick(m_interval, m_mask, s.tenths, s.link == meterlink::LinkState::Reconnecting);
}

void CsvLog::reset(const QDateTime &now)
{
    m_log.resetCount(now.time().second());
}

MqttOutput::MqttOutput(std::unique_ptr<platform::MqttClient> client, platform::Clock *clock,
                       const publish::MqttSettings &settings, QObject *parent)
    : Output(parent), m_client(std::move(client)),
      m_where(QStringLiteral("%1:%2").arg(settings.host).arg(settings.port)),
      m_topic(settings.topic), m_topicProblem(settings.topicProblem)
{
    m_publisher = std::make_unique<publish::Publisher>(m_client.get(), clock, settings);
    connect(m_publisher.get(), &publish::Publisher::statusChanged, this, &Output::statusChanged);
}

MqttOutput::~MqttOutput() = default;

bool MqttOutput::start(const basSubMain::Settings &settings, QString *)
{
    m_running = true;
    m_publisher->setSite(settings.site.enabled);
    if (!m_topicProblem.isEmpty())
        emit statusChanged(
            QCoreApplication::translate("output", "MQTT: 設定のﾄﾋﾟｯｸは使えません (%1)")
                .arg(m_topicProblem));
    emit statusChanged(
        QCoreApplication::translate("output", "MQTT: %1 の %2 に送信します").arg(m_where, m_topic));
    m_publisher->start();
    return true;
}

void MqttOutput::stop()
{
    if (!std::exchange(m_running, false))
        return;
    m_publisher->stop();
}

void MqttOutput::settingsChanged(const basSubMain::Settings &settings)
{
    m_publisher->setSite(settings.site.enabled);
}

void MqttOutput::snapshot(const Snapshot &s)
{
    // What a state published before the next tick carries: the kept stop and latch
    // from the start on, never a default.
    m_publisher->update(s);
}

void MqttOutput::tick(const Snapshot &s)
{
    if (m_running)
        m_publisher->tick(s);
}

namespace {
// The event's code and text as sent; no code: not sent.
std::pair<QString, QString> noticeName(Event::Kind kind)
{
    using K = Event::Kind;
    namespace words = logging::words;
    auto rule = [](const char *code, site::Change c) {
        return std::pair{QString::fromLatin1(code), site::changeCaption(c)};
    };
    switch (kind) {
    case K::Caution: return rule("caution", site::Change::Caution);
    case K::StopBegins: return rule("stop", site::Change::StopBegins);
    case K::StopEnds: return rule("stop_end", site::Change::StopEnds);
    case K::Normal: return rule("normal", site::Change::Normal);
    case K::Undecided: return rule("undecided", site::Change::Undecided);
    case K::Storm: return rule("storm", site::Change::Storm);
    case K::Acknowledged: return rule("inspection", site::Change::Acknowledged);
    case K::OutOfService: return rule("out_of_service", site::Change::OutOfService);
    case K::Scaffold: return rule("scaffold", site::Change::Scaffold);
    case K::NoAnswer: return {QStringLiteral("no_answer"), words::word(words::kNoAnswer)};
    case K::MonitorStart:
        return {QStringLiteral("monitor_start"), words::word(words::kMonitorStart)};
    case K::MonitorEnd: return {QStringLiteral("monitor_end"), words::word(words::kMonitorEnd)};
    case K::LinkLost: return {QStringLiteral("link_lost"), words::word(words::kLinkLost)};
    case K::LinkBack: return {QStringLiteral("link_back"), words::word(words::kLinkBack)};
    case K::WriteFailed: return {QStringLiteral("write_failed"), QStringLiteral("書き込み失敗")};
    case K::Stalled: return {QStringLiteral("stalled"), QStringLiteral("書き込み遅延")};
    case K::Test: return {QStringLiteral("test"), QStringLiteral("通知テスト")};
    case K::AlarmRose:
    case K::FileStarted:
    case K::FileStopped:
    case K::PortMoved:
    case K::Paused: break;
    }
    return {};
}
} // namespace

NotifyOutput::NotifyOutput(const publish::NotifySettings &settings, platform::Clock *clock,
                           QObject *parent)
    : Output(parent), m_settings(std::make_unique<publish::NotifySettings>(settings)),
      m_clock(clock)
{}

NotifyOutput::~NotifyOutput() = default;

publish::Notice NotifyOutput::notice(const Event &e, const QString &site, const QString &source)
{
    publish::Notice n;
    std::tie(n.code, n.text) = noticeName(e.kind);
    n.time = platform::isoStamp(QDateTime::fromMSecsSinceEpoch(e.ms));
    n.site = site;
    n.source = source;
    const SiteState &st = e.at.site;
    if (st.on) {
        if (st.stats.valid)
            n.mean = st.stats.meanTenths / 10.0;
        if (st.stats.gustTenths >= 0)
            n.gust = st.stats.gustTenths / 10.0;
        n.work = site::workName(st.work);
        n.storm = st.latched;
    }
    if (e.at.receiving)
        n.instant = e.at.tenths[0] / 10.0;
    n.outOfService = st.on && st.outOfService();
    n.detail = e.detail;
    // What a phone shows on its own: the repeat, who signed with what, why it ended.
    const site::Inspection &i = st.inspection;
    auto signedText = [&i] { return QStringLiteral(" %1 — %2").arg(i.result, i.by) + i.marks(); };
    if (e.detail.startsWith(QStringLiteral("継続中")))
        n.text += QStringLiteral(" (%1)").arg(e.detail);
    else if (e.kind == Event::Kind::Acknowledged)
        n.text += signedText();
    else if (e.kind == Event::Kind::OutOfService)
        n.text += QStringLiteral(" 点検で") + signedText().mid(1);
    else if (e.kind == Event::Kind::MonitorEnd && e.detail.startsWith(QStringLiteral("原因=")))
        n.text += QStringLiteral(" (%1)").arg(e.detail.mid(3));
    return n;
}

bool NotifyOutput::start(const basSubMain::Settings &settings, QString *)
{
    m_site = settings.site.name;
    m_running = true;
    if (!m_notifier) {
        m_notifier = std::make_unique<platform::NotifySender>(m_settings->target);
        connect(m_notifier.get(), &platform::NotifySender::line, this, &Output::statusChanged);
        connect(m_notifier.get(), &platform::NotifySender::tried, this,
                [this](const QString &code, const QString &channel, bool ok, const QString &,
                       const QString &answer) {
                    // A test's answer is said whatever it is; others only when they fail.
                    if (code == QStringLiteral("test"))
                        emit statusChanged(
                            (ok ? QCoreApplication::translate("output",
                                                              "通知: %1 でﾃｽﾄを送りました (%2)")
                                : QCoreApplication::translate(
                                      "output", "通知: %1 でのﾃｽﾄが失敗しました (%2)"))
                                .arg(channel, answer));
                });
        for (const QString &problem : m_settings->problems)
            emit statusChanged(QCoreApplication::translate("output", "通知: %1").arg(problem));
    }
    return true;
}

void NotifyOutput::settingsChanged(const basSubMain::Settings &settings)
{
    m_site = settings.site.name;
}

void NotifyOutput::send(const Event &e)
{
    const publish::Notice n = notice(e, m_site, m_settings->source);
    if (n.code.isEmpty() || !m_settings->events.contains(n.code) || !m_notifier)
        return;
    m_notifier->send(publish::delivery(n, *m_settings));
}

void NotifyOutput::event(const Event &e)
{
    if (!m_running)
        return;
    send(e);
    // The repeats run from the event that began them.
    if (e.kind == Event::Kind::StopBegins)
        m_stopSentMs = e.ms;
    else if (e.kind == Event::Kind::StopEnds)
        m_stopSentMs = 0;
    else if (e.kind == Event::Kind::Storm)
        m_stormSentMs = e.ms;
    else if (e.kind == Event::Kind::Acknowledged)
        m_stormSentMs = 0;
    if (e.kind == Event::Kind::StopBegins)
        m_stopSinceMs = e.ms;
    else if (e.kind == Event::Kind::Storm && !m_stormSinceMs)
        m_stormSinceMs = e.ms;
}

void NotifyOutput::tick(const Snapshot &s)
{
    const qint64 second = m_clock->epochSeconds();
    if (!m_running || second == m_second || m_settings->repeatMinutes <= 0 || !s.site.on)
        return;
    m_second = second;
    const qint64 now = m_clock->epochMilliseconds();
    const qint64 every = qint64(m_settings->repeatMinutes) * 60000;
    // A stop or a latch kept over a restart repeats from the start.
    auto repeat = [&](bool holds, qint64 &sentMs, qint64 &sinceMs, Event::Kind kind) {
        if (!holds) {
            sentMs = sinceMs = 0;
            return;
        }
        if (!sentMs)
            sentMs = now;
        if (!sinceMs)
            sinceMs = now;
        if (now - sentMs < every)
            return;
        sentMs = now;
        // "継続中 20分": a repeat is told from a new event, with how long it has held.
        send(Event{kind, now, s, QStringLiteral("継続中 %1分").arg((now - sinceMs + 30000) / 60000),
                   -1, 0});
    };
    repeat(s.site.work == site::Work::Stop, m_stopSentMs, m_stopSinceMs, Event::Kind::StopBegins);
    repeat(s.site.latched, m_stormSentMs, m_stormSinceMs, Event::Kind::Storm);
}

bool NotifyOutput::flush(int ms)
{
    return !m_notifier || m_notifier->waitIdle(ms);
}

qsizetype NotifyOutput::waiting() const
{
    return m_notifier ? m_notifier->waiting() : 0;
}

QString NotifyOutput::where() const
{
    QStringList out;
    if (!m_settings->target.url.isEmpty())
        out << platform::shownUrl(m_settings->target.url);
    if (!m_settings->target.command.isEmpty())
        out << m_settings->target.command;
    return out.join(QStringLiteral(", "));
}

bool StayAwake::start(const basSubMain::Settings &, QString *)
{
    QString why;
    m_running = true;
    // Logging goes on without the lock; that the system may sleep is said once.
    if (!m_inhibitor->acquire(&why) && !std::exchange(m_refusalSaid, true))
        emit statusChanged(
            QCoreApplication::translate("output", "記録中にｼｽﾃﾑがｽﾘｰﾌﾟすることがあります: %1")
                .arg(why));
    return true;
}

void StayAwake::stop()
{
    if (std::exchange(m_running, false))
        m_inhibitor->release();
}

std::vector<std::unique_ptr<Output>> makeOutputs(const platform::SettingsStore &store,
                                                 const OutputServices &services)
{
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::make_unique<CsvLog>(services.file, services.clock));
    auto files = services.files;
    if (!files)
        files = [] { return std::make_unique<platform::LocalFileOutput>(); };
    outputs.push_back(std::make_unique<EventLog>(files, services.clock,
                                                 EventLog::fallbackBase(store.location())));
    if (const auto mqtt = publish::loadMqttSettings(store); mqtt && services.mqttClient)
        if (auto client = services.mqttClient())
            outputs.push_back(
                std::make_unique<MqttOutput>(std::move(client), services.clock, *mqtt));
    if (services.sleepInhibitor)
        outputs.push_back(std::make_unique<StayAwake>(services.sleepInhibitor));
    if (auto notify = publish::loadNotifySettings(store)) {
        // The source is the broker's topic where there is one, as Home Assistant names it.
        if (const auto mqtt = publish::loadMqttSettings(store))
            notify->source = mqtt->topic;
        outputs.push_back(std::make_unique<NotifyOutput>(*notify, services.clock));
    }
    return outputs;
}

void compose(Session &session, const basSubMain::Settings &settings,
             const platform::SettingsStore &store, const OutputServices &services)
{
    session.setSettings(settings);
    session.setOutputs(makeOutputs(store, services));
}

QString settingsFault(const basSubMain::Settings &settings, const platform::SettingsStore &store)
{
    if (settings.port < 1 || settings.port > 16)
        return QStringLiteral("Port=%1 in the settings: the port number must be 1 to 16")
            .arg(settings.port);
    if (!platform::parseSerialSettings(settings.comSt))
        return QStringLiteral("ComSt=%1 in the settings: not a line setting such as 9600,n,8,1")
            .arg(settings.comSt);
    return basSubMain::siteFileError(store);
}

} // namespace session
