#include "publish/publisher.h"

#include "platform/clock.h"
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSysInfo>

namespace publish {

namespace {
const QString kGroup = QStringLiteral("Mqtt");
constexpr qint64 kAtLeastEvery = 60; // seconds

const char *const kObjects[4] = {"instant", "instant_max", "average", "average_max"};
const char16_t *const kNames[4] = {u"瞬間風速", u"瞬間最大風速", u"平均風速", u"平均最大風速"};
} // namespace

std::optional<MqttSettings> loadMqttSettings(const platform::SettingsStore &store)
{
    const QString host = store.text(kGroup, QStringLiteral("Host")).value_or(QString()).trimmed();
    if (host.isEmpty())
        return std::nullopt;
    MqttSettings s;
    s.host = host;
    bool ok = false;
    const int port = store.text(kGroup, QStringLiteral("Port")).value_or(QString()).toInt(&ok);
    if (ok && port > 0 && port < 65536)
        s.port = port;
    s.topic = store.text(kGroup, QStringLiteral("Topic")).value_or(QString()).trimmed();
    // A topic must not end in "/" (the subtopics are appended).
    while (s.topic.endsWith(QLatin1Char('/')))
        s.topic.chop(1);
    if (!s.topic.isEmpty())
        s.topicProblem = topicProblem(s.topic);
    if (s.topic.isEmpty() || !s.topicProblem.isEmpty())
        s.topic = QStringLiteral("qv475/") + QSysInfo::machineHostName();
    s.user = store.text(kGroup, QStringLiteral("User")).value_or(QString());
    s.password = store.text(kGroup, QStringLiteral("Password")).value_or(QString());
    s.tls = store.text(kGroup, QStringLiteral("Tls")).value_or(QString()).trimmed() ==
            QStringLiteral("1");
    return s;
}

QString legacyNodeId(const QString &topic)
{
    QString id = topic;
    for (QChar &c : id)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return id;
}

QString nodeId(const QString &topic)
{
    return legacyNodeId(topic) + QLatin1Char('_') +
           QString::fromLatin1(QCryptographicHash::hash(topic.toUtf8(), QCryptographicHash::Sha256)
                                   .toHex()
                                   .left(8));
}

QString topicProblem(const QString &topic)
{
    if (topic.contains(QLatin1Char('#')) || topic.contains(QLatin1Char('+')))
        return QStringLiteral("wildcards (+ or #) cannot be published to");
    if (topic.startsWith(QLatin1Char('/')) || topic.contains(QStringLiteral("//")))
        return QStringLiteral("an empty level");
    if (topic.contains(QChar(0)))
        return QStringLiteral("a NUL character");
    // The longest subtopic's name is added; MQTT allows 65,535 bytes.
    if (topic.toUtf8().size() + 64 > 65535)
        return QStringLiteral("longer than MQTT allows");
    return {};
}

QJsonObject stateObject(const session::Snapshot &s)
{
    QJsonObject o;
    // Nothing is published as measured while no frame comes.
    for (size_t i = 0; i < 4; ++i)
        o.insert(QString::fromLatin1(kObjects[i]),
                 s.receiving ? QJsonValue(s.tenths[i] / 10.0) : QJsonValue());
    o.insert(QStringLiteral("instant_alarm"), s.levels[0]);
    o.insert(QStringLiteral("average_alarm"), s.levels[1]);
    o.insert(QStringLiteral("link"), meterlink::linkStateName(s.link));
    const session::SiteState &site = s.site;
    if (site.on) {
        const QJsonValue none;
        o.insert(QStringLiteral("mean"),
                 site.stats.valid ? QJsonValue(site.stats.meanTenths / 10.0) : none);
        o.insert(QStringLiteral("gust"),
                 site.stats.gustTenths >= 0 ? QJsonValue(site.stats.gustTenths / 10.0) : none);
        o.insert(QStringLiteral("work"), site::workName(site.work));
        o.insert(QStringLiteral("storm"), site.latched);
        o.insert(QStringLiteral("scaffold"), site.scaffoldMs != 0);
        // A fault found keeps the latch ("storm" stays true) until a pass clears it.
        o.insert(QStringLiteral("out_of_service"), site.outOfService());
        const site::Inspection &i = site.inspection;
        QJsonValue inspection;
        if (i.ms)
            inspection = QJsonObject{
                {QStringLiteral("by"), i.by},
                {QStringLiteral("result"), i.result},
                {QStringLiteral("time"), platform::isoStamp(QDateTime::fromMSecsSinceEpoch(i.ms))},
                {QStringLiteral("latch"), site::latchName(i.latch)},
                {QStringLiteral("forced"), i.forced}};
        o.insert(QStringLiteral("inspection"), inspection);
    }
    return o;
}

static QByteArray withTime(QJsonObject o, const QDateTime &localTime)
{
    o.insert(QStringLiteral("time"), platform::isoStamp(localTime));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray stateJson(const session::Snapshot &s, const QDateTime &localTime)
{
    return withTime(stateObject(s), localTime);
}

namespace {
// The site's entities: component, object, name.
struct SiteEntity {
    const char *component, *object;
    const char16_t *name;
};
constexpr SiteEntity kSiteEntities[] = {
    {"sensor", "mean", u"平均風速(判定)"},
    {"sensor", "gust", u"最大瞬間風速"},
    {"sensor", "work", u"作業判定"},
    {"binary_sensor", "stop_work", u"作業中止"},
    {"binary_sensor", "inspection", u"点検要"},
    {"binary_sensor", "out_of_service", u"使用停止"},
};
} // namespace

QStringList siteDiscoveryTopics(const MqttSettings &settings)
{
    QStringList topics;
    for (const auto &e : kSiteEntities)
        topics << QStringLiteral("homeassistant/%1/%2/%3/config")
                      .arg(QString::fromLatin1(e.component), nodeId(settings.topic),
                           QString::fromLatin1(e.object));
    return topics;
}

// Every discovery topic this program published under a node id: the readings, alarms and
// link, and the site's entities.
static QStringList discoveryTopics(const QString &node)
{
    QStringList topics;
    auto add = [&](const char *component, const QString &object) {
        topics << QStringLiteral("homeassistant/%1/%2/%3/config")
                      .arg(QLatin1String(component), node, object);
    };
    for (const char *o : kObjects)
        add("sensor", QString::fromLatin1(o));
    add("sensor", QStringLiteral("instant_alarm"));
    add("sensor", QStringLiteral("average_alarm"));
    add("binary_sensor", QStringLiteral("link"));
    for (const auto &e : kSiteEntities)
        add(e.component, QString::fromLatin1(e.object));
    return topics;
}

QList<std::pair<QString, QByteArray>> discoveryRecords(const MqttSettings &settings,
                                                       const QString &version, bool site)
{
    const QString node = nodeId(settings.topic);
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{node});
    device.insert(QStringLiteral("name"), QStringLiteral("QV-475 ") + settings.topic);
    device.insert(QStringLiteral("model"), QStringLiteral("QV-475"));
    device.insert(QStringLiteral("sw_version"), version);
    QJsonObject origin;
    origin.insert(QStringLiteral("name"), QStringLiteral("qv475"));
    origin.insert(QStringLiteral("sw_version"), version);
    auto record = [&](const QString &object, const QString &name, const QString &value) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), name);
        o.insert(QStringLiteral("unique_id"), node + QLatin1Char('_') + object);
        o.insert(QStringLiteral("object_id"), node + QLatin1Char('_') + object);
        o.insert(QStringLiteral("state_topic"), settings.topic + QStringLiteral("/state"));
        o.insert(QStringLiteral("value_template"), value);
        o.insert(QStringLiteral("availability_topic"), settings.topic + QStringLiteral("/status"));
        o.insert(QStringLiteral("payload_available"), QStringLiteral("online"));
        o.insert(QStringLiteral("payload_not_available"), QStringLiteral("offline"));
        // A logger that stalls shows as unavailable: the state comes at least once a minute.
        o.insert(QStringLiteral("expire_after"), kExpireAfter);
        o.insert(QStringLiteral("device"), device);
        o.insert(QStringLiteral("origin"), origin);
        return o;
    };
    auto field = [](const char *name) {
        return QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(name));
    };
    auto onWhen = [](const QString &condition) {
        return QStringLiteral("{{ 'ON' if %1 else 'OFF' }}").arg(condition);
    };
    QList<std::pair<QString, QByteArray>> out;
    auto add = [&](const char *component, const QString &object, const QJsonObject &o) {
        out.append({QStringLiteral("homeassistant/%1/%2/%3/config")
                        .arg(QLatin1String(component), node, object),
                    QJsonDocument(o).toJson(QJsonDocument::Compact)});
    };
    auto windSensor = [&](const QString &object, const QString &name, const char *value) {
        QJsonObject o = record(object, name, field(value));
        o.insert(QStringLiteral("device_class"), QStringLiteral("wind_speed"));
        o.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("m/s"));
        o.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        add("sensor", object, o);
    };
    for (int i = 0; i < 4; ++i)
        windSensor(QString::fromLatin1(kObjects[i]), QString::fromUtf16(kNames[i]), kObjects[i]);
    const struct {
        const char *object;
        const char16_t *name;
    } alarms[] = {{"instant_alarm", u"瞬間風速警報"}, {"average_alarm", u"平均風速警報"}};
    for (const auto &a : alarms) {
        const QString object = QString::fromLatin1(a.object);
        QJsonObject o = record(object, QString::fromUtf16(a.name), field(a.object));
        o.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        o.insert(QStringLiteral("icon"), QStringLiteral("mdi:alarm-light"));
        add("sensor", object, o);
    }
    {
        QJsonObject o = record(QStringLiteral("link"), QStringLiteral("風速計との通信"),
                               onWhen(QStringLiteral("value_json.link == 'live'")));
        o.insert(QStringLiteral("device_class"), QStringLiteral("connectivity"));
        add("binary_sensor", QStringLiteral("link"), o);
    }
    if (!site)
        return out;
    const auto &e = kSiteEntities;
    windSensor(QString::fromLatin1(e[0].object), QString::fromUtf16(e[0].name), "mean");
    windSensor(QString::fromLatin1(e[1].object), QString::fromUtf16(e[1].name), "gust");
    {
        QJsonObject o =
            record(QString::fromLatin1(e[2].object), QString::fromUtf16(e[2].name), field("work"));
        o.insert(QStringLiteral("device_class"), QStringLiteral("enum"));
        o.insert(QStringLiteral("options"),
                 QJsonArray{QStringLiteral("normal"), QStringLiteral("caution"),
                            QStringLiteral("stop"), QStringLiteral("undecided")});
        add("sensor", QString::fromLatin1(e[2].object), o);
    }
    // While undecided, whether work stops is not known: "None" makes the state unknown.
    const QString templates[3] = {
        QStringLiteral("{{ 'ON' if value_json.work == 'stop' else ('None' if value_json.work "
                       "== 'undecided' else 'OFF') }}"),
        onWhen(QStringLiteral("value_json.storm")),
        onWhen(QStringLiteral("value_json.out_of_service"))};
    for (int i = 0; i < 3; ++i) {
        const SiteEntity &b = e[3 + i];
        QJsonObject o =
            record(QString::fromLatin1(b.object), QString::fromUtf16(b.name), templates[i]);
        o.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
        add("binary_sensor", QString::fromLatin1(b.object), o);
    }
    return out;
}

