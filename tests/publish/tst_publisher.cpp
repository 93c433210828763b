// The publisher with a fake broker connection and a fake clock: what is published, when,
// and what the settings file's [Mqtt] group gives.
#include "fakes.h"
#include "publish/publisher.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSysInfo>
#include <QtTest>

using namespace Qt::StringLiterals;

using Values = QMap<QString, QString>;
Q_DECLARE_METATYPE(session::Snapshot)

class TstPublisher : public QObject
{
    Q_OBJECT
    fakes::MqttClient mqtt;
    fakes::Clock clock;
    session::Snapshot snapshot;
    publish::MqttSettings settings;

    // n seconds, one tick each.
    void seconds(publish::Publisher &p, int n, const std::function<void(int)> &each = {})
    {
        for (int i = 0; i < n; ++i) {
            clock.current = clock.current.addSecs(1);
            if (each)
                each(i);
            p.tick(snapshot);
        }
    }

private slots:
    void init()
    {
        mqtt.sent.clear();
        mqtt.up = false;
        mqtt.stopped = false;
        clock.current = QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0), Qt::OffsetFromUTC, 9 * 3600);
        snapshot = {};
        snapshot.tenths = {123, 150, 81, 99};
        snapshot.levels = {1, 0};
        snapshot.link = meterlink::LinkState::Live;
        snapshot.receiving = true;
        settings = {};
        settings.host = "127.0.0.1";
        settings.topic = "site/crane1";
    }

    void connectPublishesStatusDiscoveryAndState()
    {
        publish::Publisher p(&mqtt, &clock, settings);
        p.update(snapshot);
        p.start();
        QCOMPARE(mqtt.options.willTopic, QStringLiteral("site/crane1/status"));
        QCOMPARE(mqtt.options.willPayload, QByteArray("offline"));
        mqtt.comeUp();
        QCOMPARE(mqtt.sent.first().topic, QStringLiteral("site/crane1/status"));
        QCOMPARE(mqtt.sent.first().payload, QByteArray("online"));
        QVERIFY(mqtt.sent.first().retain);
        // Six sensors and the link; the site's entities (switched off) are removed.
        QStringList configs, removed;
        for (const auto &s : mqtt.sent)
            if (s.topic.startsWith("homeassistant/")) {
                QVERIFY(s.retain);
                if (s.payload.isEmpty()) {
                    removed << s.topic;
                    continue;
                }
                configs << s.topic;
                const QJsonObject c = QJsonDocument::fromJson(s.payload).object();
                QCOMPARE(c["expire_after"].toInt(), publish::kExpireAfter);
                QCOMPARE(c["origin"]["name"].toString(), QStringLiteral("qv475"));
            }
        QCOMPARE(configs.size(), 7);
        const QString node = publish::nodeId("site/crane1");
        QVERIFY(configs.contains("homeassistant/binary_sensor/" + node + "/link/config"));
        // Earlier versions' records, under the id without the hash, are removed: all 13.
        QCOMPARE(std::count_if(removed.begin(), removed.end(),
                               [](const QString &t) { return t.contains("/site_crane1/"); }),
                 13);
        removed.removeIf([](const QString &t) { return t.contains("/site_crane1/"); });
        QCOMPARE(removed, publish::siteDiscoveryTopics(settings));
        QCOMPARE(mqtt.count("site/crane1/state"), 1);
        const QJsonObject o = QJsonDocument::fromJson(mqtt.sent.last().payload).object();
        QCOMPARE(o["time"].toString(), QStringLiteral("2026-12-07T09:00:00+09:00"));
        QCOMPARE(o["instant"].toDouble(), 12.3);
        QCOMPARE(o["average_max"].toDouble(), 9.9);
        QCOMPARE(o["instant_alarm"].toInt(), 1);
        QCOMPARE(o["link"].toString(), QStringLiteral("live"));
        p.stop();
        QCOMPARE(mqtt.sent.last().payload, QByteArray("offline"));
        QVERIFY(mqtt.sent.last().retain);
        QVERIFY(mqtt.stopped);
    }

    void onChangeAtMostOnceASecondAtLeastOnceAMinute()
    {
        publish::Publisher p(&mqtt, &clock, settings);
        p.update(snapshot);
        p.start();
        mqtt.comeUp();
        const int first = mqtt.count("site/crane1/state");
        // Unchanged for 59 s: nothing; the 60th second: once.
        seconds(p, 59);
        QCOMPARE(mqtt.count("site/crane1/state"), first);
        seconds(p, 1);
        QCOMPARE(mqtt.count("site/crane1/state"), first + 1);
        // Changing every second: one a second; two ticks in one second: still one.
        seconds(p, 10, [this](int i) { snapshot.tenths[0] = i * 10; });
        QCOMPARE(mqtt.count("site/crane1/state"), first + 11);
        snapshot.tenths[0] = 999;
        p.tick(snapshot);
        QCOMPARE(mqtt.count("site/crane1/state"), first + 11);
    }

    // The state's JSON, as the broker receives it, of the session's snapshot.
    void stateOfTheSnapshot_data()
    {
        QTest::addColumn<session::Snapshot>("s");
        QTest::addColumn<QString>("json");
        QTest::addColumn<qint64>("inspectedMs");
        const QString live = R"("average":8.1,"average_alarm":0,"average_max":9.9,)"
                             R"("instant":12.3,"instant_alarm":1,"instant_max":15,"link":"live")";
        session::Snapshot s;
        s.tenths = {123, 150, 81, 99};
        s.levels = {1, 0};
        s.link = meterlink::LinkState::Live;
        s.receiving = true;
        const session::Snapshot plain = s;
        QTest::newRow("live") << s << "{" + live + "}" << 0LL;
        s.receiving = false;
        s.link = meterlink::LinkState::Reconnecting;
        QTest::newRow("nothing measured") << s
                                          << R"({"average":null,"average_alarm":0,)"
                                             R"("average_max":null,"instant":null,)"
                                             R"("instant_alarm":1,"instant_max":null,)"
                                             R"("link":"reconnecting"})"
                                          << 0LL;
        s = plain;
        s.site.on = true;
        s.site.stats.gustTenths = 140;
        QTest::newRow("no valid mean: undecided")
            << s
            << "{" + live +
                   R"(,"gust":14,"inspection":null,"mean":null,"out_of_service":false,)"
                   R"("scaffold":false,"storm":false,"work":"undecided"})"
            << 0LL;
        s.site.stats.valid = true;
        s.site.stats.meanTenths = 104;
        s.site.work = site::Work::Stop;
        s.site.latched = true;
        s.site.scaffoldMs = 1;
        const qint64 ms = 1796599800000; // 2026-12-07 08:30 +09:00
        s.site.inspection = {u"山田"_s, u"異常なし"_s, ms};
        QTest::newRow("stop, latched, an inspection")
            << s
            << "{" + live +
                   uR"(,"gust":14,"inspection":{"by":"山田","forced":false,"latch":"crane",)"
                   uR"("result":"異常なし"},"mean":10.4,"out_of_service":false,)"
                   uR"("scaffold":true,"storm":true,"work":"stop"})"_s
            << ms;
        // A fault found keeps the latch, out of service, until a pass clears it.
        s.site.craneFault = {u"山田"_s, u"異常あり: 旋回"_s, ms, site::Latch::Crane, true};
        s.site.inspection = s.site.craneFault;
        QTest::newRow("out of service after a fault")
            << s
            << "{" + live +
                   uR"(,"gust":14,"inspection":{"by":"山田","forced":true,"latch":"crane",)"
                   uR"("result":"異常あり: 旋回"},"mean":10.4,"out_of_service":true,)"
                   uR"("scaffold":true,"storm":true,"work":"stop"})"_s
            << ms;
    }
    void stateOfTheSnapshot()
    {
        QFETCH(session::Snapshot, s);
        QFETCH(QString, json);
        QFETCH(qint64, inspectedMs);
        QJsonObject o = QJsonDocument::fromJson(publish::stateJson(s, clock.current)).object();
        QCOMPARE(o.take("time").toString(), QStringLiteral("2026-12-07T09:00:00+09:00"));
        if (inspectedMs) {
            // Local time with its offset written out, whatever the machine's zone.
            QJsonObject i = o["inspection"].toObject();
            const QString time = i.take("time").toString();
            QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)")
                         .match(time)
                         .hasMatch(),
                     qPrintable(time));
            QCOMPARE(QDateTime::fromString(time, Qt::ISODate).toMSecsSinceEpoch(), inspectedMs);
            o["inspection"] = i;
        }
        QCOMPARE(o, QJsonDocument::fromJson(json.toUtf8()).object());
    }

    void settingsGroup_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("topic");
        QTest::addColumn<bool>("tls");
        const QString own = "qv475/" + QSysInfo::machineHostName();
        using M = QMap<QString, QString>;
        QTest::newRow("no group") << M{} << false << 0 << QString() << false;
        QTest::newRow("blank host") << M{{"Mqtt/Host", "  "}} << false << 0 << QString() << false;
        QTest::newRow("host only") << M{{"Mqtt/Host", "broker"}} << true << 1883 << own << false;
        QTest::newRow("all") << M{{"Mqtt/Host", "b"},
                                  {"Mqtt/Port", "8883"},
                                  {"Mqtt/Topic", "a/b/"},
                                  {"Mqtt/Tls", "1"}}
                             << true << 8883 << "a/b" << true;
        QTest::newRow("bad port, wildcard topic")
            << M{{"Mqtt/Host", "b"}, {"Mqtt/Port", "99999"}, {"Mqtt/Topic", "x/#"}} << true << 1883
            << own << false;
    }
    void settingsGroup()
    {
        QFETCH(Values, values);
        QFETCH(bool, on);
        fakes::SettingsStore store;
        store.values = values;
        const auto s = publish::loadMqttSettings(store);
        QCOMPARE(s.has_value(), on);
        if (!s)
            return;
        QTEST(s->port, "port");
        QTEST(s->topic, "topic");
        QTEST(s->tls, "tls");
    }

    // Node ids: safe characters, stable, and apart for every topic, however alike.
    void nodeIdsKeepMetersApart()
    {
        const QStringList topics{"a/b",           "a_b",          u"東棟/crane"_s,
                                 u"西棟/crane"_s, "site1/crane3", "site1_crane3"};
        QSet<QString> ids;
        for (const QString &t : topics) {
            const QString id = publish::nodeId(t);
            QVERIFY2(!ids.contains(id), qPrintable(t));
            ids << id;
            for (QChar c : id)
                QVERIFY((c.isLetterOrNumber() && c.unicode() < 128) || c == '_');
        }
        QVERIFY(publish::nodeId("qv475/crane-1.site").startsWith("qv475_crane_1_site_"));
        QCOMPARE(publish::nodeId("a/b"), publish::nodeId(QStringLiteral("a/b")));
    }

    void topicProblems_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<bool>("usable");
        QTest::newRow("plain") << "site/crane1" << true;
        QTest::newRow("Japanese") << u"現場/東棟"_s << true;
        QTest::newRow("a wildcard") << "site/+/x" << false;
        QTest::newRow("an empty level") << "site//crane" << false;
        QTest::newRow("a leading slash") << "/site" << false;
        QTest::newRow("70,000 characters") << QString(70000, 'x') << false;
    }
    void topicProblems()
    {
        QFETCH(QString, topic);
        QFETCH(bool, usable);
        QCOMPARE(publish::topicProblem(topic).isEmpty(), usable);
    }
};

QTEST_GUILESS_MAIN(TstPublisher)
#include "tst_publisher.moc"
