// What the trend draws: round value axes at any range and alarm periods per figure.
#include "link/trend_data.h"

#include <QtTest>
#include <cmath>

using namespace meterlink;

namespace {
// One bucket a second from 10:00:00 (as ms), with the given levels; 'x' breaks the link.
QList<Bucket> seconds(const QByteArray &inst, const QByteArray &ave = {})
{
    QList<Bucket> out;
    bool broke = false;
    for (qsizetype i = 0; i < inst.size(); ++i) {
        if (inst[i] == 'x') {
            broke = true;
            continue;
        }
        Bucket b;
        b.ms = 1000 * i + 500;
        b.alarm = {inst[i] - '0', i < ave.size() ? ave[i] - '0' : 0};
        b.breakBefore = std::exchange(broke, false);
        out << b;
    }
    return out;
}
QString periods(const QList<Period> &ps)
{
    QStringList out;
    for (const Period &p : ps)
        out << QStringLiteral("%1-%2").arg(p.startMs / 1000).arg(p.endMs / 1000);
    return out.join(' ');
}
} // namespace

class TstTrendData : public QObject
{
    Q_OBJECT
private slots:
    void valueAxisHasRoundSteps_data()
    {
        QTest::addColumn<double>("highest");
        for (double v : {0.0, 12.3, 18.2, 99.9, 333.3, 999.9})
            QTest::addRow("%.1f", v) << v;
    }
    void valueAxisHasRoundSteps()
    {
        QFETCH(double, highest);
        const AxisScale s = valueScale(highest);
        QVERIFY(s.top > highest);
        QVERIFY2(s.ticks() >= 5 && s.ticks() <= 10, qPrintable(QString::number(s.ticks())));
        // 1, 2 or 5 times a power of ten, and the top a whole number of steps.
        const double mantissa = s.step / std::pow(10.0, std::floor(std::log10(s.step)));
        QVERIFY2(qFuzzyCompare(mantissa, 1.0) || qFuzzyCompare(mantissa, 2.0) ||
                     qFuzzyCompare(mantissa, 5.0),
                 qPrintable(QString::number(s.step)));
        QVERIFY(qFuzzyCompare(s.top / s.step, std::round(s.top / s.step)));
    }

    void alarmPeriodsSpanWhatTheLevelDid_data()
    {
        QTest::addColumn<QByteArray>("inst");
        QTest::addColumn<QByteArray>("ave");
        QTest::addColumn<int>("figure");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("expect"); // periods in seconds
        QTest::newRow("one period") << QByteArray("0011110") << QByteArray() << 0 << 1 << "2-6";
        QTest::newRow("a one-second drop does not split")
            << QByteArray("1110111") << QByteArray() << 0 << 1 << "0-7";
        QTest::newRow("a long drop splits")
            << QByteArray("11000000011") << QByteArray() << 0 << 1 << "0-2 9-11";
        QTest::newRow("level 2 is level 1 too")
            << QByteArray("1121211") << QByteArray() << 0 << 1 << "0-7";
        QTest::newRow("red within yellow")
            << QByteArray("1121211") << QByteArray() << 0 << 2 << "2-5";
        QTest::newRow("a break in the link ends it")
            << QByteArray("111x111") << QByteArray() << 0 << 1 << "0-3 4-7";
        QTest::newRow("each figure its own")
            << QByteArray("1100000") << QByteArray("0000022") << 1 << 1 << "5-7";
    }
    void alarmPeriodsSpanWhatTheLevelDid()
    {
        QFETCH(QByteArray, inst);
        QFETCH(QByteArray, ave);
        QFETCH(int, figure);
        QFETCH(int, level);
        QFETCH(QString, expect);
        QCOMPARE(periods(alarmPeriods(seconds(inst, ave), 1000, figure, level)), expect);
    }
};

QTEST_GUILESS_MAIN(TstTrendData)
#include "tst_trend_data.moc"
