// The watchdog countdown and the blink phases of the link's status.
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
            if (watchdogTick(countdown, blink).silent)
                break;
            QVERIFY(tick < 100);
        }
        // 20 ticks count 20 down to 0; the next finds 0: 2.1 s at 100 ms.
        QCOMPARE(tick, 21);
    }

    void blinkPhases()
    {
        qint16 countdown = kLinkCountdownStart, blink = 0;
        QStringList phases;
        for (int tick = 1; tick <= 40; ++tick) {
            countdown = kLinkCountdownStart; // data keeps arriving
            const WatchdogStep step = watchdogTick(countdown, blink);
            QVERIFY(!step.silent);
            if (step.blink != Blink::None)
                phases << QStringLiteral("%1:%2").arg(tick).arg(
                    step.blink == Blink::Shown ? "shown" : "blank");
        }
        // Shown at blink count 10, blanked at 20, once a second each.
        QCOMPARE(phases, (QStringList{"10:shown", "20:blank", "30:shown", "40:blank"}));
    }

    void blinkPhaseCarriesOver()
    {
        qint16 countdown = 0, blink = 15;
        // Stopped link: nothing moves.
        watchdogTick(countdown, blink);
        QCOMPARE(blink, qint16(15));
        countdown = kLinkCountdownStart;
        WatchdogStep step;
        for (int i = 0; i < 5; ++i)
            step = watchdogTick(countdown, blink);
        QCOMPARE(step.blink, Blink::Blank);
        QCOMPARE(blink, qint16(0));
    }
};

QTEST_GUILESS_MAIN(TstWatchdog)
#include "tst_watchdog.moc"
