// The meter session without a window, driven by a fake port, a fake clock and ticks from
// the test: the order within a tick, gap rows through a reconnect, file output from the
// first frame, snapshots on change only, the alarm's policy, and what the CSV file and a
// broker receive.
#include "csv_rows.h"
#include "fakes.h"
#include "history/wind_history.h"
#include "known_day.h"
#include "logging/csv_format.h"
#include "platform/file_output.h"
#include "platform/port_identity.h"
#include "platform/state_file.h"
#include "platform/whole_file.h"
#include "publish/notify.h"
#include "session/event_log.h"
#include "session/outputs.h"
#include "session/session.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

using basSubMain::Settings;
using meterlink::LinkState;
using session::Session;
using session::StartResult;
using site::parseLatch;

namespace {
QByteArray frame(const char *instant, char level0 = '0', char level1 = '0')
{
    return QByteArray("\x02") + instant + ",0456,0789,0012," + level0 + ',' + level1 + '\r';
}

// Real files, but from the n-th write on (counting from 1) every write fails as on a full
// disk.
class FailingFile : public platform::LocalFileOutput
{
public:
    bool write(const QByteArray &bytes, QString *error) override
    {
        if (++writes >= failAt && failAt > 0) {
            *error = platform::describeFileError(ENOSPC);
            return false;
        }
        return LocalFileOutput::write(bytes, error);
    }
    int writes = 0;
    int failAt = -1;
};

// An output that writes down when the session calls it.
class Recorder : public session::Output
{
public:
    explicit Recorder(QStringList *log, QStringList *events = nullptr)
        : m_log(log), m_events(events)
    {}
    // Each event by its notice's code, with its detail after "|" when it has one.
    void event(const session::Event &e) override
    {
        const QString code = session::NotifyOutput::notice(e, {}, {}).code;
        if (m_events && !code.isEmpty())
            *m_events << (e.detail.isEmpty() ? code : code + u'|' + e.detail);
    }
    Runs runs() const override { return Runs::WithSession; }
    bool start(const Settings &, QString *) override { return m_running = true; }
    void stop() override { m_running = false; }
    bool running() const override { return m_running; }
    void tick(const session::Snapshot &s) override
    {
        *m_log << "row " + meterlink::formatTenths(s.tenths[0]);
    }
    QString where() const override { return QStringLiteral("recorder"); }

private:
    QStringList *m_log;
    QStringList *m_events;
    bool m_running = false;
};
} // namespace

class TstSession : public QObject
{
    Q_OBJECT
    fakes::SerialPort port;
    fakes::Clock clock;
    fakes::SettingsStore store;
    FailingFile file;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Session> s;
    QStringList log;

    Settings logging(bool reconnect = false)
    {
        Settings v;
        v.fName = dir->filePath("wind.csv");
        v.fTime = 1;
        v.reconnect = reconnect;
        return v;
    }
    void make(const Settings &v, std::function<std::unique_ptr<platform::MqttClient>()> mqtt = {},
              platform::PortFinder *finder = nullptr)
    {
        s = std::make_unique<Session>(session::Services{&port, &clock, nullptr, nullptr, finder});
        s->setSettings(v);
        s->reset();
        s->setOutputs(session::makeOutputs(store, {&file, &clock, std::move(mqtt), {}}));
    }
    // 100 ms pass; the meter's bytes (if any) arrive, then the tick.
    void step(const QByteArray &bytes = {}, int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            clock.current = clock.current.addMSecs(100);
            if (!bytes.isEmpty())
                port.receive(bytes);
            s->tick();
        }
    }
    QByteArray fileBytes()
    {
        s->flush(5000);
        QFile f(s->filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files, QDir::Name); }

