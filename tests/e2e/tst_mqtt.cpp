// The logger without windows (qv475 --headless) against Debian's real mosquitto broker on
// a free loopback port, with the test playing the meter on a pseudo-terminal and a
// mosquitto_sub client listening to everything the broker passes on.
#include "csv_rows.h"
#include "logging/csv_format.h"
#include "pty_meter.h"
#include "publish/publisher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
struct Message {
    bool retained;
    QString topic;
    QByteArray payload;
};
} // namespace

class TstMqtt : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    QProcess broker, sub, app;
    int port = 0;
    meter::PtyMeter meter;
    QByteArray subOut, appErr;

    static int freePort()
    {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost, 0);
        return s.serverPort();
    }
    void startBroker(const QByteArray &extra = {})
    {
        QFile conf(dir->filePath("mosquitto.conf"));
        QVERIFY(conf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        conf.write("listener " + QByteArray::number(port) +
                   " 127.0.0.1\n"
                   "persistence false\nuser root\n" +
                   (extra.isEmpty() ? QByteArray("allow_anonymous true\n") : extra));
        conf.close();
        broker.setProcessChannelMode(QProcess::MergedChannels);
        broker.start("mosquitto", {"-c", conf.fileName()});
        QVERIFY(broker.waitForStarted());
        // Ready once it takes a connection.
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (s.waitForConnected(100))
                return;
            QTest::qWait(50);
        }
        QFAIL(qPrintable("mosquitto did not start: " + broker.readAll()));
    }
    void stopBroker()
    {
        broker.terminate();
        QVERIFY(broker.waitForFinished(30000));
    }
    void startSubscriber(const QStringList &login = {})
    {
        sub.start("mosquitto_sub", QStringList{"-h", "127.0.0.1", "-p", QString::number(port), "-t",
                                               "#", "-F", "%r %t %p", "-q", "1"} +
                                       login);
        QVERIFY(sub.waitForStarted());
        QTest::qWait(300);
    }
    QList<Message> messages() const
    {
        QList<Message> out;
        for (const QByteArray &line : subOut.split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() < 3)
                continue;
            out.append(
                {f[0] == "1", QString::fromUtf8(f[1]), line.mid(f[0].size() + f[1].size() + 2)});
        }
        return out;
    }
    QList<Message> on(const QString &topic) const
    {
        QList<Message> out;
        for (const Message &m : messages())
            if (m.topic == topic)
                out.append(m);
        return out;
    }
    QString ini() const { return dir->filePath("qv475.ini"); }
    QString logDir() const { return dir->filePath("logs"); }
    void startLogger(const QByteArray &mqtt)
    {
        QVERIFY(QDir().mkpath(logDir()));
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[Ports]\nCOM1=" + QByteArray::fromStdString(meter.devicePath()) +
                "\n[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n" + mqtt);
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(QV475_EXE), {"--headless", "--config", ini()});
        QVERIFY(app.waitForStarted());
    }
    QByteArray mqttGroup(const QByteArray &extra = {}) const
    {
        return "[Mqtt]\nHost=127.0.0.1\nPort=" + QByteArray::number(port) +
               "\nTopic=site/crane1\n" + extra;
    }
    // The meter: waits for "D" + CR, then sends a frame every 100 ms for ms milliseconds.
    void meterRuns(int ms, int value, bool waitForD = true)
    {
        if (waitForD) {
            QByteArray got;
            QElapsedTimer t;
            t.start();
            while (!got.contains("D\r") && t.elapsed() < 8000) {
                QTest::qWait(20);
                got += QByteArray::fromStdString(meter.read(0));
            }
            QVERIFY2(got.contains("D\r"), got.constData());
        }
        QElapsedTimer t;
        t.start();
        int i = 0;
        while (t.elapsed() < ms) {
            const int v = value + (i++ % 3);
            meter.write(meter::makeFrame({v, v + 10, v, v + 5, 1, 2}));
            QTest::qWait(100);
        }
    }
    QStringList csvRows() const
    {
        const QStringList files = QDir(logDir()).entryList({"*.csv"}, QDir::Files);
        return files.size() == 1 ? csvrows::rows(logDir() + "/" + files.first()) : QStringList();
    }

