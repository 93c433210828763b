// When the alarm sounds: rises, level-2 repeats, acknowledgement, stale figures.
#include "link/alarm_sounder.h"

#include <QtTest>

using meterlink::AlarmSounder;

class TstAlarmSounder : public QObject
{
    Q_OBJECT
private slots:
    // Each step is "levels@second" (a decoded frame) or "tick@second", "ack", "clear";
    // the sounds are what the steps played, in order.
    void sounds_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("sounds");
        QTest::newRow("rise to 1 once") << QStringList{"00@0", "10@1", "10@2", "tick@30"} << "1";
        QTest::newRow("level 2 repeats every 10 s")
            << QStringList{"20@0", "tick@5", "tick@10", "tick@19", "tick@20"} << "2 2 2";
        QTest::newRow("acknowledged: quiet until a new rise")
            << QStringList{"20@0", "ack", "tick@10", "tick@40", "21@41", "22@42"} << "2 1 2";
        QTest::newRow("a fall is silent") << QStringList{"22@0", "00@1", "tick@11"} << "2";
        QTest::newRow("other levels count as none") << QStringList{"90@0", "39@1", "tick@20"} << "";
        // The figures went stale (link lost): no repeats, and the first frame back rises.
        QTest::newRow("stale figures sound nothing")
            << QStringList{"20@0", "clear", "tick@10", "tick@30", "20@31"} << "2 2";
        QTest::newRow("level 2 of the other figure starts the repeats")
            << QStringList{"10@0", "12@1", "tick@2", "tick@12"} << "1 2 2";
    }
    void sounds()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, sounds);
        AlarmSounder s;
        QStringList played;
        for (const QString &step : steps) {
            AlarmSounder::Sound got = AlarmSounder::Sound::None;
            const qint64 ms = step.section('@', 1).toLongLong() * 1000 + 1;
            if (step == "ack")
                s.acknowledge();
            else if (step == "clear")
                s.clearLevels();
            else if (step.startsWith("tick"))
                got = s.onTick(ms);
            else
                got = s.onLevels({step[0].digitValue(), step[1].digitValue()}, ms);
            if (got != AlarmSounder::Sound::None)
                played << (got == AlarmSounder::Sound::Level2 ? "2" : "1");
        }
        QCOMPARE(played.join(' '), sounds);
    }
};

QTEST_GUILESS_MAIN(TstAlarmSounder)
#include "tst_alarm_sounder.moc"
