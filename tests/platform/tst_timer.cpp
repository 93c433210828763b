// The heartbeat follows the work: a tick nearly due runs with the work that arrives,
// once, from the event loop; work that comes early or to a stopped heartbeat waits.
#include "platform/timer.h"

#include <QtTest>

namespace {
// The time since the last tick is the test's.
class Heartbeat : public platform::QtTimer
{
public:
    qint64 since = 0;

protected:
    qint64 sinceLastTickMs() const override { return since; }
};
} // namespace

class TstTimer : public QObject
{
    Q_OBJECT

private slots:
    void workBringsANearlyDueTickForward_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<qint64>("since");
        QTest::addColumn<int>("works");
        QTest::addColumn<int>("ticks");
        QTest::newRow("in the interval's last twentieth") << true << qint64(96000) << 1 << 1;
        QTest::newRow("at its start") << true << qint64(94999) << 1 << 0;
        QTest::newRow("overdue") << true << qint64(250000) << 1 << 1;
        QTest::newRow("three frames, one tick") << true << qint64(99000) << 3 << 1;
        QTest::newRow("stopped") << false << qint64(99000) << 1 << 0;
    }
    void workBringsANearlyDueTickForward()
    {
        QFETCH(bool, enabled);
        QFETCH(qint64, since);
        QFETCH(int, works);
        QFETCH(int, ticks);
        Heartbeat timer;
        timer.setInterval(100000); // never due by itself within the test
        timer.setEnabled(enabled);
        QSignalSpy ticked(&timer, &platform::Timer::timeout);
        timer.since = since;
        for (int i = 0; i < works; ++i)
            timer.workArrived();
        QCOMPARE(ticked.count(), 0); // never from inside what brought the work
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(ticked.count(), ticks);
        QCOMPARE(timer.isEnabled(), enabled);
    }

    // Work just after a tick moves the next tick to just after the next work; without
    // work the heartbeat keeps its interval.
    void workJustAfterATickMovesTheNextTick()
    {
        platform::QtTimer timer;
        timer.setInterval(1000);
        timer.setEnabled(true);
        QSignalSpy ticked(&timer, &platform::Timer::timeout);
        QVERIFY(ticked.wait(5000));
        QElapsedTimer since;
        since.start();
        timer.workArrived();
        QVERIFY(ticked.wait(5000));
        QVERIFY2(since.elapsed() >= 1040, qPrintable(QString::number(since.elapsed())));
        QCOMPARE(timer.interval(), 1000);
    }
};

QTEST_MAIN(TstTimer)
#include "tst_timer.moc"