Publisher::Publisher(platform::MqttClient *client, platform::Clock *clock, MqttSettings settings,
                     QObject *parent)
    : QObject(parent), m_client(client), m_clock(clock), m_settings(std::move(settings))
{
    connect(m_client, &platform::MqttClient::connected, this, [this] {
        say(QCoreApplication::translate("output", "MQTT: %1:%2 に接続しました")
                .arg(m_settings.host)
                .arg(m_settings.port));
        m_client->publish(m_settings.topic + QStringLiteral("/status"), "online", true);
        publishDiscovery();
        publishState();
    });
    connect(m_client, &platform::MqttClient::publishFailed, this, [this](const QString &reason) {
        say(QCoreApplication::translate("output", "MQTT: ﾒｯｾｰｼﾞが拒否されました: %1").arg(reason));
    });
    connect(m_client, &platform::MqttClient::connectFailed, this, [this](const QString &reason) {
        say(QCoreApplication::translate("output", "MQTT: %1:%2: %3、再試行します")
                .arg(m_settings.host)
                .arg(m_settings.port)
                .arg(reason));
    });
    connect(m_client, &platform::MqttClient::disconnected, this, [this](const QString &reason) {
        say(QCoreApplication::translate("output", "MQTT: 接続が切れました (%1)、再試行します")
                .arg(reason.isEmpty() ? QCoreApplication::translate("output", "切断") : reason));
    });
}

