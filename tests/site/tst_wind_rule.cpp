// The rolling mean and the work rule, fed with timed frames as the session feeds them.
#include "site/wind_rule.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace site;

namespace {
// Each change by a word, in the order of the enumeration.
const char *const names[] = {"caution",      "stopbegins", "stopends", "normal",      "storm",
                             "acknowledged", "undecided",  "scaffold", "outofservice"};
// One step of a script: at ms, a frame of tenths (-1: the link goes down; -2: evaluate).
struct Step {
    qint64 ms;
    int tenths;
};
using Script = QList<Step>;
constexpr int kDown = -1;

// Frames every `every` ms from `from` to `to` (exclusive) of one value.
Script frames(qint64 from, qint64 to, qint64 every, int tenths)
{
    Script s;
    for (qint64 t = from; t < to; t += every)
        s << Step{t, tenths};
    return s;
}

Stats run(const Script &script, qint64 window, qint64 at)
{
    RollingMean m(window);
    for (const Step &s : script)
        if (s.tenths == kDown)
            m.gap(s.ms);
        else
            m.frame(s.ms, s.tenths);
    return m.at(at);
}
} // namespace

class TstWindRule : public QObject
{
    Q_OBJECT
private slots:
    void rollingMean_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<qint64>("window");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("mean");
        QTest::addColumn<int>("gust");
        const qint64 min10 = 600000;
        QTest::newRow("constant wind, 10 frames a second")
            << frames(0, min10, 100, 52) << min10 << min10 << true << 52 << 52;
        // 5 minutes at 4.0 then 5 minutes at 12.0: the mean is the middle.
        QTest::newRow("a step") << frames(0, 300000, 1000, 40) + frames(300000, min10, 1000, 120)
                                << min10 << min10 << true << 80 << 120;
        // The window has moved on: only the step's value is left in it.
        QTest::newRow("a step, 10 minutes later")
            << frames(0, 300000, 1000, 40) + frames(300000, 2 * min10, 1000, 120) << min10
            << 2 * min10 << true << 120 << 120;
        // Frames 0.5 s apart at 2.0, then 1.5 s apart at 10.0, half the time each: time
        // weighs, not the count of frames.
        QTest::newRow("uneven spacing")
            << frames(0, 300000, 500, 20) + frames(300000, min10, 1500, 100) << min10 << min10
            << true << 60 << 100;
        // 30 % of the window without frames (the meter silent, the watchdog's 2 s
        // covered): not a number.
        QTest::newRow("a 30 % gap")
            << frames(0, 420000, 1000, 90) << min10 << qint64(420000 + 180000) << false << -1 << 90;
        // A reconnect of 30 s in the middle: 5 % missing, still valid; the mean over the
        // time that frames cover.
        QTest::newRow("a reconnect in the middle")
            << frames(0, 300000, 1000, 60) + Script{{300000, kDown}} +
                   frames(330000, min10, 1000, 60)
            << min10 << min10 << true << 60 << 60;
        // The program has run 8 minutes of 10: not valid however steady the wind.
        QTest::newRow("a program start")
            << frames(0, 480000, 1000, 70) << min10 << qint64(480000) << false << -1 << 70;
        // The last frame holds no more than 2 s: a meter silent since is missing time.
        QTest::newRow("held at most 2 s")
            << frames(0, 60000, 1000, 30) << qint64(60000) << qint64(70000) << false << -1 << 30;
        QTest::newRow("nothing") << Script{} << min10 << min10 << false << -1 << -1;
    }
    void rollingMean()
    {
        QFETCH(Script, script);
        QFETCH(qint64, window);
        QFETCH(qint64, at);
        QFETCH(bool, valid);
        QFETCH(int, mean);
        QFETCH(int, gust);
        const Stats s = run(script, window, at);
        QCOMPARE(s.valid, valid);
        QCOMPARE(s.meanTenths, mean);
        QCOMPARE(s.gustTenths, gust);
    }

    void workRule_data()
    {
        // Each row: the means (0.1 m/s, once a minute; -1 not valid), and the state after
        // each, with the changes said. Caution 8.0, stop 10.0, hold 10 minutes.
        QTest::addColumn<QList<int>>("means");
        QTest::addColumn<QString>("states");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<bool>("scaffold");
        // No verdict before the first valid mean; the first verdict at a start is no
        // event unless it is a caution or a stop.
        QTest::newRow("undecided until the mean is valid")
            << QList<int>{-1, -1, 50} << "undecided undecided normal"
            << "" << false;
        QTest::newRow("normal loses its basis, and finds it again")
            << QList<int>{50, -1, -1, 50} << "normal undecided undecided normal"
            << "undecided,normal" << false;
        QTest::newRow("undecided to caution") << QList<int>{-1, 85} << "undecided caution"
                                              << "caution" << false;
        // A caution or a stop is the stricter state: a gap does not undo it.
        QTest::newRow("caution holds through a gap")
            << QList<int>{85, -1, -1} << "caution caution caution"
            << "caution" << false;
        // The scaffolds are inspected after the strong wind: due when the stop ends.
        QTest::newRow("scaffold inspection due at the stop's end")
            << QList<int>{50, 120, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90}
            << "normal stop stop stop stop stop stop stop stop stop stop stop caution"
            << "stopbegins,stopends,scaffold" << true;
        QTest::newRow("rises at once, caution then stop")
            << QList<int>{50, 85, 105} << "normal caution stop"
            << "caution,stopbegins" << false;
        QTest::newRow("straight to stop") << QList<int>{50, 120} << "normal stop"
                                          << "stopbegins" << false;
        // Below stop for 9 minutes: still stop; the 10th: caution (the mean is 9.0).
        QTest::newRow("stop holds for 10 minutes")
            << QList<int>{120, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90}
            << "stop stop stop stop stop stop stop stop stop stop stop caution"
            << "stopbegins,stopends" << false;
        // A rise above stop in the hold starts it again.
        QTest::newRow("the hold restarts")
            << QList<int>{120, 90, 90, 90, 90, 90, 110, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90, 90}
            << "stop stop stop stop stop stop stop stop stop stop stop stop stop stop stop stop "
               "stop caution"
            << "stopbegins,stopends" << false;
        // Below caution for the hold from stop: stop ends and normal follows together.
        QTest::newRow("stop to normal")
            << QList<int>{120, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30, 30}
            << "stop stop stop stop stop stop stop stop stop stop stop normal"
            << "stopbegins,stopends,normal" << false;
        // Means that are not valid change nothing, and the hold starts after them.
        QTest::newRow("not valid keeps the state")
            << QList<int>{120, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 30}
            << "stop stop stop stop stop stop stop stop stop stop stop stop stop"
            << "stopbegins" << false;
    }
    void workRule()
    {
        QFETCH(QList<int>, means);
        QFETCH(QString, states);
        QFETCH(QString, changes);
        QFETCH(bool, scaffold);
        WorkRule rule;
        rule.setThresholds({80, 100, 300, 600000, scaffold});
        QStringList seen, said;
        for (qsizetype i = 0; i < means.size(); ++i) {
            Stats s;
            s.valid = means[i] >= 0;
            s.meanTenths = means[i];
            for (Change c : rule.update(qint64(i) * 60000, s))
                said << names[int(c)];
            seen << workName(rule.work());
        }
        QCOMPARE(seen.join(' '), states);
        QCOMPARE(said.join(','), changes);
    }

    void holdCountdown()
    {
        // The stop falls when the mean has stayed below it for the hold: the countdown
        // runs from the first mean below, and restarts with a gap.
        WorkRule rule;
        rule.setThresholds({80, 100, 300, 600000});
        auto mean = [](int tenths) {
            Stats s;
            s.valid = tenths >= 0;
            s.meanTenths = tenths;
            return s;
        };
        rule.update(0, mean(120));
        QCOMPARE(rule.releaseAtMs(), std::nullopt);
        rule.update(60000, mean(90));
        QCOMPARE(rule.releaseAtMs(), std::optional<qint64>(660000));
        rule.update(120000, mean(-1));
        QCOMPARE(rule.releaseAtMs(), std::nullopt);
        rule.update(180000, mean(90));
        QCOMPARE(rule.releaseAtMs(), std::optional<qint64>(780000));
    }

    void stormLatch()
    {
        // A storm is a wind that exceeds the threshold: 30.0 does not latch, 30.1 does. It
        // stays through calm; a gust over the threshold within the hold is the same storm,
        // one after a calm of the hold's length a new one. The latch keeps its highest gust.
        WorkRule rule;
        rule.setThresholds({80, 100, 300, 600000});
        QVERIFY(rule.frame(1000, 300).isEmpty());
        QVERIFY(!rule.latched());
        QCOMPARE(rule.frame(2000, 301), QList<Change>{Change::Storm});
        QVERIFY(rule.latched());
        QVERIFY(rule.frame(60000, 320).isEmpty());
        QCOMPARE(rule.frame(60000 + 600000, 305), QList<Change>{Change::Storm});
        QCOMPARE(rule.storm(), (Storm{2000, 320, 60000}));
        // Kept over a restart in the state file: a kept stop stays a stop; a kept normal
        // is no verdict until the mean is valid again.
        LatchRecord kept;
        kept.storm = rule.storm();
        kept.work = Work::Stop;
        // (On the disk at a time of this century: an earlier one is a damaged file.)
        LatchRecord onDisk = kept;
        onDisk.storm.latchedMs += 1765000000000;
        onDisk.storm.ms += 1765000000000;
        QCOMPARE(parseLatch(formatLatch(onDisk)), onDisk);
        WorkRule restarted;
        restarted.restore(kept);
        QVERIFY(restarted.latched());
        QCOMPARE(restarted.work(), Work::Stop);
        kept.work = Work::Normal;
        restarted.restore(kept);
        QCOMPARE(restarted.work(), Work::Undecided);
        const Inspection pass{u"山田 太郎"_qs, u"異常なし"_qs, 1765000000123};
        QCOMPARE(restarted.acknowledge(pass), QList<Change>{Change::Acknowledged});
        QVERIFY(!restarted.latched());
        QVERIFY(restarted.acknowledge(pass).isEmpty());
        // The acknowledgement, signed, the scaffolds' latch and a fault round-trip too.
        LatchRecord signedOff;
        signedOff.storm = {1765000000001, 314, 1765000000002};
        signedOff.scaffoldMs = 1765000000456;
        signedOff.scaffoldFromMs = 1765000000400;
        signedOff.craneFault = {u"山田 太郎"_qs, u"異常あり: 旋回ブレーキ"_qs, 1765000000100,
                                Latch::Crane, true};
        signedOff.inspection = {u"山田 太郎"_qs, u"異常あり: 手すり"_qs, 1765000000123,
                                Latch::Scaffold, false};
        signedOff.work = Work::Caution;
        QCOMPARE(parseLatch(formatLatch(signedOff)), signedOff);
    }

    // Each latch signed for itself: a fault keeps it as out of service until a pass; a
    // latch that is not due takes no signature.
    void inspectionsPerLatch_data()
    {
        QTest::addColumn<QStringList>("signatures"); // "crane pass", "scaffold fault" ...
        QTest::addColumn<QString>("changes");
        QTest::addColumn<bool>("craneDue");
        QTest::addColumn<bool>("craneFault");
        QTest::addColumn<bool>("scaffoldDue");
        QTest::newRow("a pass of the crane leaves the scaffolds due")
            << QStringList{"crane pass"} << "acknowledged" << false << false << true;
        QTest::newRow("a fault keeps the crane out of service")
            << QStringList{"crane fault"} << "outofservice" << true << true << true;
        QTest::newRow("a pass after repair clears it")
            << QStringList{"crane fault", "crane pass"} << "outofservice,acknowledged" << false
            << false << true;
        QTest::newRow("each signed for itself")
            << QStringList{"scaffold pass", "crane pass"} << "acknowledged,acknowledged" << false
            << false << false;
        QTest::newRow("a latch not due takes none")
            << QStringList{"crane pass", "crane pass"} << "acknowledged" << false << false << true;
    }
    void inspectionsPerLatch()
    {
        QFETCH(QStringList, signatures);
        QFETCH(QString, changes);
        QFETCH(bool, craneDue);
        QFETCH(bool, craneFault);
        QFETCH(bool, scaffoldDue);
        WorkRule rule;
        rule.setThresholds({80, 100, 300, 600000, true});
        QCOMPARE(rule.frame(1000, 320), QList<Change>{Change::Storm});
        // A stop and its end: the scaffolds are due from then.
        Stats st;
        st.valid = true;
        st.meanTenths = 120;
        rule.update(60000, st);
        st.meanTenths = 50;
        rule.update(120000, st);
        QVERIFY(rule.update(720000, st).contains(Change::Scaffold));
        QCOMPARE(rule.scaffoldFromMs(), qint64(60000));
        QStringList said;
        for (const QString &s : signatures) {
            const Latch latch = s.startsWith(u"crane"_qs) ? Latch::Crane : Latch::Scaffold;
            const Inspection i{u"山田"_qs,
                               s.endsWith(u"fault"_qs) ? u"異常あり: 旋回"_qs : u"異常なし"_qs,
                               800000, latch, false};
            for (Change c : rule.acknowledge(i))
                said << names[int(c)];
        }
        QCOMPARE(said.join(','), changes);
        QCOMPARE(rule.latched(), craneDue);
        QCOMPARE(rule.fault(Latch::Crane).ms != 0, craneFault);
        QCOMPARE(rule.scaffoldMs() != 0, scaffoldDue);
    }

    void damagedStateFile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("readable");
        const QByteArray latched = "Latched=2026-12-08T08:48:18.000+09:00\n";
        QTest::newRow("as an earlier version wrote it")
            << latched + "Acknowledged=2026-12-07T10:00:00.000+09:00\nWork=stop\n"
            << true;
        QTest::newRow("nothing latched") << QByteArray("Work=normal\n") << true;
        QTest::newRow("cut before the work state") << latched << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("a NUL") << latched + QByteArray("Work=stop\n\0", 11) << false;
        QTest::newRow("a time that does not read") << "Latched=yesterday\nWork=stop\n"_ba << false;
        QTest::newRow("a key never written") << latched + "Colour=red\nWork=stop\n" << false;
        QTest::newRow("a gust that is not a speed") << latched + "Gust=abc\nWork=stop\n" << false;
        QTest::newRow("latched at the epoch")
            << "Latched=1970-01-01T00:00:00.000Z\nWork=stop\n"_ba << false;
        QTest::newRow("acknowledged in 1999")
            << latched + "Acknowledged=1999-12-31T23:59:59.000+09:00\nWork=stop\n"
            << false;
        QTest::newRow("a fault that is none")
            << latched +
                   "CraneFault=2026-12-08T09:00:00.000+09:00\nCraneFaultResult=異常なし\nWork=stop\n"_ba
            << false;
        QTest::newRow("a latch that is none")
            << "Acknowledged=2026-12-08T09:00:00.000+09:00\nLatch=boom\nWork=stop\n"_ba << false;
    }
    void damagedStateFile()
    {
        // A damaged file is never a calm: it does not read, and the session holds the latch.
        QFETCH(QByteArray, text);
        QFETCH(bool, readable);
        QCOMPARE(parseLatch(text).has_value(), readable);
    }
};

QTEST_GUILESS_MAIN(TstWindRule)
#include "tst_wind_rule.moc"