private slots:
    void initTestCase()
    {
        connect(&sub, &QProcess::readyReadStandardOutput, this,
                [this] { subOut += sub.readAllStandardOutput(); });
        connect(&app, &QProcess::readyReadStandardError, this,
                [this] { appErr += app.readAllStandardError(); });
        if (QStandardPaths::findExecutable("mosquitto").isEmpty() &&
            QStandardPaths::findExecutable("mosquitto", {"/usr/sbin"}).isEmpty())
            QSKIP("mosquitto is not installed (scripts/install-deps.sh installs it)");
        if (QStandardPaths::findExecutable("mosquitto_sub").isEmpty())
            QSKIP("mosquitto_sub is not installed (package mosquitto-clients)");
    }
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        port = freePort();
        subOut.clear();
        appErr.clear();
        QVERIFY(meter.open());
    }
    void cleanup()
    {
        for (QProcess *p : {&app, &sub, &broker})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        meter.close();
        if (QTest::currentTestFailed())
            qWarning("logger said:\n%s", appErr.constData());
    }

    void discoveryStateAndLastWill()
    {
        startBroker();
        startSubscriber();
        startLogger(mqttGroup());
        meterRuns(4000, 123);
        const QList<Message> live = messages();
        // A client that subscribes now is handed the retained records.
        sub.kill();
        sub.waitForFinished();
        subOut.clear();
        startSubscriber();
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/status").isEmpty(), 30000);
        // Discovery: six retained records with what Home Assistant needs.
        int sensors = 0, alarms = 0;
        for (const Message &m : messages()) {
            if (!m.topic.startsWith("homeassistant/sensor/" + publish::nodeId("site/crane1") +
                                    "/") ||
                m.payload.isEmpty())
                continue;
            QVERIFY(m.topic.endsWith("/config"));
            QVERIFY(m.retained);
            QJsonParseError err;
            const QJsonObject o = QJsonDocument::fromJson(m.payload, &err).object();
            QCOMPARE(err.error, QJsonParseError::NoError);
            QCOMPARE(o["state_topic"].toString(), QStringLiteral("site/crane1/state"));
            QCOMPARE(o["availability_topic"].toString(), QStringLiteral("site/crane1/status"));
            QCOMPARE(o["state_class"].toString(), QStringLiteral("measurement"));
            QCOMPARE(o["device"].toObject()["sw_version"].toString(), QStringLiteral("1.0.4"));
            QVERIFY(!o["unique_id"].toString().isEmpty());
            if (o["device_class"].toString() == "wind_speed") {
                QCOMPARE(o["unit_of_measurement"].toString(), QStringLiteral("m/s"));
                ++sensors;
            } else {
                QVERIFY(m.topic.contains("_alarm/"));
                ++alarms;
            }
        }
        QCOMPARE(sensors, 4);
        QCOMPARE(alarms, 2);
        const QList<Message> status = on("site/crane1/status");
        QVERIFY(!status.isEmpty());
        QCOMPARE(status.last().payload, QByteArray("online"));
        QVERIFY(status.last().retained);
        // State: JSON with the readings as numbers, at most one a second.
        QList<Message> states;
        for (const Message &m : live)
            if (m.topic == "site/crane1/state")
                states.append(m);
        QVERIFY2(states.size() >= 2 && states.size() <= 6,
                 qPrintable(QString::number(states.size())));
        const QJsonObject s = QJsonDocument::fromJson(states.last().payload).object();
        QVERIFY(s["instant"].isDouble());
        QVERIFY(s["instant"].toDouble() >= 12.3 && s["instant"].toDouble() <= 12.5);
        QCOMPARE(s["instant_max"].toDouble(), s["instant"].toDouble() + 1.0);
        QCOMPARE(s["instant_alarm"].toInt(), 1);
        QCOMPARE(s["average_alarm"].toInt(), 2);
        QCOMPARE(s["link"].toString(), QStringLiteral("live"));
        QVERIFY(QDateTime::fromString(s["time"].toString(), Qt::ISODate).isValid());
        QVERIFY(s["time"].toString().contains('+') || s["time"].toString().endsWith('Z'));

        // Killed without a word: the broker publishes the last will.
        app.kill();
        QVERIFY(app.waitForFinished(30000));
        QTRY_COMPARE_WITH_TIMEOUT(on("site/crane1/status").last().payload, QByteArray("offline"),
                                  5000);
        // ...and keeps it for whoever looks later.
        sub.kill();
        sub.waitForFinished();
        subOut.clear();
        startSubscriber();
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/status").isEmpty(), 30000);
        QCOMPARE(on("site/crane1/status").last().payload, QByteArray("offline"));
        QVERIFY(on("site/crane1/status").last().retained);
    }

    // The site's rule with a minute's mean: 5 m/s, then 12 m/s until the mean says stop,
    // then a burst of 31 m/s, then silence. The broker receives the work state, the
    // latched storm (still latched at the end), the site's entities with expire_after,
    // and the link going off.
    void siteStatesReachTheBroker()
    {
        startBroker();
        startSubscriber();
        startLogger(mqttGroup() + "[Site]\nEnabled=1\nMinutes=1\n");
        meterRuns(10000, 50);
        meterRuns(47000, 120, false);
        meterRuns(1000, 310, false);
        // Silent: the watchdog's 2 s, then the state that says so.
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/state").isEmpty() &&
                                     QJsonDocument::fromJson(on("site/crane1/state").last().payload)
                                             .object()["link"]
                                             .toString() != "live",
                                 8000);
        QStringList works;
        bool stormSeen = false;
        for (const Message &m : on("site/crane1/state")) {
            const QJsonObject o = QJsonDocument::fromJson(m.payload).object();
            if (works.isEmpty() || works.last() != o["work"].toString())
                works << o["work"].toString();
            stormSeen = stormSeen || o["storm"].toBool();
        }
        // No verdict before a minute's mean is valid; then the stop at once.
        QVERIFY2(works.first() == "undecided" && !works.contains("normal") &&
                     works.contains("stop"),
                 qPrintable(works.join(',')));
        QVERIFY(stormSeen);
        const QJsonObject last =
            QJsonDocument::fromJson(on("site/crane1/state").last().payload).object();
        QCOMPARE(last["storm"].toBool(), true);
        QCOMPARE(last["work"].toString(), QStringLiteral("stop"));
        QVERIFY(last["mean"].isDouble() || last["mean"].isNull());
        QCOMPARE(last["gust"].toDouble(), 31.2);
        // Discovery, as a client subscribing now is handed it: the site's five entities
        // and the link, retained, expiring.
        sub.kill();
        sub.waitForFinished();
        subOut.clear();
        startSubscriber();
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/status").isEmpty(), 30000);
        const QString base = "homeassistant/%1/" + publish::nodeId("site/crane1") + "/%2/config";
        const struct {
            const char *component, *object, *deviceClass;
        } expected[] = {{"sensor", "mean", "wind_speed"},
                        {"sensor", "gust", "wind_speed"},
                        {"sensor", "work", "enum"},
                        {"binary_sensor", "stop_work", "problem"},
                        {"binary_sensor", "inspection", "problem"},
                        {"binary_sensor", "link", "connectivity"}};
        for (const auto &e : expected) {
            const QList<Message> got = on(base.arg(e.component, e.object));
            QVERIFY2(!got.isEmpty(), e.object);
            QVERIFY(got.last().retained);
            const QJsonObject o = QJsonDocument::fromJson(got.last().payload).object();
            QCOMPARE(o["device_class"].toString(), QString::fromLatin1(e.deviceClass));
            QVERIFY(o["expire_after"].toInt() > 60);
            QCOMPARE(o["origin"].toObject()["name"].toString(), QStringLiteral("qv475"));
        }
        // While undecided, whether work stops is unknown to Home Assistant, not "off".
        QVERIFY(QJsonDocument::fromJson(on(base.arg("binary_sensor", "stop_work")).last().payload)
                    .object()["value_template"]
                    .toString()
                    .contains("'None' if value_json.work == 'undecided'"));
        const QJsonObject link =
            QJsonDocument::fromJson(on(base.arg("binary_sensor", "link")).last().payload).object();
        QCOMPARE(link["value_template"].toString(),
                 QStringLiteral("{{ 'ON' if value_json.link == 'live' else 'OFF' }}"));
        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        // The latch is kept beside the settings for the next start.
        QFile latch(dir->filePath("qv475_site.ini"));
        QVERIFY(latch.open(QIODevice::ReadOnly));
        QVERIFY(latch.readAll().startsWith("Latched="));

        auto acknowledge = [&](const QStringList &args) {
            QProcess p;
            p.setProcessEnvironment(app.processEnvironment());
            p.start(QStringLiteral(QV475_EXE), args + QStringList{"--config", ini()});
            if (!p.waitForFinished(15000))
                return -1;
            return p.exitCode();
        };
        // Nobody's pass is assumed: a result is stated, or nothing is sent.
        QCOMPARE(acknowledge({"--acknowledge", "山田 太郎"}), 1);
        QCOMPARE(acknowledge({"--acknowledge", "山田 太郎", "--result", "異常なし"}),
                 8); // no logger of the file runs

        // Started again: the first state the broker receives is the kept stop and latch.
        sub.kill();
        sub.waitForFinished();
        subOut.clear();
        startSubscriber();
        startLogger(mqttGroup() + "[Site]\nEnabled=1\nMinutes=1\n");
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/state").isEmpty(), 30000);
        const QJsonObject first =
            QJsonDocument::fromJson(on("site/crane1/state").first().payload).object();
        QCOMPARE(first["work"].toString(), QStringLiteral("stop"));
        QCOMPARE(first["storm"].toBool(), true);

        // An inspector over a shell: refused while the kept stop holds (the inspection
        // follows the wind), and the running logger says why when asked.
        QCOMPARE(acknowledge({"--acknowledge", "山田 太郎", "--result", "異常なし"}), 11);
        QProcess status;
        status.start(QStringLiteral(QV475_EXE), {"--status", "--json", "--config", ini()});
        QVERIFY(status.waitForFinished(30000));
        QCOMPARE(status.exitCode(), 0);
        const QJsonObject o = QJsonDocument::fromJson(status.readAllStandardOutput()).object();
        QCOMPARE(o["work"].toString(), QStringLiteral("stop"));
        QCOMPARE(o["latches"].toArray().at(0).toObject()["latch"].toString(),
                 QStringLiteral("crane"));
        QVERIFY(QJsonDocument::fromJson(on("site/crane1/state").last().payload)
                    .object()["storm"]
                    .toBool());
    }

    // Acknowledgements while notices wait for a hook that is down: each is answered at
    // once, and the log (a row a second) has no gap.
    void acknowledgementsNeverStallLogging()
    {
        startLogger("[Site]\nEnabled=1\n[Notify]\nUrl=http://127.0.0.1:" +
                    QByteArray::number(freePort()) + "/hook\n");
        meterRuns(0, 50);
        QTimer frames;
        int value = 50;
        connect(&frames, &QTimer::timeout, this, [&] {
            meter.write(meter::makeFrame({value, value, value, value, 0, 0}));
        });
        frames.start(100);
        QTest::qWait(2500);
        for (int storm = 0; storm < 5; ++storm) {
            value = 320; // a storm latches
            QTest::qWait(300);
            value = 50;
            QTest::qWait(300);
            QProcess ack;
            ack.start(QStringLiteral(QV475_EXE),
                      {"--acknowledge", "山田 太郎", "--result", "異常なし", "--config", ini()});
            QTRY_VERIFY_WITH_TIMEOUT(ack.state() == QProcess::NotRunning, 30000);
            const QByteArray said = ack.readAllStandardError();
            QCOMPARE(ack.exitCode(), 0);
            QVERIFY2(!said.contains("not answered"), said.constData());
        }
        QTest::qWait(1500);
        frames.stop();
        QStringList rows;
        for (const QString &f : QDir(logDir()).entryList({"wind*.csv"}, QDir::Files))
            if (!f.contains('_'))
                rows = csvrows::rows(logDir() + "/" + f);
        QVERIFY2(rows.size() >= 5, qPrintable(rows.join(QLatin1Char(10))));
        csvrows::checkOneRowPerSecond(rows);
        // Five inspections in the event log.
        QFile events(logDir() + "/wind_events_" + QDate::currentDate().toString("yyyyMMdd") +
                     ".csv");
        QVERIFY(events.open(QIODevice::ReadOnly));
        QCOMPARE(logging::fromCp932(events.readAll()).count(QStringLiteral(",点検確認,")), 5);
    }

    // A broker that comes up after the logger (both back from a power cut) is reached on
    // the retry schedule; the refusal is said once, naming the address once.
    void lateBrokerIsReached()
    {
        startLogger(mqttGroup());
        QTest::qWait(5000);
        startBroker();
        startSubscriber();
        // Retained: whenever it came, the subscriber is handed it.
        QTRY_VERIFY_WITH_TIMEOUT(!on("site/crane1/status").isEmpty() &&
                                     on("site/crane1/status").last().payload == "online",
                                 15000);
        const QString said = QString::fromUtf8(appErr);
        QCOMPARE(said.count("Connection refused"), 1);
        QVERIFY2(!said.contains(QStringLiteral("127.0.0.1:%1: 127.0.0.1").arg(port)),
                 qPrintable(said));
    }

    // TLS asked of a broker that speaks plain MQTT: the failure is said, not silence.
    void tlsThatCannotBeSetUpIsSaid()
    {
        startBroker();
        startLogger(mqttGroup("Tls=1\n"));
        QTRY_VERIFY_WITH_TIMEOUT(
            QString::fromUtf8(appErr).contains(QStringLiteral("、再試行します")), 20000);
        QVERIFY(!QString::fromUtf8(appErr).contains(QStringLiteral("に接続しました")));
    }

    // A broker's address that takes no connection (a listener whose queue is full): the
    // end still comes within its bound.
    void deadBrokerDoesNotHoldTheEnd()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(quint16(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        // Connections that are never accepted fill the queue; later ones hang.
        std::vector<int> fillers;
        for (int i = 0; i < 4; ++i) {
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr *>(&a), sizeof a);
            fillers.push_back(c);
        }
        startLogger(mqttGroup());
        QTest::qWait(3000);
        QElapsedTimer t;
        t.start();
        app.terminate();
        QVERIFY(app.waitForFinished(30000));
        QVERIFY2(t.elapsed() < 11000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(app.exitCode(), 0);
        for (int c : fillers)
            ::close(c);
        ::close(fd);
    }

    void cleanEndPublishesOffline()
    {
        startBroker();
        startSubscriber();
        startLogger(mqttGroup());
        meterRuns(2500, 50);
        QVERIFY(!on("site/crane1/status").isEmpty());
        QCOMPARE(on("site/crane1/status").last().payload, QByteArray("online"));
        QCOMPARE(::kill(pid_t(app.processId()), SIGTERM), 0);
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(on("site/crane1/status").last().payload, QByteArray("offline"),
                                  3000);
        const QStringList rows = csvRows();
        QVERIFY(rows.size() >= 1);
        QVERIFY(appErr.contains("file opened"));
        QVERIFY(appErr.contains("ended"));
    }

    void signalIgnoredAtStartStaysIgnored()
    {
        // As under nohup: SIGHUP ignored by the parent.
        app.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        auto reset = qScopeGuard([this] { app.setChildProcessModifier({}); });
        startLogger({});
        meterRuns(1500, 50);
        QCOMPARE(::kill(pid_t(app.processId()), SIGHUP), 0);
        meterRuns(1200, 50, false); // still logging: the line is still read
        QCOMPARE(app.state(), QProcess::Running);
        QVERIFY(!appErr.contains("ended"));
        QCOMPARE(::kill(pid_t(app.processId()), SIGTERM), 0);
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitCode(), 0);
        QVERIFY(csvRows().size() >= 2);
    }

    void brokerDownKeepsEveryRow()
    {
        startBroker();
        startSubscriber();
        startLogger(mqttGroup());
        meterRuns(2000, 70);
        stopBroker();
        sub.kill();
        sub.waitForFinished();
        meterRuns(10000, 70, false); // logging goes on while the broker is away
        startBroker();
        subOut.clear();
        startSubscriber();
        // Publishing resumes within the back-off.
        QElapsedTimer t;
        t.start();
        while (on("site/crane1/state").isEmpty() && t.elapsed() < 35000)
            meterRuns(500, 70, false);
        QVERIFY2(!on("site/crane1/state").isEmpty(), appErr.constData());
        const QStringList rows = csvRows();
        QVERIFY(rows.size() >= 12);
        csvrows::checkOneRowPerSecond(rows);
        for (const QString &r : rows)
            QVERIFY2(!r.section(',', 2, 2).isEmpty(), qPrintable(r)); // never a gap row
        // Nothing blocked: the watchdog never found the meter silent.
        QVERIFY2(!appErr.contains("link lost"), appErr.constData());
    }

    void wrongPasswordIsOneLineAndRetries()
    {
        QProcess pw;
        pw.start("mosquitto_passwd", {"-c", "-b", dir->filePath("passwd"), "crane", "right"});
        QVERIFY(pw.waitForFinished(30000));
        startBroker("allow_anonymous false\npassword_file " + dir->filePath("passwd").toUtf8() +
                    "\n");
        startLogger(mqttGroup("User=crane\nPassword=wrong\n"));
        meterRuns(5000, 40);
        QCOMPARE(app.state(), QProcess::Running);
        const QList<QByteArray> lines = appErr.split('\n');
        const auto refused = std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) {
            return l.contains("MQTT") && l.contains("authori");
        });
        QVERIFY2(refused == 1, appErr.constData());
        QVERIFY(QString::fromUtf8(appErr).contains(QStringLiteral("再試行します")));
        QVERIFY(!csvRows().isEmpty()); // the log does not care
    }

    void meterDropOutGivesLinesAndGapRows()
    {
        startLogger({});
        meterRuns(2500, 90);
        QTest::qWait(5000); // silent
        meterRuns(3000, 95);
        QVERIFY2(appErr.contains("link lost"), appErr.constData());
        QVERIFY2(appErr.contains("reconnected"), appErr.constData());
        const QStringList rows = csvRows();
        csvrows::checkOneRowPerSecond(rows);
        QCOMPARE(csvrows::runs(rows, false), (QStringList{"value", "gap", "value"}));
        // Each line carries its time.
        for (const QByteArray &l : appErr.split('\n'))
            if (!l.isEmpty())
                QVERIFY2(
                    QDateTime::fromString(QString::fromUtf8(l.left(l.indexOf(' '))), Qt::ISODate)
                        .isValid(),
                    l.constData());
    }

    void exitCodesForWhatStopsTheWork_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("code");
        QTest::newRow("no file name") << QByteArray("fName=\n") << 3;
        QTest::newRow("missing folder") << QByteArray("fName=/nonexistent/dir/wind.csv\n") << 4;
        QTest::newRow("no .csv") << QByteArray("fName=/tmp/wind.txt\n") << 4;
        QTest::newRow("no column") << QByteArray("fName=/tmp/wind.csv\nfOut=0\n") << 3;
        // Settings that can never work end at once, naming the key; no "link lost".
        QTest::newRow("port 0") << QByteArray("Port=0\nfName=/tmp/wind.csv\n") << 2;
        QTest::newRow("bad ComSt") << QByteArray("ComSt=fast\nfName=/tmp/wind.csv\n") << 2;
        QTest::newRow("a control character in the name")
            << QByteArray("fName=/tmp/wi\x01nd.csv\n") << 3;
    }
    void exitCodesForWhatStopsTheWork()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, code);
        QFile f(ini());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Ports]\nCOM1=" + QByteArray::fromStdString(meter.devicePath()) +
                "\n[Settings]\n" + settings);
        f.close();
        app.start(QStringLiteral(QV475_EXE), {"--headless", "--config", ini()});
        QVERIFY(app.waitForStarted());
        if (code != 2) // a settings fault ends the logger before it opens the port
            meterRuns(300, 10);
        if (app.state() != QProcess::NotRunning)
            QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), code);
        const QString said = QString::fromUtf8(appErr + app.readAllStandardError());
        QVERIFY2(!said.contains("link lost"), qPrintable(said));
        if (code == 2)
            QVERIFY2(said.contains(settings.left(settings.indexOf('=') + 1)), qPrintable(said));
        // And a settings file that cannot be read.
        QProcess missing;
        missing.start(QStringLiteral(QV475_EXE),
                      {"--headless", "--config", dir->filePath("none.ini")});
        QVERIFY(missing.waitForFinished(30000));
        QCOMPARE(missing.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TstMqtt)
#include "tst_mqtt.moc"
