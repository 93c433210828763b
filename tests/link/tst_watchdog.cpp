// The watchdog countdown and the blink phases of the status texts.
#include "link/status_texts.h"
#include "link/watchdog.h"

#include <QtTest>

using namespace meterlink;

class TstWatchdog : public QObject
{
    Q_OBJECT
private slots:
    void silentMeterIsFoundOnTheTwentyFirstTick()
    {
        qint16 countdown = kLinkCountdownStart, blink = 0;
        int tick = 0;
        for (;;) {
            ++tick;
            const TickOutcome out = watchdogTick(countdown, blink, false);
            if (out.stopLinkUnlessStopped)
                break;
            QVERIFY(tick < 100);
        }
        // 20 ticks count 20 down to 0; the next finds 0: 2.1 s at 100 ms.
        QCOMPARE(tick, 21);
    }

    void blinkPhases_data()
    {
        QTest::addColumn<bool>("logOpen");
        QTest::newRow("output stopped") << false;
        QTest::newRow("output running") << true;
    }
    void blinkPhases()
    {
        QFETCH(bool, logOpen);
        qint16 countdown = kLinkCountdownStart, blink = 0;
        QStringList panel2, panel1;
        for (int tick = 1; tick <= 40; ++tick) {
            countdown = kLinkCountdownStart; // data keeps arriving
            const TickOutcome out = watchdogTick(countdown, blink, logOpen);
            QVERIFY(!out.stopLinkUnlessStopped);
            QCOMPARE(out.setPanel1, logOpen && out.setPanel2);
            if (out.setPanel2)
                panel2 << QStringLiteral("%1:%2").arg(tick).arg(out.panel2);
            if (out.setPanel1)
                panel1 << QStringLiteral("%1:%2").arg(tick).arg(out.panel1);
        }
        // Shown at blink count 10, blanked at 20, once a second each.
        const QStringList expected2 = {"10:" + texts::kLinkLive, "20:", "30:" + texts::kLinkLive,
                                       "40:"};
        QCOMPARE(panel2, expected2);
        if (logOpen)
            QCOMPARE(panel1, (QStringList{"10:" + texts::kFileRunning,
                                          "20:", "30:" + texts::kFileRunning, "40:"}));
    }

    void blinkPhaseCarriesOver()
    {
        qint16 countdown = 0, blink = 15;
        // Stopped link: nothing moves.
        watchdogTick(countdown, blink, false);
        QCOMPARE(blink, qint16(15));
        countdown = kLinkCountdownStart;
        TickOutcome out;
        for (int i = 0; i < 5; ++i)
            out = watchdogTick(countdown, blink, false);
        QVERIFY(out.setPanel2);
        QCOMPARE(out.panel2, QString());
        QCOMPARE(blink, qint16(0));
    }
};

QTEST_GUILESS_MAIN(TstWatchdog)
#include "tst_watchdog.moc"
