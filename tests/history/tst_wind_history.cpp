// Past logs read back: the files the program writes (and the ones it must refuse), and the
// figures of a day built with known answers.
#include "history/wind_history.h"
#include "known_day.h"
#include "logging/csv_format.h"
#include "platform/whole_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace history;

namespace {
using knownday::at;

// One row as the program writes it under the C locale.
QString row(int mask, qint64 ms, const std::array<QString, 4> &values)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    return logging::rowLine(mask, t.toString(QStringLiteral("yyyy/MM/dd")),
                            t.toString(QStringLiteral("H:mm:ss")), values);
}

const std::array<QString, 4> kValues{QStringLiteral("3.4"), QStringLiteral("5.6"),
                                     QStringLiteral("2.1"), QStringLiteral("4.0")};

QList<Row> rowsOf(const std::vector<Row> &rows)
{
    return QList<Row>(rows.begin(), rows.end());
}

} // namespace

class TstWindHistory : public QObject
{
    Q_OBJECT
private slots:
    void readsWhatTheProgramWrites_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<Row>>("rows");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("warnings");
        const QString h31 = logging::headerLine(31);
        auto full = [](qint64 ms) { return Row{ms, {34, 56, 21, 40}, false, 0}; };
        // Every choice of columns with the date (those without it: below). Dates alone
        // measure nothing: a row of them is a gap.
        for (int mask = 1; mask < 32; mask += 2) {
            Row r{at(9, 0, 0), {-1, -1, -1, -1}, mask == 1, 0};
            for (int i = 0; i < 4; ++i)
                if (mask & (2 << i))
                    r.tenths[size_t(i)] = full(0).tenths[size_t(i)];
            QTest::addRow("mask %d", mask)
                << logging::toCp932(logging::headerLine(mask) + row(mask, at(9, 0, 0), kValues))
                << QList<Row>{r} << mask << 0;
        }
        QTest::newRow("a gap row between two")
            << logging::toCp932(h31 + row(31, at(9, 0, 0), kValues) + row(31, at(9, 0, 1), {}) +
                                row(31, at(9, 0, 2), kValues))
            << QList<Row>{full(at(9, 0, 0)), Row{at(9, 0, 1), {-1, -1, -1, -1}, true, 0},
                          full(at(9, 0, 2))}
            << 31 << 0;
        // A power cut: the last line is cut short (its number reads, but has no line end),
        // and the file's end is zero bytes.
        QTest::newRow("a cut last line and zero bytes")
            << logging::toCp932(h31 + row(31, at(9, 0, 0), kValues) + "2026/12/08,9:00:01,3.") +
                   QByteArray(512, '\0')
            << QList<Row>{full(at(9, 0, 0))} << 31 << 2;
        QTest::newRow("UTF-8 with its mark, saved by a spreadsheet")
            << QByteArray("\xEF\xBB\xBF") + (h31 + row(31, at(9, 0, 0), kValues)).toUtf8()
            << QList<Row>{full(at(9, 0, 0))} << 31 << 1;
        // Two logs joined with cat: the header repeated as it was.
        QTest::newRow("a repeated header")
            << logging::toCp932(h31 + row(31, at(9, 0, 0), kValues) + h31 +
                                row(31, at(9, 0, 2), kValues))
            << QList<Row>{full(at(9, 0, 0)), full(at(9, 0, 2))} << 31 << 0;
        QTest::newRow("line feeds only, trailing commas dropped")
            << logging::toCp932(QStringLiteral("年月日,時刻,瞬間風速\n2026/12/08,9:00:00,3.4\n"))
            << QList<Row>{Row{at(9, 0, 0), {34, -1, -1, -1}, false, 0}} << 3 << 0;
    }
    void readsWhatTheProgramWrites()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<Row>, rows);
        QFETCH(int, mask);
        QFETCH(int, warnings);
        Contents c;
        FileInfo info;
        QString error;
        QVERIFY2(readFile(QStringLiteral("/d/wind2612080900.csv"), bytes, {}, &info, &c, &error),
                 qPrintable(error));
        QCOMPARE(rowsOf(c.rows), rows);
        QCOMPARE(info.mask, mask);
        QCOMPARE(info.warnings.size(), warnings);
    }

    // The event log as this version writes it (the rule's mean named by its window, the
    // detail of a signed inspection), and as earlier versions wrote it.
    void readsEventLogsOfEveryVersion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown"); // the last event as a person reads it
        QTest::newRow("this version")
            << u"年月日,時刻,事象,10分平均,最大瞬間風速,瞬間風速,詳細\r\n"
               "2026/12/08,8:48:18,暴風 点検要,11.8,31.4,31.4,\r\n"
               "2026/12/08,9:30:02,点検確認,6.0,9.0,5.0,点検者=山田 太郎;結果=異常なし\r\n"_qs
            << u"点検確認 (山田 太郎、異常なし)"_qs;
        QTest::newRow("an earlier version")
            << u"年月日,時刻,事象,平均風速,最大瞬間風速,瞬間風速\r\n"
               "2026/12/08,10:37:56,作業中止解除,9.9,12.0,5.0\r\n"_qs
            << u"作業中止解除"_qs;
    }
    void readsEventLogsOfEveryVersion()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Contents c;
        FileInfo info;
        QString error;
        QVERIFY2(readFile(u"/d/wind_events_20261208.csv"_qs, logging::toCp932(text), {}, &info, &c,
                          &error),
                 qPrintable(error));
        QCOMPARE(info.kind, Kind::Events);
        QCOMPARE(eventText(c.events.last()), shown);
    }

    // The rows this program writes in the user's short formats (in code page 932, as the
    // file holds them) read back on that machine: month first with AM/PM, day first, year
    // first, a 24-hour clock, AM/PM before the hour.
    void rowsInTheUsersFormatsReadBack_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const char *name : {"en_US", "en_GB", "de_DE", "ja_JP", "zh_CN", "fr_FR"})
            QTest::newRow(name) << QLocale(QString::fromLatin1(name));
    }
    void rowsInTheUsersFormatsReadBack()
    {
        QFETCH(QLocale, locale);
        RowClock clock(locale);
        for (const QDateTime &t : {QDateTime(QDate(2026, 12, 9), QTime(1, 38, 54)),
                                   QDateTime(QDate(2026, 1, 2), QTime(13, 5, 0)),
                                   QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0))}) {
            const QByteArray date =
                logging::toCp932(locale.toString(t.date(), logging::rowDateFormat(locale)));
            const QByteArray time =
                logging::toCp932(locale.toString(t.time(), logging::rowTimeFormat(locale)));
            QCOMPARE(clock.at(date, time), std::optional<qint64>(t.toMSecsSinceEpoch()));
        }
    }

    // Without the date column the rows are spread from the name's stamp to the last change.
    void withoutDatesFromTheName()
    {
        Contents c;
        const std::vector<Row> &rows = c.rows;
        FileInfo info;
        QString error;
        const QByteArray bytes = logging::toCp932(logging::headerLine(2) + "3.4,\r\n5.0,\r\n,\r\n");
        QVERIFY(readFile(QStringLiteral("/d/wind2612080900_2.csv"), bytes,
                         QDateTime::fromMSecsSinceEpoch(at(9, 3, 0)), &info, &c, &error));
        QVERIFY(info.timesEstimated);
        QCOMPARE(rows.size(), size_t(3));
        QCOMPARE(rows[0].ms, at(9, 1, 0));
        QCOMPARE(rows[2].ms, at(9, 3, 0));
        QVERIFY(rows[2].gap);
        QVERIFY(!readFile(QStringLiteral("/d/wind.csv"), bytes, {}, &info, &c, &error));
    }

    void refusedNamingTheLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line");
        const QString h = logging::headerLine(31);
        QTest::newRow("another program's file")
            << QByteArray("Date,Time,Speed\r\n2026-12-08,09:00,3.4\r\n") << "1 行目";
        QTest::newRow("a column too many") << logging::toCp932(h + row(31, at(9, 0, 0), kValues) +
                                                               "2026/12/08,9:00:01,1,2,3,4,5\r\n")
                                           << "3 行目";
        QTest::newRow("not a speed")
            << logging::toCp932(h + "2026/12/08,9:00:01,1.0,abc,3.0,4.0\r\n") << "2 行目";
        QTest::newRow("not a date")
            << logging::toCp932(h + "2026/13/40,9:00:01,1.0,2.0,3.0,4.0\r\n") << "2 行目";
        QTest::newRow("a date with a sign")
            << logging::toCp932(h + "-2026/12/08,9:00:01,1.0,2.0,3.0,4.0\r\n") << "2 行目";
        QTest::newRow("empty") << QByteArray() << "空";
    }
    void refusedNamingTheLine()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        Contents c;
        FileInfo info;
        QString error;
        QVERIFY(!readFile(QStringLiteral("/d/x.csv"), bytes, {}, &info, &c, &error));
        QVERIFY2(error.contains(line), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("x.csv")), qPrintable(error));
    }

    // The known day from 9:00 to 11:00, in two files around its hole, with its event log.
    void figuresOfAKnownDay()
    {
        QTemporaryDir folder;
        const QStringList files = knownday::write(folder.path(), at(9, 0, 0), at(11, 0, 0), true);
        knownday::writeEvents(folder.path());
        const QString a = files[0], b = files[1];
        basSubMain::SiteSettings site;
        site.enabled = true;
        WindHistory h(site);
        QString error;
        QVERIFY2(h.load({b, a}, &platform::readWholeFile, &error), qPrintable(error));
        QCOMPARE(h.files().size(), 3);
        QCOMPARE(h.rows().front().ms, at(9, 0, 0));
        QCOMPARE(h.intervalMs(), 1000);

        const Figures f = h.figures(at(0, 0, 0), at(23, 59, 59));
        QCOMPARE(f.fromMs, at(9, 0, 0));
        QCOMPARE(f.maxInstant, 310);
        QCOMPARE(f.maxInstantMs, at(10, 55, 0));
        // The mean rounds to 12.0 once 596 of the window's 600 s are at 12 m/s.
        QCOMPARE(f.maxMean, 120);
        QCOMPARE(f.maxMeanMs, at(10, 9, 56));
        // The mean rounds to 10.0 once 425 of the window's 600 s are at 12 m/s (10:07:05);
        // it falls below 176 s after the step (10:27:56) and the stop ends after the hold.
        QCOMPARE(f.basis, Basis::Rows);
        QCOMPARE(f.stops, (QList<Period>{{at(10, 7, 5), at(10, 37, 56), false}}));
        QCOMPARE(f.stopMs, at(10, 37, 56) - at(10, 7, 5));
        // The storm as the event log has it; nobody acknowledged it.
        QCOMPARE(f.storms, (QList<StormLine>{{at(10, 55, 0), u"31.0"_qs, {}, {}}}));
        QVERIFY(f.inspectionDue);
        // The last row before the hole holds for 2 s.
        QCOMPARE(f.missingMs, 299000);
        // The event log beside the files is the day's record of events.
        bool computed = true;
        const QList<EventRow> events = h.eventsIn(at(0, 0, 0), at(23, 59, 59), &computed);
        QVERIFY(!computed);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[0].what, QStringLiteral("作業中止"));

        // The chart's lines break at the hole; the export is the program's own format.
        const QList<meterlink::Bucket> buckets = h.buckets(at(10, 40, 0), at(10, 55, 0), 60000);
        QCOMPARE(std::count_if(buckets.begin(), buckets.end(),
                               [](const meterlink::Bucket &x) { return x.breakBefore; }),
                 1);
        QCOMPARE(h.exportCsv(at(10, 0, 0), at(10, 0, 1)),
                 logging::toCp932(logging::headerLine(31) +
                                  row(31, at(10, 0, 0), {"12.0", "12.0", "12.0", "12.0"}) +
                                  row(31, at(10, 0, 1), {"12.0", "12.0", "12.0", "12.0"})));
    }

    // What the sheet says of the storm after each kind of signature: the scaffolds' own
    // answers no storm; a fault is shown and keeps the storm due until a pass.
    void inspectionsAfterTheStorm_data()
    {
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("shown"); // the storm's inspection ("" : none)
        QTest::addColumn<bool>("due");
        const QString pass =
            u"2026/12/08,11:10:00,点検確認,5.0,9.0,5.0,点検者=山田;結果=異常なし"_qs;
        const QString fault =
            u"2026/12/08,11:05:00,使用停止,5.0,9.0,5.0,点検者=山田;結果=異常あり: ﾌﾞﾚｰｷ"_qs;
        QTest::newRow("the crane passed") << pass << u"異常なし"_qs << false;
        QTest::newRow("the scaffolds passed") << pass + u";対象=足場"_qs << QString() << true;
        QTest::newRow("a fault found") << fault << u"異常あり: ﾌﾞﾚｰｷ"_qs << true;
        QTest::newRow("a fault, then a pass after repair")
            << fault + u"\r\n"_qs + pass << u"異常なし"_qs << false;
    }
    void inspectionsAfterTheStorm()
    {
        QFETCH(QString, after);
        QFETCH(QString, shown);
        QFETCH(bool, due);
        QTemporaryDir folder;
        const QStringList files = knownday::write(folder.path(), at(9, 0, 0), at(11, 30, 0), true);
        QFile events(folder.filePath(u"wind_events_20261208.csv"_qs));
        QVERIFY(events.open(QIODevice::WriteOnly));
        events.write(logging::toCp932(u"年月日,時刻,事象,10分平均,最大瞬間風速,瞬間風速,詳細\r\n"
                                      "2026/12/08,10:55:00,暴風 点検要,5.0,31.0,31.0,\r\n"_qs +
                                      after + u"\r\n"_qs));
        events.close();
        basSubMain::SiteSettings site;
        site.enabled = true;
        WindHistory h(site);
        QString error;
        QVERIFY2(h.load(files, &platform::readWholeFile, &error), qPrintable(error));
        const Figures f = h.figures(at(0, 0, 0), at(23, 59, 59));
        QCOMPARE(f.storms.size(), 1);
        QCOMPARE(f.storms[0].inspection.has_value(), !shown.isEmpty());
        if (!shown.isEmpty())
            QVERIFY2(f.storms[0].inspection->detail.contains(u"結果="_qs + shown),
                     qPrintable(f.storms[0].inspection->detail));
        QCOMPARE(f.inspectionDue, due);
    }

    // With the rule's record beside the rows, the window's whole view and the day's sheet
    // give the same figures at every logging interval, and the chart's line holds the
    // storm's highest frame (the record's 31.4, above every row) at its slot.
    void oneSetOfFiguresEverywhere()
    {
        basSubMain::SiteSettings site;
        site.enabled = true;
        QStringList first;
        for (int every : {1, 60, 600}) {
            QTemporaryDir folder;
            const QStringList files =
                knownday::write(folder.path(), at(9, 0, 0), at(11, 0, 0), false, every);
            knownday::writeEvents(folder.path());
            knownday::writeRule(folder.path(), at(9, 0, 0), at(11, 0, 0));
            WindHistory h(site);
            QString error;
            QVERIFY2(h.load(files, &platform::readWholeFile, &error), qPrintable(error));
            auto lines = [&](qint64 from, qint64 to) {
                QStringList out;
                for (const auto &[label, value] :
                     figureLines(h.figures(from, to), site, knownday::kDay))
                    out << label + u'=' + value;
                return out;
            };
            const QStringList day = lines(at(0, 0, 0), at(23, 59, 59));
            QCOMPARE(lines(h.firstMs(), h.lastMs()), day);
            QVERIFY2(day.contains(u"最大瞬間風速=31.4 m/s (10:55:00)"_qs),
                     qPrintable(day.join('\n')));
            if (first.isEmpty())
                first = day;
            QCOMPARE(day, first);
            const QList<meterlink::Bucket> buckets = h.buckets(at(9, 0, 0), at(11, 0, 0), 60000);
            const auto storm = std::find_if(buckets.begin(), buckets.end(),
                                            [](const auto &b) { return b.ms == at(10, 55, 30); });
            QVERIFY(storm != buckets.end());
            QCOMPARE(storm->value[0], 31.4);
        }
    }

    // What the sheet says of the day's inspections, whatever the records hold: nothing
    // invented, every signature on its line, names whole, and a record it cannot read
    // said (with "note=" before it) rather than taken for none.
    void whatTheSheetSays_data()
    {
        QTest::addColumn<QString>("events"); // after the header; "-": no event log at all
        QTest::addColumn<QTime>("ruleFrom");
        QTest::addColumn<QStringList>("before"); // the day before's files: name|text
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("absent");
        const QString storm = u"2026/12/08,10:55:00,暴風 点検要,5.0,31.0,31.0,\r\n"_qs;
        const QString pass =
            u"2026/12/08,10:58:00,点検確認,5.0,9.0,5.0,点検者=山田;結果=異常なし\r\n"_qs;
        const QString notRead = u"　点検=点検の記録を読めません"_qs;
        QTest::newRow("the record starts just before the storm")
            << storm + pass << QTime(10, 54, 55) << QStringList()
            << QStringList{u"暴風=10:55:00 31.0 m/s"_qs, u"　点検=10:58:00 山田 (異常なし)"_qs}
            << u"前日からの点検要"_qs;
        QTest::newRow("a latch carried over midnight")
            << pass << QTime(9, 0, 0)
            << QStringList{u"wind_events_20261207.csv|2026/12/07,23:30:00,暴風 点検要,5.0,32.0,32.0,\r\n"_qs,
                           u"wind_rule_20261207.csv|2026/12/07,23:59:50,10,10,0,0,0,5.0,23:59:50,4.0,23:59:50,1\r\n"_qs}
            << QStringList{u"前日からの点検要=暴風 12/7 23:30:00"_qs,
                           u"　点検=10:58:00 山田 (異常なし)"_qs}
            << u"時刻は記録外"_qs;
        QTest::newRow("a bad line in the event log")
            << storm + u"2026/12/10,99:99:99,garbage\r\n"_qs + pass << QTime(9, 0, 0)
            << QStringList()
            << QStringList{u"　点検=10:58:00 山田 (異常なし)"_qs,
                           u"note=wind_events_20261208.csv: イベント記録の 1 行を読めませんでした (3行目)"_qs}
            << u"点検の記録なし"_qs;
        QTest::newRow("an empty event log")
            << QString() << QTime(9, 0, 0) << QStringList()
            << QStringList{u"暴風=10:55:00 31.4 m/s"_qs, notRead} << u"点検の記録なし"_qs;
        QTest::newRow("no event log")
            << u"-"_qs << QTime(9, 0, 0) << QStringList()
            << QStringList{notRead, u"note=イベント記録「wind_events_20261208.csv」が見つかりま"
                                    "せん。点検の記録は読めません。"_qs}
            << u"点検の記録なし"_qs;
        QTest::newRow("every signature on its line")
            << u"2026/12/08,10:38:00,足場点検要,9.0,12.0,5.0,\r\n"
               "2026/12/08,10:40:00,点検確認,5.0,9.0,5.0,点検者=佐藤;結果=異常なし;対象=足場\r\n"_qs +
                   storm +
                   u"2026/12/08,10:57:00,使用停止,5.0,9.0,5.0,点検者=山田;結果=異常あり: ﾌﾞﾚｰｷ\r\n"
                   "2026/12/08,10:58:30,点検確認,8.0,9.0,8.5,点検者=鈴木;結果=異常なし;強風下で確認\r\n"_qs
            << QTime(9, 0, 0) << QStringList()
            << QStringList{u"足場点検要=10:38:00"_qs, u"　点検=10:40:00 佐藤 (異常なし)"_qs,
                           u"　点検=10:57:00 山田 (異常あり: ﾌﾞﾚｰｷ)  使用停止"_qs,
                           u"　点検=10:58:30 鈴木 (異常なし)  強風下で確認"_qs}
            << u"　点検=点検未了"_qs;
        QTest::newRow("names outside code page 932")
            << storm + logging::cp932Field(u"2026/12/08,10:58:00,点検確認,5.0,9.0,5.0,"
                                           "点検者=𠮷田 😀 &#;結果=異常なし\r\n"_qs)
            << QTime(9, 0, 0) << QStringList()
            << QStringList{u"　点検=10:58:00 𠮷田 😀 &# (異常なし)"_qs} << u"�"_qs;
    }
    void whatTheSheetSays()
    {
        QFETCH(QString, events);
        QFETCH(QTime, ruleFrom);
        QFETCH(QStringList, before);
        QFETCH(QStringList, shown);
        QFETCH(QString, absent);
        QTemporaryDir folder;
        const QStringList files = knownday::write(folder.path(), at(9, 0, 0), at(11, 0, 0), false);
        if (events != u"-"_qs)
            knownday::put(folder.path(), u"wind_events_20261208.csv"_qs,
                          events.isEmpty()
                              ? QString()
                              : u"年月日,時刻,事象,10分平均,最大瞬間風速,瞬間風速,詳細\r\n"_qs +
                                    events);
        knownday::writeRule(folder.path(), QDateTime(knownday::kDay, ruleFrom).toMSecsSinceEpoch(),
                            at(11, 0, 0));
        for (const QString &file : before) {
            const QString name = file.section(u'|', 0, 0);
            knownday::put(folder.path(), name,
                          (name.contains(u"_rule_"_qs) ? logging::ruleRecordHeader(10)
                                                       : logging::eventLogHeader(10)) +
                              file.section(u'|', 1));
        }
        basSubMain::SiteSettings site;
        site.enabled = true;
        WindHistory h(site);
        QString error;
        QVERIFY2(h.load(files, &platform::readWholeFile, &error), qPrintable(error));
        const Figures f = h.figures(at(0, 0, 0), at(23, 59, 59));
        QStringList lines;
        for (const QString &note : f.notes)
            lines << u"note="_qs + note;
        for (const auto &[label, value] : figureLines(f, site, knownday::kDay))
            lines << label + u'=' + value;
        for (const QString &line : shown)
            QVERIFY2(lines.contains(line), qPrintable(line + u"\n--\n"_qs + lines.join(u'\n')));
        QVERIFY2(!lines.join(u'\n').contains(absent), qPrintable(lines.join(u'\n')));
    }

    // Rows further apart than the mean can stand: the figures they cannot support are
    // said to be not available, with the interval; the highest gust is the meter's own
    // highest of the rows and is said to be sampled. Without an event log, a storm in the
    // samples is at least one.
    void sampledRowsSayWhatTheyCannot_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<bool>("withEvents");
        QTest::addColumn<QStringList>("lines");
        const QString noMean = u"記録間隔 %1 秒では算出できません"_qs;
        QTest::newRow("10 s: the mean from rows")
            << 10 << false
            << QStringList{u"数字の出所=風速の記録値 (10 秒ごと) から算出"_qs,
                           u"最大瞬間風速=31.0 m/s (10:55:09) 記録値 (10 秒ごと) の最大"_qs,
                           u"暴風=10:55:09 31.0 m/s (記録値)"_qs, u"　点検=点検の記録なし"_qs};
        QTest::newRow("60 s") << 60 << false
                              << QStringList{u"最大10分平均="_qs + noMean.arg(60),
                                             u"注意・作業中止・判定中の時間="_qs + noMean.arg(60),
                                             u"作業中止=記録間隔 60 秒では判定できません"_qs,
                                             u"暴風=10:55:59 31.0 m/s (記録値)"_qs};
        QTest::newRow("600 s with the event log")
            << 600 << true
            << QStringList{u"数字の出所=風速の記録値 (600 秒ごと) のみ"_qs,
                           u"最大10分平均="_qs + noMean.arg(600),
                           u"最大瞬間風速=31.0 m/s (10:59:59) 記録値 (600 秒ごと) の最大"_qs,
                           u"作業中止=10:07:05 〜 10:37:56 (31 分)"_qs,
                           u"暴風=10:55:00 31.0 m/s"_qs,
                           u"　点検=点検未了"_qs,
                           u"記録終了時=点検未了"_qs};
    }
    void sampledRowsSayWhatTheyCannot()
    {
        QFETCH(int, every);
        QFETCH(bool, withEvents);
        QFETCH(QStringList, lines);
        QTemporaryDir folder;
        const QStringList files =
            knownday::write(folder.path(), at(9, 0, 0), at(11, 0, 0), false, every);
        if (withEvents)
            knownday::writeEvents(folder.path());
        basSubMain::SiteSettings site;
        site.enabled = true;
        WindHistory h(site);
        QString error;
        QVERIFY2(h.load(files, &platform::readWholeFile, &error), qPrintable(error));
        QStringList shown;
        for (const auto &[label, value] :
             figureLines(h.figures(at(0, 0, 0), at(23, 59, 59)), site, knownday::kDay))
            shown << label + u'=' + value;
        for (const QString &line : lines)
            QVERIFY2(shown.contains(line), qPrintable(shown.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TstWindHistory)
#include "tst_wind_history.moc"
