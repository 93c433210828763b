// Publishing the readings to an MQTT broker: the state as JSON, the availability
// ("online", and "offline" as the last will and at a clean end), and one retained Home
// Assistant discovery record per reading and alarm level. Off unless the settings file's
// group [Mqtt] names a host.
#pragma once

#include "model/snapshot.h"
#include "platform/mqtt_client.h"

#include <QDateTime>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace platform {
class SettingsStore;
class Clock;
} // namespace platform

namespace publish {

// The group [Mqtt]: Host, Port (1883), Topic (qv475/<hostname>), User, Password, Tls.
struct MqttSettings {
    QString host;
    int port = 1883;
    QString topic;
    QString user;
    QString password;
    bool tls = false;
    // Why the topic in the file could not be used (the default is used instead), or empty.
    QString topicProblem;
};
// Nothing when the group names no host.
std::optional<MqttSettings> loadMqttSettings(const platform::SettingsStore &store);

// What <topic>/state says of a snapshot, without its time: the readings in m/s (null
// while no frame comes), the alarm levels, the link ("live", "reconnecting", "stopped")
// and, while the site's rule is on, the mean (null while not valid), the gust, the work
// state, the storm and scaffold latches and the last inspection.
QJsonObject stateObject(const session::Snapshot &s);
// The JSON of <topic>/state: the object above with the time.
QByteArray stateJson(const session::Snapshot &s, const QDateTime &localTime);
// Discovery records: topic and retained JSON, four sensors, two alarm levels and the
// link; with site, the mean, the gust, the work state, "stop work" and the inspection
// latch too. Each expires when no state came for kExpireAfter seconds.
QList<std::pair<QString, QByteArray>> discoveryRecords(const MqttSettings &settings,
                                                       const QString &version, bool site = false);
// The discovery topics of the site's entities (emptied when the rule is switched off).
QStringList siteDiscoveryTopics(const MqttSettings &settings);
constexpr int kExpireAfter = 180;
// The node id of the discovery topics: the topic with every other character than ASCII
// letters, digits and "_" turned into "_", and the first 8 hex digits of the topic's
// SHA-256, so that "a/b", "a_b" and "東棟/crane" never share an id.
QString nodeId(const QString &topic);
// The id earlier versions used (without the hash): their retained records are removed.
QString legacyNodeId(const QString &topic);
// Why a topic cannot be published under (wildcards, an empty level, too long for MQTT
// with the subtopics), or empty.
QString topicProblem(const QString &topic);

class Publisher : public QObject
{
    Q_OBJECT
public:
    Publisher(platform::MqttClient *client, platform::Clock *clock, MqttSettings settings,
              QObject *parent = nullptr);

    void start();
    // The site's entities are announced (or removed) at once when connected.
    void setSite(bool on);
    // The session's snapshot changed: what a state published on connecting carries.
    void update(const session::Snapshot &s) { m_current = s; }
    // The session's heartbeat: at most once a second, publishes the state when what it
    // says changed, or a minute passed.
    void tick(const session::Snapshot &s);
    // "offline", then a clean disconnect.
    void stop();

signals:
    // One line about the broker for the user: connected, refused, unreachable, lost.
    void statusChanged(const QString &text);

private:
    void publishState();
    void publishDiscovery();
    void say(const QString &text);

    platform::MqttClient *m_client;
    platform::Clock *m_clock;
    MqttSettings m_settings;
    session::Snapshot m_current;
    std::optional<QJsonObject> m_last; // the last state published, without its time
    qint64 m_lastAt = 0;               // epoch seconds of the last state published
    qint64 m_checked = -1;             // epoch seconds of the last look at the snapshot
    QString m_lastStatus;
    bool m_site = false;
    bool m_legacyRemoved = false;
};

} // namespace publish
