// The main window with the real serial port, mapped to a pseudo-terminal that the test
// holds as the meter, and the real 100 ms timer.
#include "base/globals.h"
#include "csv_rows.h"
#include "display/frm_main.h"
#include "display/frm_trend.h"
#include "display/status_texts.h"
#include "display/trend_chart.h"
#include "fakes.h"
#include "platform/com_ports.h"
#include "platform/serial_port.h"
#include "platform/timer.h"
#include "pty_meter.h"
#include "settings_globals.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace basSubMain;

class TstLinkPty : public QObject
{
    Q_OBJECT
    std::unique_ptr<fakes::World> world;
    std::unique_ptr<platform::QtSerialPort> port;
    std::unique_ptr<platform::QtTimer> timer;
    std::unique_ptr<frmMain> w;
    meter::PtyMeter meter;

    platform::Services services()
    {
        platform::Services s = world->services();
        s.port = port.get();
        s.timer = timer.get();
        return s;
    }
    void mapPort(int n, const std::string &path)
    {
        world->settings.setText("Ports", QStringLiteral("COM%1").arg(n),
                                QString::fromStdString(path));
    }
    // What the meter receives within ms, while the program's event loop runs.
    QByteArray meterReads(qsizetype atLeast, int ms, meter::PtyMeter &m)
    {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (got.size() < atLeast && t.elapsed() < ms) {
            QTest::qWait(20);
            got += QByteArray::fromStdString(m.read(0));
        }
        return got;
    }
    // The meter sends a frame every 200 ms for ms milliseconds.
    void meterSends(int ms, meter::PtyMeter &m, int value = 123)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            m.write(meter::makeFrame({value, value, value, value, 0, 0}));
            QTest::qWait(200);
        }
    }
    // A window whose clock is the real one, for rows at real seconds.
    void remakeWithRealClock()
    {
        w.reset();
        platform::Services s = services();
        s.clock = &realClock;
        w = std::make_unique<frmMain>(s);
    }
    platform::SystemClock realClock;
    std::unique_ptr<QTemporaryDir> logs;

    // A window on the real clock, connected, with file output every second running after
    // the meter's first frames of the given value.
    void connectAndLog(bool reconnect, int value, int framesMs = 400)
    {
        logs = std::make_unique<QTemporaryDir>();
        remakeWithRealClock();
        gReconnect = reconnect;
        gFTime = 1;
        gFName = logs->filePath("wind.csv");
        w->session().setSettings(settingsFromGlobals());
        w->mnuFileCom_Click();
        QCOMPARE(meterReads(2, 2000, meter), QByteArray("D\r"));
        meterSends(framesMs, meter, value);
        w->mnuFileOpen_Click();
        QVERIFY(w->logOpen());
    }

