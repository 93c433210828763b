// The history ring: bounded by age and by count, gaps, and the ranges the trend reads.
#include "link/reading_history.h"

#include <QDateTime>
#include <QtTest>

using meterlink::ReadingHistory;

namespace {
const std::array<int, 4> kReadings = {123, 456, 78, -99};
}

class TstReadingHistory : public QObject
{
    Q_OBJECT
private slots:
    void keepsWhatWasDecoded()
    {
        ReadingHistory h;
        h.append(1000, kReadings, {1, 2});
        const auto all = h.range(0, 2000);
        QCOMPARE(all.size(), 1);
        QCOMPARE(all[0].ms, 1000);
        QCOMPARE(all[0].tenths, (std::array<qint16, 4>{123, 456, 78, -99}));
        QCOMPARE(all[0].alarms, (std::array<qint8, 2>{1, 2}));
        QVERIFY(!all[0].gap);
    }

    void aFloodKeepsTheHourAndItsGust()
    {
        // 100 frames a second for two hours (past the line's rate): the ring never grows
        // past its capacity, yet holds the whole last hour, and one frame's gust in it.
        ReadingHistory h(3600 * 1000, 40000);
        const qint64 end = 2 * 3600 * 1000, gustAt = end - 40 * 60000;
        for (qint64 t = 0; t <= end; t += 10) {
            std::array<int, 4> r{50, 60, 40, 45};
            if (t == gustAt)
                r[0] = 314;
            h.append(t, r, {0, 0});
            QVERIFY(h.size() <= h.capacity());
        }
        const auto all = h.range(0, 1LL << 40);
        QVERIFY(all.first().ms <= end - 3600 * 1000 + 100);
        QCOMPARE(all.last().ms / 100, end / 100);
        QVERIFY(std::is_sorted(all.begin(), all.end(),
                               [](const auto &a, const auto &b) { return a.ms < b.ms; }));
        QCOMPARE(
            std::max_element(all.begin(), all.end(),
                             [](const auto &a, const auto &b) { return a.tenths[0] < b.tenths[0]; })
                ->tenths[0],
            314);
    }

    void olderThanAnHourIsDropped()
    {
        ReadingHistory h;
        for (qint64 t = 0; t <= 2 * 3600 * 1000; t += 100)
            h.append(t, kReadings, {0, 0});
        const auto all = h.range(0, 1LL << 40);
        QCOMPARE(all.first().ms, 3600 * 1000);
        QCOMPARE(all.size(), 36001);
    }

    void gapsAreRecordedOnce()
    {
        ReadingHistory h;
        h.append(0, kReadings, {0, 0});
        h.appendGap(2100);
        h.appendGap(3000); // still down
        h.append(6000, kReadings, {0, 0});
        const auto all = h.range(0, 10000);
        QCOMPARE(all.size(), 3);
        QVERIFY(all[1].gap);
        QCOMPARE(all[1].ms, 2100);
    }

    void rangesAcrossMidnight_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::newRow("10 minutes") << 10;
        QTest::newRow("60 minutes") << 60;
    }
    void rangesAcrossMidnight()
    {
        QFETCH(int, minutes);
        ReadingHistory h;
        // One frame a second from 23:00 to 00:10, local time: the last hour is kept.
        const QDateTime start(QDate(2026, 12, 7), QTime(23, 0, 0));
        for (int s = 0; s <= 70 * 60; ++s)
            h.append(start.addSecs(s).toMSecsSinceEpoch(), kReadings, {0, 0});
        const QDateTime now(QDate(2026, 12, 8), QTime(0, 10, 0));
        const qint64 to = now.toMSecsSinceEpoch();
        const auto r = h.range(to - minutes * 60000LL, to);
        QCOMPARE(r.size(), minutes * 60 + 1);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(r.first().ms), now.addSecs(-minutes * 60));
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(r.last().ms), now);
    }
};

QTEST_GUILESS_MAIN(TstReadingHistory)
#include "tst_reading_history.moc"
