#include "session/outputs.h"

#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/mqtt_client.h"
#include "platform/settings_store.h"
#include "platform/state_file.h"
#include "publish/publisher.h"
#include "session/event_log.h"

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
    m_log.tick(m_interval, m_mask, s.readings, s.link == meterlink::LinkState::Reconnecting);
}

void CsvLog::reset(const QDateTime &now)
{
    m_log.resetCount(now.time().second());
}

MqttOutput::MqttOutput(std::unique_ptr<platform::MqttClient> client, platform::Clock *clock,
                       const publish::MqttSettings &settings, QObject *parent)
    : Output(parent), m_client(std::move(client)), m_clock(clock),
      m_where(QStringLiteral("%1:%2").arg(settings.host).arg(settings.port)),
      m_topic(settings.topic), m_topicProblem(settings.topicProblem)
{
    m_publisher = std::make_unique<publish::Publisher>(m_client.get(), clock, settings, [this] {
        publish::Snapshot p;
        // Nothing is published as measured while no frame comes.
        if (m_last.receiving)
            p.readings = m_last.readings;
        p.alarms = m_last.levels;
        p.link = meterlink::linkStateName(m_last.link);
        const SiteState &site = m_last.site;
        if (site.on) {
            p.site = true;
            if (site.stats.valid)
                p.mean = site.stats.meanTenths / 10.0;
            if (site.stats.gustTenths >= 0)
                p.gust = site.stats.gustTenths / 10.0;
            p.work = site::workName(site.work);
            p.storm = site.latched;
            p.scaffold = site.scaffoldMs != 0;
            p.inspectedBy = site.inspection.by;
            p.inspectionResult = site.inspection.result;
            p.inspectedMs = site.inspection.ms;
        }
        return p;
    });
    connect(m_publisher.get(), &publish::Publisher::statusChanged, this, &Output::statusChanged);
}

MqttOutput::~MqttOutput() = default;

bool MqttOutput::start(const basSubMain::Settings &settings, QString *)
{
    m_running = true;
    m_publisher->setSite(settings.site.enabled);
    if (!m_topicProblem.isEmpty())
        emit statusChanged(QStringLiteral("MQTT: the topic in the settings cannot be used (%1)")
                               .arg(m_topicProblem));
    emit statusChanged(QStringLiteral("MQTT: publishing to %1 under %2").arg(m_where, m_topic));
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
    m_last = s;
}

void MqttOutput::tick(const Snapshot &s)
{
    m_last = s;
    // Once a second: the state when it changed, or at least once a minute.
    const qint64 second = m_clock->epochSeconds();
    if (!m_running || second == m_second)
        return;
    m_second = second;
    m_publisher->tick();
}

std::vector<std::unique_ptr<Output>> makeOutputs(const platform::SettingsStore &store,
                                                 const OutputServices &services)
{
    std::vector<std::unique_ptr<Output>> outputs;
    outputs.push_back(std::make_unique<CsvLog>(services.file, services.clock));
    auto files = services.files;
    if (!files)
        files = [] { return std::make_unique<platform::LocalFileOutput>(); };
    outputs.push_back(std::make_unique<EventLog>(
        files, services.clock,
        platform::StateFile::beside(store.location(), QStringLiteral("wind"))));
    if (const auto mqtt = publish::loadMqttSettings(store); mqtt && services.mqttClient)
        if (auto client = services.mqttClient())
            outputs.push_back(
                std::make_unique<MqttOutput>(std::move(client), services.clock, *mqtt));
    return outputs;
}

} // namespace session
