// CSV naming, header and rows, byte for byte in code page 932.
#include "logging/csv_format.h"

#include <QSet>
#include <QtTest>

using namespace logging;

class TstCsvFormat : public QObject
{
    Q_OBJECT
private slots:
    void baseName_data()
    {
        QTest::addColumn<QString>("fName");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("base");
        QTest::newRow("plain") << "/data/wind/log.csv" << true << "/data/wind/log";
        QTest::newRow("windows path") << "C:\\a\\log.csv" << true << "C:\\a\\log";
        QTest::newRow("folder with .csv")
            << "/data/site.csv.d/w.csv" << true << "/data/site.csv.d/w";
        QTest::newRow("windows folder with .csv")
            << "C:\\a.csv\\log.csv" << true << "C:\\a.csv\\log";
        QTest::newRow("only the folder has .csv") << "/data/a.csv/log" << false << "";
        QTest::newRow("first .csv of the name wins") << "/d/a.csv.csv" << true << "/d/a";
        QTest::newRow("upper case") << "/data/log.CSV" << false << "";
        QTest::newRow("no extension") << "/data/log" << false << "";
        QTest::newRow("only .csv") << ".csv" << true << "";
        QTest::newRow("text after") << "/d/log.csv.bak" << true << "/d/log";
    }
    void baseName()
    {
        QFETCH(QString, fName);
        QFETCH(bool, ok);
        const auto base = logBaseName(fName);
        QCOMPARE(base.has_value(), ok);
        if (ok)
            QTEST(*base, "base");
    }

    void stampAndName()
    {
        const QDateTime t(QDate(2013, 12, 4), QTime(9, 5, 37));
        QCOMPARE(logStamp(t), QStringLiteral("1312040905"));
        QCOMPARE(logStamp(QDateTime(QDate(2009, 1, 2), QTime(23, 59, 59))),
                 QStringLiteral("0901022359"));
        QSet<QString> taken;
        auto exists = [&](const QString &p) { return taken.contains(p); };
        QCOMPARE(freeLogFileName("/a/log", "1312040905", exists),
                 QStringLiteral("/a/log1312040905.csv"));
        taken << "/a/log1312040905.csv"
              << "/a/log1312040905_2.csv";
        QCOMPARE(freeLogFileName("/a/log", "1312040905", exists),
                 QStringLiteral("/a/log1312040905_3.csv"));
        // A name that always "exists" ends the search at its bound.
        int asked = 0;
        QCOMPARE(
            freeLogFileName("/a/log", "1312040905", [&](const QString &) { return ++asked > 0; }),
            QString());
        QCOMPARE(asked, kMaxLogNames);
    }

    void header_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("line");
        QTest::newRow("31") << 31 << "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r\n";
        QTest::newRow("6") << 6 << "瞬間風速,瞬間最大風速,\r\n";
        QTest::newRow("16") << 16 << "平均最大風速\r\n";
        QTest::newRow("0") << 0 << "\r\n";
        QTest::newRow("33 as 1") << 33 << "年月日,時刻,\r\n";
        QTest::newRow("-1 as 31") << -1
                                  << "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r\n";
        QTest::newRow("8") << 8 << "平均風速,\r\n";
    }
    void header()
    {
        QFETCH(int, mask);
        QFETCH(QString, line);
        QCOMPARE(headerLine(mask), line);
    }

    void headerBytesInCodePage932()
    {
        // 年月日,時刻, in Shift-JIS, no byte-order mark, CR LF.
        QCOMPARE(toCp932(headerLine(1)).toHex(), QByteArray("944e8c8e93fa2c8e9e8d8f2c0d0a"));
        const QByteArray all = toCp932(headerLine(31));
        QVERIFY(all.startsWith("\x94\x4e"));
        QVERIFY(all.endsWith("\x95\x97\x91\xac\r\n")); // ...風速 CR LF
        QCOMPARE(toCp932(QStringLiteral("ﾌｧｲﾙ")).toHex(), QByteArray("cca7b2d9"));
    }

    void rows_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("line");
        QTest::newRow("31") << 31 << "2013/12/04,9:05:00,3.2,5.1,2.8,4.0\r\n";
        QTest::newRow("15") << 15 << "2013/12/04,9:05:00,3.2,5.1,2.8,\r\n";
        QTest::newRow("16") << 16 << "4.0\r\n";
        QTest::newRow("1") << 1 << "2013/12/04,9:05:00,\r\n";
        QTest::newRow("0") << 0 << "\r\n";
        QTest::newRow("10") << 10 << "3.2,2.8,\r\n";
    }
    void rows()
    {
        QFETCH(int, mask);
        QFETCH(QString, line);
        const std::array<QString, 4> r = {"3.2", "5.1", "2.8", "4.0"};
        QCOMPARE(rowLine(mask, "2013/12/04", "9:05:00", r), line);
    }

    void localeFormats_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("shortTime");
        QTest::newRow("C") << QLocale::c() << "2013/12/04"
                           << "9:05:00"
                           << "9:05";
        QTest::newRow("Japanese") << QLocale(QLocale::Japanese, QLocale::Japan) << "2013/12/04"
                                  << "9:05:00"
                                  << "9:05";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "04.12.13"
                                << "09:05:00"
                                << "09:05";
    }
    void localeFormats()
    {
        QFETCH(QLocale, locale);
        const QDateTime t(QDate(2013, 12, 4), QTime(9, 5, 0));
        QTEST(locale.toString(t.date(), rowDateFormat(locale)), "date");
        QTEST(locale.toString(t.time(), rowTimeFormat(locale)), "time");
        QTEST(locale.toString(t.time(), shortTimeFormat(locale)), "shortTime");
    }
};

QTEST_GUILESS_MAIN(TstCsvFormat)
#include "tst_csv_format.moc"
