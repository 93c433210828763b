// The outputs of the meter session, and the one factory that builds them from the
// settings: the CSV log and the site's records always (the records write only while
// [Site] is switched on), the MQTT publisher when [Mqtt] names a host, the notifications
// when there is a group [Notify].
#pragma once

#include "logging/log_writer.h"
#include "model/output.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {
class NotifySender;
class SleepInhibitor;
class SettingsStore;
class FileOutput;
class Clock;
class MqttClient;
} // namespace platform

namespace publish {
class Publisher;
struct MqttSettings;
struct NotifySettings;
struct Notice;
} // namespace publish

namespace session {

// The CSV log: a file per start of file output, a row at each due point, gap rows while
// the link is being re-established.
class CsvLog : public Output
{
    Q_OBJECT
public:
    CsvLog(platform::FileOutput *file, platform::Clock *clock, QObject *parent = nullptr);
    Runs runs() const override { return Runs::WithFileOutput; }
    bool start(const basSubMain::Settings &settings, QString *error) override;
    void stop() override { m_log.stop(); }
    bool running() const override { return m_log.isOpen(); }
    // The interval and columns count from the start of the program, not of the file.
    void settingsChanged(const basSubMain::Settings &settings) override;
    void tick(const Snapshot &s) override;
    void reset(const QDateTime &now) override;
    bool flush(int ms) override { return m_log.flush(ms); }
    qsizetype waiting() const override { return m_log.rowsWaiting(); }
    QString name() const override { return QStringLiteral("Log"); }
    QString where() const override { return m_log.path(); }
    const logging::LogWriter &writer() const { return m_log; }

private:
    logging::LogWriter m_log;
    int m_interval = 600;
    int m_mask = 31;
};

// The readings, levels and link state to a broker, once a second when they changed.
class MqttOutput : public Output
{
    Q_OBJECT
public:
    MqttOutput(std::unique_ptr<platform::MqttClient> client, platform::Clock *clock,
               const publish::MqttSettings &settings, QObject *parent = nullptr);
    ~MqttOutput() override;
    Runs runs() const override { return Runs::WithSession; }
    bool start(const basSubMain::Settings &settings, QString *) override;
    void stop() override;
    bool running() const override { return m_running; }
    void settingsChanged(const basSubMain::Settings &settings) override;
    void tick(const Snapshot &s) override;
    void snapshot(const Snapshot &s) override;
    QString name() const override { return QStringLiteral("Mqtt"); }
    QString where() const override { return m_where; }

private:
    std::unique_ptr<platform::MqttClient> m_client;
    std::unique_ptr<publish::Publisher> m_publisher;
    QString m_where;
    QString m_topic;
    QString m_topicProblem;
    bool m_running = false;
};

// The session's events to a web hook and a command ([Notify]), repeated while a stop
// holds or a storm waits for its inspection (Repeat= minutes).
class NotifyOutput : public Output
{
    Q_OBJECT
public:
    NotifyOutput(const publish::NotifySettings &settings, platform::Clock *clock,
                 QObject *parent = nullptr);
    ~NotifyOutput() override;
    Runs runs() const override { return Runs::WithSession; }
    bool start(const basSubMain::Settings &settings, QString *) override;
    void stop() override { m_running = false; }
    bool running() const override { return m_running; }
    void settingsChanged(const basSubMain::Settings &settings) override;
    void tick(const Snapshot &s) override;
    void event(const Event &e) override;
    bool flush(int ms) override;
    qsizetype waiting() const override;
    Queue queue() const override { return Queue::Notices; }
    QString name() const override { return QStringLiteral("Notify"); }
    QString where() const override;

    // The notice of an event as it is sent.
    static publish::Notice notice(const Event &e, const QString &site, const QString &source);

private:
    void send(const Event &e);

    std::unique_ptr<publish::NotifySettings> m_settings;
    platform::Clock *m_clock;
    std::unique_ptr<platform::NotifySender> m_notifier;
    QString m_site;
    bool m_running = false;
    // When the repeated stop and storm were sent last (0: not repeating).
    qint64 m_stopSentMs = 0, m_stormSentMs = 0;
    // Since when the repeated stop and storm hold.
    qint64 m_stopSinceMs = 0, m_stormSinceMs = 0;
    qint64 m_second = -1;
};

// Keeps the system awake while file output runs, so that a laptop that sleeps does not
// stop the log; released when output stops.
class StayAwake : public Output
{
    Q_OBJECT
public:
    explicit StayAwake(platform::SleepInhibitor *inhibitor, QObject *parent = nullptr)
        : Output(parent), m_inhibitor(inhibitor)
    {}
    ~StayAwake() override { stop(); }
    Runs runs() const override { return Runs::WithFileOutput; }
    bool start(const basSubMain::Settings &, QString *) override;
    void stop() override;
    bool running() const override { return m_running; }
    QString name() const override { return QStringLiteral("StayAwake"); }
    QString where() const override { return QStringLiteral("sleep lock"); }

private:
    platform::SleepInhibitor *m_inhibitor;
    bool m_running = false;
    bool m_refusalSaid = false;
};

struct OutputServices {
    platform::FileOutput *file = nullptr;
    platform::Clock *clock = nullptr;
    // Made only when the settings name a broker (the MQTT library is loaded then).
    std::function<std::unique_ptr<platform::MqttClient>()> mqttClient;
    // The files of the site's records (real files when none).
    std::function<std::unique_ptr<platform::FileOutput>()> files;
    // Keeps the system awake while file output runs; none: nothing is asked.
    platform::SleepInhibitor *sleepInhibitor = nullptr;
};

std::vector<std::unique_ptr<Output>> makeOutputs(const platform::SettingsStore &store,
                                                 const OutputServices &services);

class Session;
// The session put together from the settings file, the same for the window and the logger:
// the settings, then the outputs the file asks for. The host resets the session after it.
void compose(Session &session, const basSubMain::Settings &settings,
             const platform::SettingsStore &store, const OutputServices &services);
// What in the settings keeps a session from ever working: a port number outside 1 to 16,
// a line setting that is not one, or a [Site] that cannot be used; empty when nothing.
// The logger refuses to start on it; the window shows the last (it corrects the first two
// as it reads them).
QString settingsFault(const basSubMain::Settings &settings, const platform::SettingsStore &store);

} // namespace session