private slots:
    void init()
    {
        port.close();
        port.usable = {1};
        port.sent.clear();
        clock.current = QDateTime(QDate(2013, 12, 4), QTime(9, 5, 37));
        store.values.clear();
        file = FailingFile();
        dir = std::make_unique<QTemporaryDir>();
        log.clear();
    }
    void cleanup()
    {
        s.reset();
        port.onOpen = {};
    }

    // Within a tick: the due row (with the last whole frame's readings), then the figures,
    // then the watchdog with its blink and its verdict.
    void orderWithinATick()
    {
        make(Settings{});
        std::vector<std::unique_ptr<session::Output>> outputs;
        outputs.push_back(std::make_unique<Recorder>(&log));
        s->setOutputs(std::move(outputs));
        connect(s.get(), &Session::snapshotChanged, this, [this](const session::Snapshot &v) {
            log << "shown " + meterlink::formatTenths(v.tenths[0]) + ' ' +
                       meterlink::linkStateName(v.link);
        });
        connect(s.get(), &Session::blink, this,
                [this](bool on) { log << (on ? "shown" : "blank"); });
        connect(s.get(), &Session::linkLost, this, [this] { log << "lost"; });
        QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        QCOMPARE(port.sent, QByteArray("D\r"));
        log.clear();
        step(frame("0123"));
        QCOMPARE(log, (QStringList{"row 12.3", "shown 12.3 live"}));
        log.clear();
        step(frame("0123"), 9); // unchanged within the second: the blink at the tenth tick
        // The tenth tick is also a new second: the figures (with the frame's new second),
        // then the blink.
        QCOMPARE(log.mid(8), (QStringList{"row 12.3", "shown 12.3 live", "shown"}));
        log.clear();
        step({}, 20); // silent: found at the 20th tick after the last frame's
        QCOMPARE(log.mid(log.size() - 3), (QStringList{"row 12.3", "lost", "shown 12.3 stopped"}));
        QVERIFY(!port.isOpen());
    }

    // What the meter receives when the link is ended: the disconnect always says "J" (the
    // port opened for it after the watchdog closed it); the end says it only to a live
    // meter and only when asked (the logger), never to a stopped link.
    void theMeterIsToldToStop_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("live, disconnect") << "live"
                                          << "disconnect" << QByteArray("D\rJ\r");
        QTest::newRow("silent, disconnect") << "silent"
                                            << "disconnect" << QByteArray("D\rJ\r");
        QTest::newRow("never connected, disconnect") << "stopped"
                                                     << "disconnect" << QByteArray("J\r");
        QTest::newRow("live, the logger's end") << "live"
                                                << "stop" << QByteArray("D\rJ\r");
        QTest::newRow("silent, the logger's end") << "silent"
                                                  << "stop" << QByteArray("D\r");
        QTest::newRow("live, the window's exit") << "live"
                                                 << "leave" << QByteArray("D\r");
    }
    void theMeterIsToldToStop()
    {
        QFETCH(QString, before);
        QFETCH(QString, how);
        make(Settings{});
        if (before != "stopped") {
            QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
            step(frame("0123"));
            if (before == "silent")
                step({}, 25); // the watchdog stops the link and closes the port
        }
        if (how == "disconnect")
            s->disconnectLink();
        else
            s->end(1000, how == "stop" ? Session::MeterOnEnd::Stop : Session::MeterOnEnd::Leave);
        QTEST(port.sent, "sent");
        QVERIFY(!port.isOpen());
        if (how == "disconnect")
            QCOMPARE(s->snapshot().link, meterlink::LinkState::Stopped);
    }

    // Reconnecting keeps file output on with gap rows; one row a second throughout, the
    // gap rows exactly while the link is being re-established.
    // The heartbeat: the session's timer runs a tick every 100 ms from its start until it
    // is stopped or the session ends; a timeout on its way after that runs nothing.
    void heartbeatRunsUntilStoppedOrEnded()
    {
        fakes::Timer timer;
        s = std::make_unique<Session>(session::Services{&port, &clock, nullptr, &timer});
        std::vector<std::unique_ptr<session::Output>> outputs;
        outputs.push_back(std::make_unique<Recorder>(&log));
        s->setOutputs(std::move(outputs));
        timer.fire();
        QCOMPARE(log.size(), 0);
        s->startHeartbeat();
        QVERIFY(timer.isEnabled());
        QCOMPARE(timer.interval(), meterlink::kTickMs);
        timer.fire();
        timer.fire();
        QCOMPARE(log.size(), 2);
        s->stopHeartbeat();
        timer.fire();
        QCOMPARE(log.size(), 2);
        s->startHeartbeat();
        s->end(1000);
        QVERIFY(!timer.isEnabled());
        timer.fire();
        QCOMPARE(log.size(), 2);
    }

    void gapRowsThroughAReconnect()
    {
        make(logging(true));
        QCOMPARE(s->begin(true, true, nullptr), session::Begun::Connected);
        QList<LinkState> states;
        connect(s.get(), &Session::linkStateChanged, this,
                [&states](LinkState st) { states << st; });
        step(frame("0123"), 30);
        step({}, 60);
        QCOMPARE(s->link().state(), LinkState::Reconnecting);
        step(frame("0050"), 30);
        QCOMPARE(states, (QList<LinkState>{LinkState::Reconnecting, LinkState::Live}));
        QVERIFY(s->fileOutputRunning());
        fileBytes();
        const QStringList rows = csvrows::rows(s->filePath());
        csvrows::checkOneRowPerSecond(rows);
        QString kinds;
        for (const QString &r : rows)
            kinds += r.endsWith(",,,")    ? 'g'
                     : r.contains("12.3") ? 'v'
                     : r.contains("5.0")  ? 'w'
                                          : '?';
        // Lost 2.1 s after the last frame, back within the next attempt (every 3 s).
        QVERIFY2(QRegularExpression("^v{4,6}g{3,7}w{2,4}$").match(kinds).hasMatch(),
                 qPrintable(kinds));
        QVERIFY(rows.contains("2013/12/04,9:05:45,,,,")); // a gap row keeps the columns
    }

    // File output from the first frame: nothing before it, and at it the file or the
    // reason why not.
    void logFromTheFirstFrame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("why"); // -1: started
        QTest::newRow("named") << "wind.csv" << 31 << -1;
        QTest::newRow("no name") << "" << 31 << int(StartResult::NoFileName);
        QTest::newRow("no column") << "wind.csv" << 0 << int(StartResult::NoColumns);
        QTest::newRow("bad name") << "wind.CSV" << 31 << int(StartResult::Failed);
    }
    void logFromTheFirstFrame()
    {
        QFETCH(QString, name);
        QFETCH(int, mask);
        QFETCH(int, why);
        Settings v = logging();
        v.fName = name.isEmpty() ? QString() : dir->filePath(name);
        v.fOut = qint16(mask);
        make(v);
        QSignalSpy failed(s.get(), &Session::fileStartFailed);
        QSignalSpy started(s.get(), &Session::fileStarted);
        s->begin(true, true, nullptr);
        step({}, 5);
        QVERIFY(files().isEmpty());
        step(frame("0123"));
        QCOMPARE(started.size(), why < 0 ? 1 : 0);
        QCOMPARE(failed.size(), why < 0 ? 0 : 1);
        if (why >= 0)
            QCOMPARE(failed[0][0].value<StartResult>(), StartResult(why));
        QCOMPARE(files().size(), why < 0 ? 1 : 0);
        // Once only: a later first frame (after a reconnect) starts nothing more.
        step(frame("0123"), 3);
        QCOMPARE(started.size() + failed.size(), 1);
    }

    void snapshotsOnChangeOnly()
    {
        make(Settings{});
        QList<session::Snapshot> seen;
        connect(s.get(), &Session::snapshotChanged, this,
                [&seen](const session::Snapshot &v) { seen << v; });
        s->begin(true, false, nullptr);
        QCOMPARE(seen.size(), 1); // live, nothing measured yet
        QVERIFY(!seen.last().receiving);
        step(frame("0123"), 5);
        QCOMPARE(seen.size(), 2);
        QVERIFY(seen.last().receiving);
        QCOMPARE(seen.last().frameSecond, clock.current.toSecsSinceEpoch());
        // The same readings a second later: only the frame's time is new.
        clock.current = clock.current.addSecs(1);
        step(frame("0123"));
        QCOMPARE(seen.size(), 3);
        step(frame("0200", '1'));
        QCOMPARE(seen.size(), 4);
        QCOMPARE(seen.last().tenths[0], 200);
        QCOMPARE(seen.last().levels, (std::array<int, 2>{1, 0}));
        step(); // nothing new
        QCOMPARE(seen.size(), 4);
        // A garbled frame is counted, and that is a change a technician sees.
        step("\x02"
             "0123,04\r");
        QCOMPARE(seen.size(), 5);
        QCOMPARE(seen.last().rejected, quint64(1));
    }

    // A rise sounds and is told; level 2 repeats every 10 s until acknowledged; figures
    // gone stale sound nothing, and the next whole frame brings the levels back.
    void alarmPolicyWithStaleFigures()
    {
        Settings v;
        v.reconnect = true;
        make(v);
        QList<int> sounds;
        QStringList rose;
        connect(s.get(), &Session::soundDue, this, [&sounds](int level) { sounds << level; });
        connect(s.get(), &Session::alarmRose, this,
                [&rose](int figure, int level, const QString &reading) {
                    rose << QStringLiteral("%1:%2:%3").arg(figure).arg(level).arg(reading);
                });
        s->begin(true, false, nullptr);
        step(frame("0123", '1', '0'));
        step(frame("0250", '2', '2'));
        QCOMPARE(sounds, (QList<int>{1, 2}));
        QCOMPARE(rose, (QStringList{"0:1:12.3", "0:2:25.0", "1:2:78.9"}));
        step(frame("0250", '2', '2'), 99);
        QCOMPARE(sounds, (QList<int>{1, 2}));
        step(frame("0250", '2', '2'));
        QCOMPARE(sounds, (QList<int>{1, 2, 2})); // 10 s on
        s->acknowledge();
        step(frame("0250", '2', '2'), 150);
        QCOMPARE(sounds.size(), 3);
        // Lost: reconnecting, stale figures, no repeat even unacknowledged.
        step(frame("0250", '1', '0'));
        step(frame("0250", '2', '0'));
        QCOMPARE(sounds.size(), 4);
        step({}, 160);
        QCOMPARE(s->link().state(), LinkState::Reconnecting);
        QCOMPARE(sounds.size(), 4);
        step(frame("0250", '2', '0'));
        QCOMPARE(sounds.size(), 5);
        QCOMPARE(sounds.last(), 2);
    }

    void outputStopsWithTheLinkUnlessReconnecting_data()
    {
        QTest::addColumn<bool>("reconnect");
        QTest::newRow("reconnecting off") << false;
        QTest::newRow("reconnecting on") << true;
    }
    void outputStopsWithTheLinkUnlessReconnecting()
    {
        QFETCH(bool, reconnect);
        make(logging(reconnect));
        QSignalSpy stopped(s.get(), &Session::fileStopped);
        s->begin(true, true, nullptr);
        step(frame("0123"), 20);
        step({}, 21);
        QCOMPARE(s->fileOutputRunning(), reconnect);
        QCOMPARE(stopped.size(), reconnect ? 0 : 1);
        const QByteArray before = fileBytes();
        step({}, 30);
        QCOMPARE(fileBytes().size() > before.size(), reconnect);
        s->stopLink();
        QVERIFY(!s->fileOutputRunning());
    }

    // The file's bytes: the header in code page 932, a row a second with the readings of
    // the last whole frame ("0.0" before the first), and a restart in the same minute
    // that keeps the first file.
    void rowsCarryTheDecodedValues()
    {
        clock.current = QDateTime(QDate(2013, 12, 4), QTime(9, 4, 59, 950));
        make(logging());
        s->begin(true, false, nullptr);
        QString error;
        QCOMPARE(s->startFileOutput(&error), StartResult::Started);
        step(); // 9:05:00: no frame yet
        step(frame("0032"), 10);
        QCOMPARE(fileBytes(), logging::toCp932(QStringLiteral(
                                  "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r\n"
                                  "2013/12/04,9:05:00,0.0,0.0,0.0,0.0\r\n"
                                  "2013/12/04,9:05:01,3.2,45.6,78.9,1.2\r\n")));
        s->stopFileOutput();
        QCOMPARE(s->startFileOutput(&error), StartResult::Started);
        step(frame("0032"), 10);
        s->stopFileOutput();
        const QByteArray first = fileBytes();
        QCOMPARE(first.count("\r\n"), 2);
        QCOMPARE(s->startFileOutput(&error), StartResult::Started);
        QCOMPARE(files(),
                 (QStringList{"wind1312040904.csv", "wind1312040905.csv", "wind1312040905_2.csv"}));
        QFile f(dir->filePath("wind1312040905.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), first);
    }

    // The display reset restarts the interval count from the current second.
    void resetRestartsTheIntervalCount()
    {
        Settings v = logging();
        v.fTime = 7;
        make(v);
        s->begin(true, false, nullptr);
        QString error;
        s->startFileOutput(&error);
        step(frame("0032"), 10); // 9:05:38: counted from :37, nothing due yet
        QCOMPARE(fileBytes().count("\r\n"), 1);
        clock.current.setTime(QTime(9, 5, 42));
        s->reset(); // the count is 42: the next second is due at once
        s->connectLink();
        s->startFileOutput(&error);
        step(frame("0032"), 10);
        QCOMPARE(fileBytes().count("\r\n"), 2);
    }

    // A full disk, faked or a real small file system: file output stops once and says so
    // once, the rows written are whole lines, and a new start on the full disk fails and
    // leaves no file.
    void aFullDiskStopsFileOutputOnce_data()
    {
        QTest::addColumn<bool>("real");
        QTest::newRow("disk full from the third write") << false;
        QTest::newRow("full tmpfs") << true;
    }
    void aFullDiskStopsFileOutputOnce()
    {
        QFETCH(bool, real);
        Settings v = logging();
        const QString mnt = dir->filePath("small");
        auto unmount = qScopeGuard([&] {
            if (real)
                QProcess::execute("umount", {mnt});
        });
        if (real) {
            QVERIFY(QDir().mkpath(mnt));
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", mnt}) != 0)
                QSKIP("cannot mount a small tmpfs here (needs root and mount rights)");
            v.fName = mnt + "/log.csv";
        } else {
            file.failAt = 3; // the header, one row, then the disk is full
        }
        make(v);
        QSignalSpy failed(s.get(), &Session::writeFailed);
        QSignalSpy stopped(s.get(), &Session::fileStopped);
        s->begin(true, true, nullptr);
        step(frame("0123"), 15);
        QVERIFY(s->flush(5000)); // the header and the first row are on the disk
        if (real) {
            QFile filler(mnt + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(512, 'x')) == 512 && filler.flush()) {}
        }
        for (int i = 0; i < 300 && failed.isEmpty(); ++i) {
            step(frame("0123"), 10);
            s->flush(5000);
        }
        step(frame("0123"), 30);
        QCOMPARE(failed.size(), 1);
        QVERIFY(failed[0][0].toString().contains(QStringLiteral("ﾃﾞｨｽｸの空き容量")));
        QCOMPARE(failed[0][2].toBool(), true);
        QCOMPARE(stopped.size(), 1);
        QVERIFY(!s->fileOutputRunning());
        QVERIFY(fileBytes().endsWith("\r\n"));
        const QDir folder = QFileInfo(s->filePath()).dir();
        const QStringList before = folder.entryList(QDir::Files);
        clock.current = clock.current.addSecs(120);
        QString error;
        QCOMPARE(s->startFileOutput(&error), StartResult::Started);
        s->flush(5000); // the header fails on the writer's thread
        QCOMPARE(failed.size(), 2);
        QVERIFY(!s->fileOutputRunning());
        QCOMPARE(folder.entryList(QDir::Files), before);
    }

    // What a broker receives: nothing measured while no frame comes, the readings and
    // levels while frames come, the link's state by name.
    void brokerIsToldWhatIsMeasured()
    {
        store.values["Mqtt/Host"] = "broker.local";
        store.values["Mqtt/Topic"] = "site/wind";
        fakes::MqttClient *mqtt = nullptr;
        Settings v;
        v.reconnect = true;
        make(v, [&mqtt] {
            auto c = std::make_unique<fakes::MqttClient>();
            mqtt = c.get();
            return c;
        });
        QVERIFY(mqtt);
        mqtt->comeUp();
        auto state = [&] {
            for (qsizetype i = mqtt->sent.size() - 1; i >= 0; --i)
                if (mqtt->sent[i].topic == "site/wind/state")
                    return QJsonDocument::fromJson(mqtt->sent[i].payload).object();
            return QJsonObject();
        };
        s->begin(true, false, nullptr);
        step({}, 10);
        QCOMPARE(state().value("link").toString(), QStringLiteral("live"));
        QVERIFY(state().value("instant").isNull());
        step(frame("0123", '1', '2'), 10);
        QCOMPARE(state().value("instant").toDouble(), 12.3);
        QCOMPARE(state().value("average").toDouble(), 78.9);
        QCOMPARE(state().value("instant_alarm").toInt(), 1);
        QCOMPARE(state().value("average_alarm").toInt(), 2);
        step({}, 30);
        QCOMPARE(state().value("link").toString(), QStringLiteral("reconnecting"));
        QVERIFY(state().value("instant").isNull());
        s->end(1000);
        QVERIFY(mqtt->stopped);
    }

    // The system is kept awake while file output runs and let sleep when it stops; a
    // system that refuses is said once and the log goes on.
    void staysAwakeWhileLogging_data()
    {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("held") << false;
        QTest::newRow("refused") << true;
    }
    void staysAwakeWhileLogging()
    {
        QFETCH(bool, refuse);
        fakes::SleepInhibitor awake;
        awake.refuse = refuse;
        make(logging());
        s->setOutputs(session::makeOutputs(store, {&file, &clock, {}, {}, &awake}));
        QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        QSignalSpy said(s.get(), &Session::outputStatus);
        for (int round = 0; round < 2; ++round) {
            QString error;
            QCOMPARE(s->startFileOutput(&error), StartResult::Started);
            QCOMPARE(awake.held, !refuse);
            s->stopFileOutput();
            QVERIFY(!awake.held);
        }
        QCOMPARE(awake.asked, 2);
        QCOMPARE(said.size(), refuse ? 1 : 0);
        if (refuse) // said as the sleep lock's, not as another output's
            QCOMPARE(said[0][0].toString(), QStringLiteral("StayAwake"));
    }

    // The site's rule over a day's end: a minute's mean, 5.0 m/s for two minutes, then
    // 12.0 (caution, then stop), a storm at 23:59:00 (12.3 the highest mean once its
    // second is in it), midnight, and the end at 0:04:00. The event log
    // of the first day and the summary of both days, byte for byte; the storm's latch is
    // kept over a restart and opened by the acknowledgement, which the next day's file
    // records.
    void siteRecordsAcrossMidnight()
    {
        Settings v = logging();
        v.site = {true, 1, 80, 100, 300, 1, {}};
        platform::StateFile latch(dir->filePath("QV475_XP_site.ini"));
        auto start = [&] {
            s = std::make_unique<Session>(session::Services{&port, &clock, &latch});
            s->setSettings(v);
            s->reset();
            s->setOutputs(session::makeOutputs(store, {&file, &clock, {}, {}}));
            QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        };
        // A frame a second, nine silent ticks between.
        auto seconds = [&](int n, const char *instant) {
            for (int i = 0; i < n; ++i) {
                step(frame(instant));
                step({}, 9);
            }
        };
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 50, 0));
        start();
        QSignalSpy works(s.get(), &Session::workChanged);
        seconds(120, "0050");
        seconds(420, "0120");
        seconds(1, "0310");
        QVERIFY(s->snapshot().site.latched);
        seconds(299, "0120");
        QCOMPARE(s->snapshot().site.work, site::Work::Stop);
        // The first verdict (normal), caution, stop.
        QCOMPARE(works.size(), 3);
        QVERIFY(s->end(30000));
        s.reset();

        auto read = [&](const QString &name) {
            QFile f(dir->filePath(name));
            return f.open(QIODevice::ReadOnly) ? logging::fromCp932(f.readAll()) : QString();
        };
        QCOMPARE(read("wind_events_20261208.csv"),
                 QStringLiteral("年月日,時刻,事象,1分平均,最大瞬間風速,瞬間風速,詳細\r\n"
                                "2026/12/08,23:50:00,監視開始,,,,\r\n"
                                "2026/12/08,23:52:26,注意,8.0,12.0,12.0,\r\n"
                                "2026/12/08,23:52:43,作業中止,10.0,12.0,12.0,\r\n"
                                "2026/12/08,23:59:00,暴風 点検要,12.0,31.0,31.0,\r\n"));
        // The watching's end, in the day it ended, with why.
        QVERIFY2(read("wind_events_20261209.csv").contains(u",監視終了,"_s) &&
                     read("wind_events_20261209.csv").endsWith(u",原因=終了\r\n"_s),
                 qPrintable(read("wind_events_20261209.csv")));
        const QString summary = read("wind_summary.csv");
        QVERIFY2(summary ==
                     QStringLiteral("年月日,開始時刻,終了時刻,最大瞬間風速,最大瞬間風速時刻,"
                                    "最大1分平均,最大1分平均時刻,注意(分),作業中止(分),"
                                    "通信なし(分),暴風(回),データ率(%),判定中(分),点検\r\n"
                                    "2026/12/08,23:50:00,24:00:00,31.0,23:59:00,12.3,23:59:02,"
                                    "0,7,0,1,100,1,\r\n"
                                    "2026/12/09,0:00:00,0:04:00,12.0,0:00:00,12.3,0:00:00,0,4,0,0,"
                                    "100,0,\r\n"),
                 qPrintable(summary));

        // After a restart the stop and the latch still hold: nothing is signed while work
        // is stopped. Once the wind is down, a fault keeps the crane out of service and a
        // pass after repair opens the latch, once.
        start();
        QVERIFY(s->snapshot().site.latched);
        QCOMPARE(s->acknowledgeInspection(u" "_s, {}), session::Acknowledgement::NoName);
        QCOMPARE(s->acknowledgeInspection(u"山田 太郎"_s, u"異常なし"_s),
                 session::Acknowledgement::StillStopped);
        seconds(200, "0030");
        QCOMPARE(s->snapshot().site.work, site::Work::Normal);
        QCOMPARE(s->acknowledgeInspection(u"山田 太郎"_s, u"異常あり: 手すり, 緩み"_s),
                 session::Acknowledgement::Recorded);
        QVERIFY(s->snapshot().site.latched && s->snapshot().site.outOfService());
        QCOMPARE(s->acknowledgeInspection(u"山田 太郎"_s, u"異常なし"_s),
                 session::Acknowledgement::Recorded);
        QCOMPARE(s->acknowledgeInspection(u"山田 太郎"_s, {}),
                 session::Acknowledgement::NothingLatched);
        QVERIFY(!s->snapshot().site.latched && !s->snapshot().site.outOfService());
        QVERIFY(s->end(30000));
        s.reset();
        const QString events = read("wind_events_20261209.csv");
        QVERIFY2(events.contains(u",使用停止,"_s) &&
                     events.contains(u",点検者=山田 太郎;結果=異常あり: 手すり， 緩み\r\n"_s) &&
                     events.contains(u",点検確認,"_s) &&
                     events.contains(u",点検者=山田 太郎;結果=異常なし\r\n"_s),
                 qPrintable(events));
        const QString kept = QString::fromUtf8(latch.read().bytes);
        QVERIFY2(kept.startsWith(u"Acknowledged=2026-12-09T00:0"_s) &&
                     kept.endsWith(u"\nInspector=山田 太郎\nResult=異常なし\nLatch=crane\n"
                                   "Work=normal\n"_s),
                 qPrintable(kept));
    }

    // The known day as the meter sends it, a frame a second from 9:50 to 10:58, logged at
    // 1, 60 and 600 s: what the history and the report show of the day is the same for
    // the three, and its times are the event log's, to the second.
    void aDaysFiguresAreWhatWasDecided()
    {
        QStringList first;
        for (int interval : {1, 60, 600}) {
            dir = std::make_unique<QTemporaryDir>();
            Settings v = logging();
            v.fTime = qint16(interval);
            v.site.enabled = true;
            clock.current = QDateTime(knownday::kDay, QTime(9, 50, 0));
            make(v);
            QCOMPARE(s->begin(true, true, nullptr), session::Begun::Connected);
            while (clock.current.toMSecsSinceEpoch() < knownday::at(10, 58, 0)) {
                const qint64 ms = clock.current.toMSecsSinceEpoch();
                const char *instant = ms == knownday::at(10, 55, 0) ? "0310"
                                      : ms >= knownday::at(10, 0, 0) && ms < knownday::at(10, 25, 0)
                                          ? "0120"
                                          : "0050";
                step(frame(instant));
                step({}, 9);
            }
            // Acknowledged before the end: the sheet names who.
            QCOMPARE(s->acknowledgeInspection(u"山田 太郎"_s, u"異常なし"_s),
                     session::Acknowledgement::Recorded);
            step({}, 10);
            const QString log = s->filePath();
            // Four thousand rows may still be on their way on a loaded machine; the end's
            // bound is another test's.
            QVERIFY(s->end(30000));
            s.reset();

            history::WindHistory h(v.site);
            QString error;
            QVERIFY2(h.load({log}, &platform::readWholeFile, &error), qPrintable(error));
            const history::Figures f = h.figures(knownday::at(0, 0, 0), knownday::at(23, 59, 59));
            QCOMPARE(f.basis, history::Basis::Live);
            QStringList shown;
            for (const auto &[label, value] : history::figureLines(f, v.site, knownday::kDay))
                shown << label + u'=' + value;
            const QList<history::EventRow> events =
                h.eventsIn(knownday::at(0, 0, 0), knownday::at(23, 59, 59));
            auto timeOf = [&](const QString &what) {
                for (const history::EventRow &e : events)
                    if (e.what == what)
                        return history::timeOf(e.ms, knownday::kDay);
                return QString();
            };
            const QString stop = timeOf(u"作業中止"_s), storm = timeOf(u"暴風 点検要"_s);
            QVERIFY(!stop.isEmpty() && !storm.isEmpty());
            for (const QString &want :
                 {u"最大瞬間風速=31.0 m/s (10:55:00)"_s, u"最大10分平均=12.0 m/s (10:09:57)"_s,
                  u"作業中止=%1 〜 %2 (31 分)"_s.arg(stop, timeOf(u"作業中止基準を下回る"_s)),
                  u"暴風=%1 31.0 m/s"_s.arg(storm),
                  u"　点検=%1 山田 太郎 (異常なし)"_s.arg(timeOf(u"点検確認"_s)),
                  u"判定中の時間=9 分"_s, u"データなし=1 分未満"_s})
                QVERIFY2(shown.contains(want), qPrintable(shown.join(u'\n')));
            if (first.isEmpty())
                first = shown;
            QCOMPARE(shown, first);
        }
    }

    void unreadableStateFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("directory");
        QTest::newRow("cut short") << QByteArray("Latched=2026-12-08T08:4") << false;
        QTest::newRow("over 64 KiB") << QByteArray(70000, 'x') << false;
        QTest::newRow("a directory") << QByteArray() << true;
    }
    // A state file that cannot be read holds the latch (never a calm), is said once and
    // kept aside as .bad; the new state is written in its place.
    void unreadableStateFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, directory);
        const QString path = dir->filePath("site.ini");
        if (directory) {
            QVERIFY(QDir().mkpath(path + "/inside"));
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        platform::StateFile latch(path);
        s = std::make_unique<Session>(session::Services{&port, &clock, &latch});
        QSignalSpy said(s.get(), &Session::stateUnreadable);
        Settings v;
        v.site.enabled = true;
        s->setSettings(v);
        s->setSettings(v);
        QCOMPARE(said.size(), 1);
        QCOMPARE(said[0][1].toString(), path + ".bad");
        QVERIFY(s->snapshot().site.latched);
        QVERIFY(s->snapshot().site.stateUnreadable);
        QCOMPARE(QFileInfo(path + ".bad").isDir(), directory);
        QVERIFY(parseLatch(latch.read().bytes).value().storm.latchedMs != 0);
        // The inspection opens it like any latch.
        QCOMPARE(s->acknowledgeInspection(u"検査 一郎"_s, {}), session::Acknowledgement::Recorded);
        QVERIFY(!s->snapshot().site.stateUnreadable);
    }

    // A clock set back across midnight and forward by two days: one summary row a day,
    // each spanning the time it covered; the day taken up again is amended, not repeated.
    void summaryOverClockJumps()
    {
        Settings v = logging();
        v.site = {true, 1, 80, 100, 300, 1, {}};
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(23, 59, 30));
        make(v);
        QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        auto seconds = [&](int n) {
            for (int i = 0; i < n; ++i) {
                step(frame("0050"));
                step({}, 9);
            }
        };
        seconds(60); // 23:59:30 to 0:00:30, across midnight
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(22, 0, 0));
        seconds(30); // back on the 8th
        clock.current = QDateTime(QDate(2026, 12, 10), QTime(12, 0, 0));
        seconds(30); // two days on
        QVERIFY(s->end(30000));
        s.reset();
        QFile f(dir->filePath("wind_summary.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QStringList rows = logging::fromCp932(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        rows.removeFirst();
        QStringList spans;
        for (const QString &row : rows)
            spans << row.section(',', 0, 2);
        QCOMPARE(spans, (QStringList{"2026/12/08,22:00:00,24:00:00", "2026/12/09,0:00:00,0:00:30",
                                     "2026/12/10,12:00:00,12:00:30"}));
    }

    // The command channel's requests: an acknowledgement answered once it is recorded,
    // and the refusals with their codes (a result that says nothing or is no text).
    void commandAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("latched");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("work"); // kept over the restart
        const QByteArray ack = R"({"acknowledge":{"by":"山田","result":"異常なし"}})";
        QTest::newRow("recorded") << ack << true << ""
                                  << "normal"_ba;
        QTest::newRow("nothing latched") << ack << false << "nothing_latched"
                                         << "normal"_ba;
        QTest::newRow("no name") << QByteArray(R"({"acknowledge":{"by":" "}})") << true << "no_name"
                                 << "normal"_ba;
        QTest::newRow("a result of blanks and controls")
            << QByteArray(R"({"acknowledge":{"by":"山田","result":" \t\u0001 "}})") << true
            << "no_result"
            << "normal"_ba;
        // Longer than the limit: refused with it, never cut.
        QTest::newRow("a result of 61 characters")
            << (R"({"acknowledge":{"by":"山田","result":")" + QByteArray(61, 'x') + R"("}})")
            << true << "too_long"
            << "normal"_ba;
        QTest::newRow("a number for a result")
            << QByteArray(R"({"acknowledge":{"by":"山田","result":1}})") << true << "bad_request"
            << "normal"_ba;
        QTest::newRow("a number for a name")
            << QByteArray(R"({"acknowledge":{"by":7}})") << true << "bad_request"
            << "normal"_ba;
        QTest::newRow("not JSON") << QByteArray("hello") << true << "bad_request"
                                  << "normal"_ba;
        QTest::newRow("a latch that is none")
            << QByteArray(R"({"acknowledge":{"by":"山田","result":"異常なし","latch":"boom"}})")
            << true << "bad_request"
            << "normal"_ba;
        QTest::newRow("the scaffolds, not due")
            << QByteArray(R"({"acknowledge":{"by":"山田","result":"異常なし","latch":"scaffold"}})")
            << true << "nothing_latched"
            << "normal"_ba;
        // The inspection follows the wind: refused during a stop, asked for under a caution.
        QTest::newRow("during a stop") << ack << true << "still_stopped"
                                       << "stop"_ba;
        QTest::newRow("under a caution") << ack << true << "needs_force"
                                         << "caution"_ba;
        QTest::newRow("under a caution, forced")
            << QByteArray(R"({"acknowledge":{"by":"山田","result":"異常なし","force":true}})")
            << true << ""
            << "caution"_ba;
    }
    void commandAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(bool, latched);
        QFETCH(QString, code);
        QFETCH(QByteArray, work);
        platform::StateFile latch(dir->filePath("site.ini"));
        if (latched)
            QVERIFY(
                latch.write("Latched=2026-12-08T08:48:18.000+09:00\nWork=" + work + "\n", nullptr));
        s = std::make_unique<Session>(session::Services{&port, &clock, &latch});
        Settings v;
        v.site.enabled = true;
        s->setSettings(v);
        QList<QByteArray> answers;
        session::answerCommand(*s, request, [&](const QByteArray &a) { answers << a; });
        QTRY_COMPARE(answers.size(), 1);
        const QJsonObject answer = QJsonDocument::fromJson(answers[0]).object();
        QCOMPARE(answer.value("ok").toBool(), code.isEmpty());
        QCOMPARE(answer.value("code").toString(), code);
        QCOMPARE(s->snapshot().site.latched, latched && !code.isEmpty());
        QCOMPARE(s->snapshot().site.inspection.forced, code.isEmpty() && request.contains("force"));
        // Answered once only, even at the end.
        QVERIFY(s->end(30000));
        QCOMPARE(answers.size(), 1);
    }

    // What the link's silence means: a meter that never answered is no lost link (said
    // once as no answer); a normal has no basis at the watchdog's loss, a stop holds;
    // the watching's start and end are said, the end with its cause.
    void linkEventsAndVerdicts_data()
    {
        QTest::addColumn<QStringList>("script"); // "frames N TENTHS", "silence N" (ticks)
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("work");
        QTest::newRow("a meter that never answers")
            << QStringList{"silence 100"}
            << QStringList{"monitor_start", "no_answer", "monitor_end|原因=テスト"} << "undecided";
        QTest::newRow("a normal loses its basis at the watchdog")
            << QStringList{"frames 700 0050", "silence 25"}
            << QStringList{"monitor_start", "link_lost", "undecided", "monitor_end|原因=テスト"}
            << "undecided";
        QTest::newRow("a stop holds through the gap")
            << QStringList{"frames 700 0120", "silence 25"}
            << QStringList{"monitor_start", "stop", "link_lost", "monitor_end|原因=テスト"}
            << "stop";
        QTest::newRow("back after a loss")
            << QStringList{"frames 100 0050", "silence 25", "frames 30 0050"}
            << QStringList{"monitor_start", "link_lost", "link_back", "monitor_end|原因=テスト"}
            << "undecided";
    }
    void linkEventsAndVerdicts()
    {
        QFETCH(QStringList, script);
        QFETCH(QStringList, events);
        QFETCH(QString, work);
        Settings v = logging(true);
        v.site = {true, 1, 80, 100, 300, 1, {}};
        s = std::make_unique<Session>(session::Services{&port, &clock});
        s->setSettings(v);
        s->reset();
        QStringList seen;
        std::vector<std::unique_ptr<session::Output>> outputs;
        outputs.push_back(std::make_unique<Recorder>(&log, &seen));
        s->setOutputs(std::move(outputs));
        QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        for (const QString &line : script) {
            const QStringList w = line.split(u' ');
            for (int i = 0; i < w[1].toInt(); ++i)
                step(w[0] == u"frames"_s ? frame(w[2].toLatin1().constData()) : QByteArray());
        }
        QCOMPARE(site::workName(s->snapshot().site.work), work);
        QVERIFY(s->end(5000, Session::MeterOnEnd::Leave, u"テスト"_s));
        QCOMPARE(seen, events);
    }

    void duePointsFromTheProgramsStart_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("startAfter"); // seconds after 9:05:37 that output starts
        QTest::addColumn<QString>("firstRow");
        QTest::addColumn<int>("before"); // the interval of the first 10 s (0: the same)
        // 7 s: every 7th second handled since the program's first tick (9:05:37 is the
        // first): 9:05:43, 9:05:50, 9:05:57, the next after output starts at 9:05:52.5
        // (a restart of the interval there would give 9:05:53).
        QTest::newRow("7 s") << 7 << 15 << "9:05:57" << 0;
        // 45 s: 9:06:21 is the 45th second handled; output starts at 9:06:00.5.
        QTest::newRow("45 s") << 45 << 23 << "9:06:21" << 0;
        // Changed from 45 to 7 s in the dialog at 9:05:47 (11 seconds counted): due at
        // once (9:05:48), then 9:05:55, the first after output starts at 9:05:52.5.
        QTest::newRow("changed to 7 s") << 7 << 15 << "9:05:55" << 45;
        // 10 s: on the clock's tens, whenever output starts.
        QTest::newRow("10 s") << 10 << 15 << "9:06:00" << 0;
    }
    // The due rule counts with the configured interval from the program's start, before
    // any output: starting output does not restart the interval.
    void duePointsFromTheProgramsStart()
    {
        QFETCH(int, interval);
        QFETCH(int, startAfter);
        QFETCH(QString, firstRow);
        QFETCH(int, before);
        Settings v = logging();
        v.fTime = qint16(before ? before : interval);
        make(v);
        QCOMPARE(s->begin(true, false, nullptr), session::Begun::Connected);
        for (int i = 0; i < startAfter * 10 + 5; ++i) {
            if (i == 100) {
                v.fTime = qint16(interval);
                s->setSettings(v);
            }
            step(frame("0123"));
        }
        QString error;
        QCOMPARE(s->startFileOutput(&error), StartResult::Started);
        for (int i = 0; i < 50 * 10; ++i)
            step(frame("0123"));
        const QStringList lines =
            QString::fromLatin1(fileBytes()).split("\r\n", Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines[1].section(',', 1, 1), firstRow);
    }

    // The configured port's adapter: identified at its first open, found again under
    // another name after a re-plug (said once, in the status and the event log), another
    // adapter at that name never taken, and the port's own device again when it is back.
    void aMovedAdapterIsFoundAgain()
    {
        struct Usb : platform::PortEnumerator {
            QList<platform::FoundPort> ports;
            QList<platform::FoundPort> usbPorts() const override { return ports; }
            bool exists(const QString &d) const override
            {
                return std::any_of(ports.begin(), ports.end(),
                                   [&d](const platform::FoundPort &p) { return p.device == d; });
            }
        } usb;
        const platform::PortIdentity a{"0403", "6001", "A1", {}, {}};
        const platform::PortIdentity b{"0403", "6001", "B2", {}, {}};
        platform::PortFinder finder([](int n) { return u"/dev/ttyUSB%1"_s.arg(n - 1); }, &usb);
        // The port opens the device the finder names, when it is present.
        QStringList opened;
        port.onOpen = [&] {
            opened << finder.device(port.commPort());
            port.usable = usb.exists(opened.last()) ? QSet<int>{port.commPort()} : QSet<int>{};
        };
        Settings v = logging(true);
        v.port = 3;
        v.site.enabled = true;
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));
        usb.ports = {{"/dev/ttyUSB2", a}};
        make(v, {}, &finder);
        QSignalSpy identified(s.get(), &Session::portIdentified);
        QStringList said;
        connect(s.get(), &Session::outputStatus, this, [&said](const QString &o, const QString &t) {
            if (o == u"Port"_s)
                said << t;
        });
        QCOMPARE(s->begin(true, true, nullptr), session::Begun::Connected);
        QCOMPARE(identified.size(), 1);
        QCOMPARE(identified[0][0].toString(), a.text());
        QCOMPARE(s->settings().portId, a.text());
        // The meter's frames reach the program only through an open port.
        const auto meter = [&](int ticks) {
            for (int i = 0; i < ticks; ++i)
                step(port.isOpen() ? frame("0050") : QByteArray());
        };
        meter(10);

        usb.ports = {{"/dev/ttyUSB6", a}}; // plugged into another socket
        step({}, 60);
        meter(40);
        QCOMPARE(s->link().state(), LinkState::Live);
        QCOMPARE(opened.last(), u"/dev/ttyUSB6"_s);
        QCOMPARE(
            said,
            QStringList{
                u"COM3 (/dev/ttyUSB2) が見つからないため、同じｱﾀﾞﾌﾟﾀの /dev/ttyUSB6 につなぎました"_s});
        QCOMPARE(s->settings().portId, a.text()); // the adapter is still the same one

        usb.ports = {{"/dev/ttyUSB6", b}}; // another adapter took its name
        step({}, 70);
        QCOMPARE(s->link().state(), LinkState::Reconnecting);
        QCOMPARE(opened.last(), u"/dev/ttyUSB2"_s);

        usb.ports = {{"/dev/ttyUSB2", a}, {"/dev/ttyUSB6", b}}; // back where it was
        meter(40);
        QCOMPARE(s->link().state(), LinkState::Live);
        QCOMPARE(said.size(), 2);
        QCOMPARE(said.last(), u"COM3 (/dev/ttyUSB2) に戻りました"_s);
        QCOMPARE(identified.size(), 1);

        QVERIFY(s->end(30000));
        s.reset();
        QFile f(dir->filePath("wind_events_20261208.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString events = logging::fromCp932(f.readAll());
        QCOMPARE(events.count(u"ﾎﾟｰﾄ切替"_s), 1);
        QVERIFY2(QRegularExpression(u",ﾎﾟｰﾄ切替,[^\r]*,元=/dev/ttyUSB2;先=/dev/ttyUSB6\r\n"_s)
                     .match(events)
                     .hasMatch(),
                 qPrintable(events));
    }

    // The rule's record resumes once its file can be written again (here a folder stood
    // where it goes): the rows after are there, as the event log's are.
    void theRuleRecordResumes()
    {
        Settings v = logging();
        v.site.enabled = true;
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));
        const QString record = dir->filePath("wind_rule_20261208.csv");
        QVERIFY(QDir().mkdir(record));
        make(v);
        step(frame("0050"), 300);
        s->flush(5000);
        step(frame("0050"), 100);
        QVERIFY(QDir().rmdir(record));
        step(frame("0050"), 300);
        QVERIFY(s->end(30000));
        s.reset();
        QFile f(record);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList rows =
            logging::fromCp932(f.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QVERIFY2(rows.size() >= 3 && rows[0].startsWith(u"年月日"_s), qPrintable(rows.join(u'\n')));
        QVERIFY2(rows.last().startsWith(u"2026/12/08,9:01:10,"_s), qPrintable(rows.join(u'\n')));
    }

    // Two programs logging under one name: the second refuses the site's records, saying
    // why, and takes them once the first has stopped.
    void oneRecordPerName()
    {
        Settings v = logging();
        v.site.enabled = true;
        auto eventLog = [&] {
            return std::make_unique<session::EventLog>(
                [] { return std::make_unique<platform::LocalFileOutput>(); }, &clock, QString());
        };
        const auto first = eventLog(), second = eventLog();
        QString error;
        QVERIFY(first->start(v, &error));
        QVERIFY(!second->start(v, &error));
        QVERIFY2(error.contains(u"別の風速計"_s) && error.contains(u"wind"_s), qPrintable(error));
        first->stop();
        QVERIFY(second->start(v, &error));
    }

    // A pause of the program (a suspend, SIGSTOP): said, and in the event log with its span.
    void aPauseIsMarked()
    {
        Settings v = logging();
        v.site.enabled = true;
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));
        make(v);
        QSignalSpy paused(s.get(), &Session::paused);
        step({}, 10);
        clock.current = clock.current.addSecs(10);
        step({}, 10);
        QCOMPARE(paused.size(), 1);
        QCOMPARE(paused[0][1].toLongLong() - paused[0][0].toLongLong(), 10100);
        QVERIFY(s->end(30000));
        s.reset();
        QFile f(dir->filePath("wind_events_20261208.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(logging::fromCp932(f.readAll())
                    .contains(u"2026/12/08,9:00:11,記録中断,,,,自=9:00:01;至=9:00:11\r\n"_s));
    }

    // A disk frozen at the end: the end keeps its one bound (not one per writer), and a
    // writer that wakes after it writes into what it still owns; the event log and the
    // summary are whole.
    void aFrozenDiskCannotStretchTheEnd()
    {
        Settings v = logging();
        v.site.enabled = true;
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(9, 0, 0));
        fakes::GatedFile gated; // its gate shuts every file the event log makes
        s = std::make_unique<Session>(session::Services{&port, &clock});
        s->setSettings(v);
        s->reset();
        s->setOutputs(session::makeOutputs(store, {&file, &clock, {}, [gate = gated.gate] {
                                                       return std::make_unique<fakes::GatedFile>(
                                                           gate);
                                                   }}));
        step({}, 10);
        gated.setOpen(false);
        clock.current = clock.current.addSecs(10); // a pause: an event row to write
        step({}, 10);
        QElapsedTimer t;
        t.start();
        QVERIFY(!s->end(1000));
        s.reset();
        QVERIFY2(t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
        gated.setOpen(true);
        auto events = [&] {
            QFile f(dir->filePath("wind_events_20261208.csv"));
            return f.open(QIODevice::ReadOnly) ? logging::fromCp932(f.readAll()) : QString();
        };
        QTRY_VERIFY_WITH_TIMEOUT(events().endsWith(u"至=9:00:11\r\n"_s), 30000);
        QFile summary(dir->filePath("wind_summary.csv"));
        QVERIFY(summary.open(QIODevice::ReadOnly));
        QCOMPARE(summary.readAll().count("\r\n"), 2);
    }
};

QTEST_GUILESS_MAIN(TstSession)
#include "tst_session.moc"