private slots:
    void init()
    {
        resetGlobals();
        world = std::make_unique<fakes::World>();
        world->clock.current = QDateTime::currentDateTime();
        port = std::make_unique<platform::QtSerialPort>(
            [this](int n) { return platform::comPortDevice(n, &world->settings); });
        timer = std::make_unique<platform::QtTimer>();
        QVERIFY(meter.open());
        // Nothing is mapped to a real device: numbers without a key name missing devices.
        for (int n = 1; n <= 16; ++n)
            mapPort(n, "/nonexistent/tty" + std::to_string(n));
        mapPort(1, meter.devicePath());
        w = std::make_unique<frmMain>(services());
    }
    void cleanup()
    {
        w.reset();
        port.reset();
        timer.reset();
        meter.close();
    }

    void connectSendsDAndFramesReachTheFigures()
    {
        w->mnuFileCom_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("D\r"));
        QCOMPARE(w->StatusText(2), texts::linkLive());
        QCOMPARE(gLinkCountdown, qint16(20));
        QVERIFY(!w->menuItem("mnuFileCom")->isEnabled());
        QVERIFY(!w->menuItem("mnuViewOptions")->isEnabled());
        QVERIFY(!w->toolButton(4)->isEnabled() && !w->toolButton(5)->isEnabled());

        meter::Reading r{123, 456, 789, 12, 1, 2};
        meter.write(meter::makeFrame(r));
        QTRY_COMPARE_WITH_TIMEOUT(w->lblPeak(3)->text(), QStringLiteral("1.2"), 2000);
        QCOMPARE(w->lblPeak(0)->text(), QStringLiteral("12.3"));
        QCOMPARE(w->lblPeak(0)->palette().color(QPalette::Window), QColor(255, 255, 0));
        QCOMPARE(w->lblPeak(2)->palette().color(QPalette::Window), QColor(255, 0, 0));

        // Two frames in one write: the second is shown, not left waiting.
        meter.write(meter::makeFrame({11, 22, 33, 44, 0, 0}, true) +
                    meter::makeFrame({55, 66, 77, 88, 0, 0}));
        QTRY_COMPARE_WITH_TIMEOUT(w->lblPeak(0)->text(), QStringLiteral("5.5"), 2000);
        QCOMPARE(w->lblPeak(0)->palette().color(QPalette::Window), QColor(255, 255, 255));
    }

    void silentMeterStopsTheLinkAfterAboutTwoSeconds()
    {
        w->mnuFileCom_Click();
        meter.readAtLeast(2, 2000);
        meter.write(meter::makeFrame({10, 10, 10, 10, 0, 0}));
        QTRY_COMPARE_WITH_TIMEOUT(gReadings[0], QStringLiteral("1.0"), 2000);
        QElapsedTimer t;
        t.start();
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkStopped(), 4000);
        const qint64 ms = t.elapsed();
        QVERIFY2(ms >= 1800 && ms <= 2600, qPrintable(QString::number(ms)));
        QVERIFY(!port->isOpen());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        // No "J" on this path.
        QCOMPARE(QByteArray::fromStdString(meter.read(50)), QByteArray());
    }

    void frameTrafficKeepsLinkAliveAndBlinks()
    {
        w->mnuFileCom_Click();
        meter.readAtLeast(2, 2000);
        QStringList seen;
        QElapsedTimer t;
        t.start();
        int sent = 0;
        while (t.elapsed() < 4600) {
            if (t.elapsed() / 500 >= sent) {
                meter.write(meter::makeFrame({sent, 0, 0, 0, 0, 0}));
                ++sent;
            }
            QTest::qWait(20);
            const QString s = w->StatusText(2);
            if (seen.isEmpty() || seen.last() != s)
                seen << s;
        }
        QCOMPARE(gLinkCountdown > 0, true);
        // Panel 2 alternates between the live text and blank, once a second: live from the
        // connect, blank at 2 s, live at 3 s, blank at 4 s.
        QVERIFY2(seen.size() >= 4, qPrintable(seen.join('|')));
        for (const QString &s : seen)
            QVERIFY(s == texts::linkLive() || s.isEmpty());
    }

    void disconnectSendsJAndCloses()
    {
        w->mnuFileCom_Click();
        meter.readAtLeast(2, 2000);
        w->mnuFileStop_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("J\r"));
        QVERIFY(!port->isOpen());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        // While stopped: the port is opened just long enough to send J.
        w->mnuFileStop_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("J\r"));
        QVERIFY(!port->isOpen());
        QVERIFY(world->messageBox.shown.isEmpty());
    }

    void portHeldByAnotherProgram()
    {
        platform::QtSerialPort other(
            [this](int n) { return platform::comPortDevice(n, &world->settings); });
        other.setCommPort(1);
        other.setSettings("9600,n,8,1");
        platform::PortError err;
        QVERIFY2(other.open(&err), qPrintable(err.text()));
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].text.section('\n', 0, 0),
                 QStringLiteral("このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。"));
        // Under it: the device and the port's own reason (held, not denied: no dialout hint).
        const QString detail = world->messageBox.shown[0].text.section('\n', 2, 2);
        const QString device = QString::fromStdString(meter.devicePath()) + ": ";
        QVERIFY2(detail.startsWith(device) && detail.size() > device.size() + 5,
                 qPrintable(detail));
        QVERIFY(!world->messageBox.shown[0].text.contains("dialout"));
        QCOMPARE(QByteArray::fromStdString(meter.read(100)), QByteArray());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
    }

    void rejectedSettingsOrPortGiveTheMessage_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("comSt");
        QTest::newRow("unknown baud") << 1 << "fast,n,8,1";
        QTest::newRow("bad parity") << 1 << "9600,q,8,1";
        QTest::newRow("port above 16") << 17 << "9600,n,8,1";
        QTest::newRow("port 0") << 0 << "9600,n,8,1";
        QTest::newRow("missing device") << 2 << "9600,n,8,1";
    }
    void rejectedSettingsOrPortGiveTheMessage()
    {
        QFETCH(int, port);
        QFETCH(QString, comSt);
        gPort = qint16(port);
        gComSt = comSt;
        w->session().setSettings(settingsFromGlobals());
        w->ResetDisplay();
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ"));
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QCOMPARE(QByteArray::fromStdString(meter.read(50)), QByteArray());
    }

    void scanFindsMappedPseudoTerminals()
    {
        meter::PtyMeter m4, m9;
        QVERIFY(m4.open() && m9.open());
        mapPort(4, m4.devicePath());
        mapPort(9, m9.devicePath());
        w->ScanPorts();
        QCOMPARE(QList<qint16>(gPortList.begin(), gPortList.begin() + 4),
                 (QList<qint16>{1, 4, 9, 0}));
        QVERIFY(!port->isOpen());
    }

    void fileStartWithoutNameWhileLiveEndsTheLinkCleanly()
    {
        w->mnuFileCom_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("D\r"));
        meter.write(meter::makeFrame({10, 10, 10, 10, 0, 0}));
        QTRY_COMPARE_WITH_TIMEOUT(gReadings[0], QStringLiteral("1.0"), 2000);
        gFName.clear();
        w->mnuFileOpen_Click(); // no name: the box, then the settings dialog
        QCOMPARE(world->messageBox.shown.size(), 1);
        // The meter was told to stop before the dialog took the port.
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("J\r"));
        QVERIFY(!port->isOpen());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        QVERIFY(w->menuItem("mnuViewOptions")->isEnabled());
        // And a new connect works.
        w->mnuFileCom_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("D\r"));
    }

    void reconnectWritesGapRowsAndCarriesOn()
    {
        connectAndLog(true, 123, 600);
        meterSends(2000, meter, 123);
        // Silent for 6 s: the watchdog gives up on the link but not on the log.
        QStringList panel2;
        QElapsedTimer t;
        t.start();
        QByteArray received;
        while (t.elapsed() < 6000) {
            QTest::qWait(50);
            received += QByteArray::fromStdString(meter.read(0));
            if (panel2.isEmpty() || panel2.last() != w->StatusText(2))
                panel2 << w->StatusText(2);
        }
        QVERIFY2(panel2.contains(texts::linkReconnecting()), qPrintable(panel2.join('|')));
        QVERIFY(!panel2.contains(texts::linkStopped()));
        QVERIFY(w->logOpen());
        QVERIFY(!w->readingPanel()->figuresLive());
        QVERIFY(!w->menuItem("mnuFileCom")->isEnabled());
        QVERIFY(!w->menuItem("mnuViewOptions")->isEnabled());
        // An attempt asked the meter to send again; it answers.
        received += meterReads(2, 3000, meter);
        QVERIFY2(received.contains("D\r"), received.constData());
        meterSends(3000, meter, 456);
        QCOMPARE(w->StatusText(2).isEmpty() ? texts::linkLive() : w->StatusText(2),
                 texts::linkLive());
        QVERIFY(w->readingPanel()->figuresLive());
        w->mnuFileClose_Click();
        QVERIFY(w->flushLog());

        const QStringList rows = csvrows::rows(w->logFileName());
        QVERIFY(rows.size() >= 12);
        csvrows::checkOneRowPerSecond(rows);
        // Values, then a block of gap rows (from the watchdog's stop to the first new
        // frame), then the new values; nothing stale written as measured.
        QCOMPARE(csvrows::runs(rows), (QStringList{"12.3", "gap", "45.6"}));
        for (const QString &r : rows)
            QCOMPARE(r.count(','), 5);
        const int gaps = int(std::count_if(rows.begin(), rows.end(), [](const QString &r) {
            return r.section(',', 2, 2).isEmpty();
        }));
        QVERIFY2(gaps >= 3 && gaps <= 8, qPrintable(QString::number(gaps)));
    }

    void onlyWholeFramesAreReadings_data()
    {
        QTest::addColumn<QList<QByteArray>>("between"); // sent after each good frame
        QTest::addColumn<bool>("good");                 // good frames go on meanwhile
        QTest::newRow("garbage with CRs, no good frame")
            << QList<QByteArray>{QByteArray("\xf3\x1c\r\x80"
                                            "abc\r\r"),
                                 QByteArray("\r0777,\r")}
            << false;
        QTest::newRow("cut frames between good ones")
            << QList<QByteArray>{QByteArray("\x02"
                                            "0777,0777,07\r"),
                                 QByteArray("\x02"
                                            "0777,0777,0777,0\r")}
            << true;
    }
    void onlyWholeFramesAreReadings()
    {
        QFETCH(QList<QByteArray>, between);
        QFETCH(bool, good);
        connectAndLog(false, 123, 1200);
        const QByteArray frame =
            QByteArray::fromStdString(meter::makeFrame({123, 123, 123, 123, 0, 0}));
        QElapsedTimer t;
        t.start();
        qint64 stoppedAt = -1;
        QStringList shown;
        while (t.elapsed() < 6000) {
            if (good)
                meter.write(frame.toStdString());
            for (const QByteArray &b : between)
                meter.write(b.toStdString());
            QTest::qWait(100);
            for (int i = 0; i < 4; ++i)
                if (!shown.contains(w->lblPeak(i)->text()))
                    shown << w->lblPeak(i)->text();
            if (stoppedAt < 0 && w->StatusText(2) == texts::linkStopped())
                stoppedAt = t.elapsed();
        }
        // Nothing of a frame that was not whole reached a figure.
        QCOMPARE(shown, QStringList{"12.3"});
        if (good) {
            QCOMPARE(stoppedAt, -1); // whole frames keep the link
            w->mnuFileClose_Click();
        } else {
            QVERIFY2(stoppedAt > 0 && stoppedAt <= 2600, qPrintable(QString::number(stoppedAt)));
            QVERIFY(!w->logOpen());
        }
        QVERIFY(w->flushLog());
        // The file ran from the first frames to the stop (at least one due second) or
        // for the whole 6 s.
        const QStringList rows = csvrows::rows(w->logFileName());
        QVERIFY2(rows.size() >= (good ? 6 : 1), qPrintable(rows.join('|')));
        for (const QString &r : rows)
            QVERIFY2(r.endsWith(",12.3,12.3,12.3,12.3"), qPrintable(r));
        // Garbage does not keep writing the last good frame's values: the rows end with
        // the watchdog's stop, 2 s after that frame.
        if (!good)
            QVERIFY2(rows.size() <= 5, qPrintable(rows.join('|')));
    }

    void reconnectFindsANewDeviceAtTheSamePath()
    {
        QTemporaryDir links;
        const QString path = links.filePath("by-id-meter");
        QVERIFY(QFile::link(QString::fromStdString(meter.devicePath()), path));
        mapPort(1, path.toStdString());
        connectAndLog(true, 111);
        meterSends(1200, meter, 111);
        const QString file = w->logFileName();
        // The adapter re-enumerates: the old device goes away, a new one takes the path.
        meter.close();
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkReconnecting(), 4000);
        meter::PtyMeter fresh;
        QVERIFY(fresh.open());
        QVERIFY(QFile::remove(path));
        QVERIFY(QFile::link(QString::fromStdString(fresh.devicePath()), path));
        QCOMPARE(meterReads(2, 5000, fresh), QByteArray("D\r"));
        meterSends(2000, fresh, 222);
        QVERIFY(w->readingPanel()->figuresLive());
        QCOMPARE(w->logFileName(), file);
        w->mnuFileClose_Click();
        QVERIFY(w->flushLog());
        const QStringList rows = csvrows::rows(file);
        csvrows::checkOneRowPerSecond(rows);
        QVERIFY(rows.last().contains(",22.2,"));
    }

    void reconnectOffStopsAsBefore()
    {
        connectAndLog(false, 123);
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkStopped(), 4000);
        QVERIFY(!w->logOpen());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        // No attempt: the meter hears nothing more.
        QCOMPARE(meterReads(1, 4000, meter), QByteArray());
        QVERIFY(!port->isOpen());
    }

    void disconnectWhileReconnectingEndsIt()
    {
        connectAndLog(true, 123);
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkReconnecting(), 4000);
        w->mnuFileStop_Click();
        QCOMPARE(meterReads(2, 1000, meter), QByteArray("J\r"));
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(!w->logOpen());
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        // No further attempts.
        QCOMPARE(meterReads(1, 4000, meter), QByteArray());
    }

    void trendFollowsTheMeter()
    {
        remakeWithRealClock();
        const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
        auto send = [this](int ms, int value, int inst, int ave) {
            QElapsedTimer t;
            t.start();
            while (t.elapsed() < ms) {
                meter.write(meter::makeFrame({value, value, value, value, inst, ave}));
                QTest::qWait(200);
            }
        };
        w->mnuFileCom_Click();
        QCOMPARE(meterReads(2, 2000, meter), QByteArray("D\r"));
        send(1500, 100, 1, 0); // 10.0 m/s, level 1
        send(1000, 200, 2, 0); // a gust: 20.0 m/s, level 2
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkStopped(), 4000); // silent
        w->mnuFileCom_Click();
        QCOMPARE(meterReads(2, 2000, meter), QByteArray("D\r"));
        send(1500, 300, 2, 0); // level 2 again after the silence
        const qint64 t1 = QDateTime::currentMSecsSinceEpoch();

        w->mnuViewTrend_Click();
        frmTrend *trend = w->trendWindow();
        QVERIFY(trend && trend->isVisible() && !trend->isModal());
        QCOMPARE(trend->rangeMinutes(), 10);
        trend->refresh();
        // The link's gap cuts each line in two.
        for (int i = 0; i < 4; ++i)
            QCOMPARE(trend->chart()->segments(i).size(), 2);
        TrendChart *chart = trend->chart();
        const QList<QPointF> before = chart->segments(0)[0];
        const QList<QPointF> after = chart->segments(0)[1];
        QVERIFY(before.size() >= 2 && after.size() >= 1);
        for (const QPointF &p : before) {
            QVERIFY(p.y() == 10.0 || p.y() == 20.0);
            QVERIFY(p.x() >= t0 - 1000 && p.x() <= t1 + 1000);
        }
        QCOMPARE(before.last().y(), 20.0);
        for (const QPointF &p : after)
            QCOMPARE(p.y(), 30.0);
        QVERIFY(after.first().x() > before.last().x() + 1000); // the silence lies between
        // The alarm bands cover the frames that carried them, each figure its own.
        auto covers = [chart](int figure, int level, qint64 at) {
            for (const meterlink::Period &p : chart->band(figure, level))
                if (p.startMs <= at && at <= p.endMs)
                    return true;
            return false;
        };
        const qint64 first = qint64(before.first().x()), last = qint64(before.last().x()),
                     again = qint64(after.first().x());
        QVERIFY(covers(0, 1, first) && covers(0, 1, again));
        QVERIFY(covers(0, 2, last) && !covers(0, 2, first));
        // Level 2 before and after the silence, but no band over it: nothing was known.
        QVERIFY(covers(0, 2, again));
        QVERIFY(!covers(0, 1, (last + again) / 2));
        // The average figure had no alarm.
        for (qint64 at : {first, last, again})
            QVERIFY(!covers(1, 1, at) && !covers(1, 2, at));
        // What a person sees: the lines and bands drawn in their colours, and the legend
        // naming the readings as the window does.
        const QImage img = chart->grab().toImage();
        auto hasColour = [&img](QRgb c) {
            for (int yy = 0; yy < img.height(); ++yy)
                for (int xx = 0; xx < img.width(); ++xx)
                    if (img.pixel(xx, yy) == c)
                        return true;
            return false;
        };
        QVERIFY(hasColour(qRgb(0, 90, 200))); // the instantaneous line
        QCOMPARE(chart->legendNames().mid(0, 4),
                 (QStringList{"瞬間風速", "瞬間最大風速", "平均風速", "平均最大風速"}));
        // An hour shows the same.
        trend->setRangeMinutes(60);
        QCOMPARE(chart->segments(0).size(), 2);
        // Its time axis in whole ten minutes of the clock.
        const QList<qint64> ticks = chart->timeTicks();
        QVERIFY(ticks.size() == 6 || ticks.size() == 7);
        for (qint64 t : ticks) {
            const QTime at = QDateTime::fromMSecsSinceEpoch(t).time();
            QVERIFY(at.minute() % 10 == 0 && at.second() == 0 && at.msec() == 0);
        }
        // The main window goes on while the trend is open.
        send(500, 400, 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(w->lblPeak(0)->text(), QStringLiteral("40.0"), 1000);
    }

    void unpluggedMeterStopsQuietly()
    {
        w->mnuFileCom_Click();
        meter.readAtLeast(2, 2000);
        meter.write(meter::makeFrame({10, 10, 10, 10, 0, 0}));
        QTRY_COMPARE_WITH_TIMEOUT(gReadings[0], QStringLiteral("1.0"), 2000);
        meter.close();
        QTRY_COMPARE_WITH_TIMEOUT(w->StatusText(2), texts::linkStopped(), 3000);
        QVERIFY(world->messageBox.shown.isEmpty());
        // A new meter on the same number is taken by a new connect.
        QVERIFY(meter.open());
        mapPort(1, meter.devicePath());
        w->mnuFileCom_Click();
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 2000)), QByteArray("D\r"));
    }
};

QTEST_MAIN(TstLinkPty)
#include "tst_link_pty.moc"