void Publisher::say(const QString &text)
{
    // A broker that keeps refusing is reported once, not at every retry.
    if (text == m_lastStatus)
        return;
    m_lastStatus = text;
    emit statusChanged(text);
}

void Publisher::start()
{
    platform::MqttClient::Options o;
    o.host = m_settings.host;
    o.port = m_settings.port;
    o.user = m_settings.user;
    o.password = m_settings.password;
    o.tls = m_settings.tls;
    o.willTopic = m_settings.topic + QStringLiteral("/status");
    o.willPayload = "offline";
    m_client->start(o);
}

void Publisher::publishDiscovery()
{
    // The records of earlier versions, under the id without the hash, are removed once.
    if (!std::exchange(m_legacyRemoved, true))
        for (const QString &topic : discoveryTopics(legacyNodeId(m_settings.topic)))
            m_client->publish(topic, QByteArray(), true);
    // Entities of a rule switched off are removed (an empty retained record).
    if (!m_site)
        for (const QString &topic : siteDiscoveryTopics(m_settings))
            m_client->publish(topic, QByteArray(), true);
    for (const auto &[topic, json] :
         discoveryRecords(m_settings, QCoreApplication::applicationVersion(), m_site))
        m_client->publish(topic, json, true);
}

void Publisher::setSite(bool on)
{
    if (std::exchange(m_site, on) != on && m_client->isConnected())
        publishDiscovery();
}

void Publisher::tick(const session::Snapshot &s)
{
    m_current = s;
    // The one rate limit: a look once a second, a state when it says something new or
    // a minute passed.
    const qint64 now = m_clock->epochSeconds();
    if (now == m_checked || now == m_lastAt || !m_client->isConnected())
        return;
    m_checked = now;
    if (m_last && *m_last == stateObject(s) && now - m_lastAt < kAtLeastEvery)
        return;
    publishState();
}

void Publisher::publishState()
{
    m_last = stateObject(m_current);
    m_client->publish(m_settings.topic + QStringLiteral("/state"),
                      withTime(*m_last, m_clock->now()), false);
    m_lastAt = m_clock->epochSeconds();
}

void Publisher::stop()
{
    if (m_client->isConnected())
        m_client->publish(m_settings.topic + QStringLiteral("/status"), "offline", true);
    m_client->stop();
}

} // namespace publish
