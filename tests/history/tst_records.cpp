// The site's records kept over years: the manifest that shows a closed day unchanged,
// the copy kept elsewhere, and the register of a period read from the event logs.
#include "history/register.h"
#include "logging/csv_format.h"
#include "logging/manifest.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate kFirst(2026, 6, 1);

void put(const QString &path, const QString &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(logging::toCp932(text));
}

QString eventFile(const QString &base, const QDate &day)
{
    return logging::dayFiles(base, day)[0];
}

QString row(const QDate &day, const char *time, const QString &rest)
{
    return day.toString(u"yyyy/MM/dd"_s) + u',' + QString::fromLatin1(time) + u',' + rest +
           u"\r\n"_s;
}

const QString kHeader = u"年月日,時刻,事象,10分平均,最大瞬間風速,瞬間風速,詳細\r\n"_s;

} // namespace

class TstRecords : public QObject
{
    Q_OBJECT
private slots:
    // Three closed days sealed; then each kind of change after the fact is found.
    void theManifestFindsEveryChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("found"); // empty: all holds
        QTest::newRow("nothing changed") << u"none"_s << QString();
        QTest::newRow("a row edited") << u"edit"_s << u"は封印の後に変更されています"_s;
        QTest::newRow("a day removed") << u"remove"_s << u"がありません"_s;
        QTest::newRow("a manifest line edited") << u"manifest"_s << u"行の鎖がつながりません"_s;
        QTest::newRow("a day added afterwards") << u"add"_s << u"は封印の後に加えられています"_s;
    }
    void theManifestFindsEveryChange()
    {
        QFETCH(QString, change);
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QString base = dir.filePath(u"wind"_s);
        for (int d = 0; d < 3; ++d) {
            const QDate day = kFirst.addDays(d);
            put(eventFile(base, day), kHeader + row(day, "9:00:00", u"監視開始,,,,"_s));
            put(logging::dayFiles(base, day)[1], u"rule\r\n"_s);
        }
        // Today's records are not sealed: they may still grow.
        put(eventFile(base, kFirst.addDays(3)), kHeader);
        const logging::Sealed sealed = logging::sealClosedDays(base, kFirst.addDays(3));
        QCOMPARE(sealed.files, 6);
        QCOMPARE(logging::sealClosedDays(base, kFirst.addDays(3)).files, 0); // once
        if (change == u"edit"_s)
            put(eventFile(base, kFirst.addDays(1)),
                kHeader + row(kFirst.addDays(1), "9:00:01", u"監視開始,,,,"_s));
        else if (change == u"remove"_s)
            QVERIFY(QFile::remove(eventFile(base, kFirst)));
        else if (change == u"add"_s)
            QVERIFY(QFile::rename(eventFile(base, kFirst), eventFile(base, kFirst.addDays(-1))));
        if (change == u"manifest"_s) {
            QFile m(logging::manifestPath(base));
            QVERIFY(m.open(QIODevice::ReadWrite));
            QByteArray bytes = m.readAll();
            bytes.replace("wind_events_20260601.csv,", "wind_events_20260601.csv,9");
            m.seek(0);
            m.write(bytes);
        }
        const logging::Verification v = logging::verifyFolder(dir.path());
        QCOMPARE(v.checked, 6);
        if (found.isEmpty())
            QVERIFY2(v.ok(), qPrintable(v.problems.join(u'\n')));
        else
            QVERIFY2(v.problems.join(u'\n').contains(found), qPrintable(v.problems.join(u'\n')));
        // The day's sheet says the same of its files.
        const QString line = logging::verificationLine({eventFile(base, kFirst.addDays(1))});
        QCOMPARE(line.endsWith(u"一致"_s), change != u"edit"_s);
    }

    // The copy elsewhere: said while its folder is away, made once it is back; nothing
    // there is replaced but the manifest.
    void theArchiveFollowsWhenItIsBack()
    {
        QTemporaryDir dir, away;
        const QString base = dir.filePath(u"wind"_s), archive = away.filePath(u"usb"_s);
        put(eventFile(base, kFirst), kHeader);
        const logging::Sealed first = logging::sealClosedDays(base, kFirst.addDays(1), archive);
        QCOMPARE(first.files, 1);
        QVERIFY2(first.problems.join(u'\n').contains(u"保管先"_s),
                 qPrintable(first.problems.join(u'\n')));
        QVERIFY(QDir().mkdir(archive));
        QVERIFY(logging::sealClosedDays(base, kFirst.addDays(1), archive).problems.isEmpty());
        QVERIFY(QFile::exists(QDir(archive).filePath(u"wind_events_20260601.csv"_s)));
        QVERIFY(logging::verifyFolder(archive).ok());
    }

    // A period of 200 days: every storm, stop and signature in time order, the one still
    // due at the end first, days without records and gaps in the monitoring, a damaged
    // line said; the CSV as a spreadsheet opens it.
    void theRegisterOfAPeriod()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(u"wind"_s);
        for (int d = 0; d < 200; ++d) {
            const QDate day = kFirst.addDays(d);
            if (d == 50 || d == 51)
                continue; // the program was not running
            QString text = kHeader + row(day, "7:00:00", u"監視開始,,,,"_s);
            if (d % 7 == 0)
                text += row(day, "10:00:00", u"作業中止,10.2,15.0,12.0,"_s) +
                        row(day, "10:20:00", u"注意,11.5,16.0,9.0,"_s) +
                        row(day, "10:30:00", u"作業中止基準を下回る,9.9,12.0,5.0,"_s) +
                        row(day, "10:31:00", u"足場点検要,9.9,12.0,5.0,"_s) +
                        row(day, "11:00:00", u"暴風 点検要,8.0,31.4,31.4,"_s) +
                        row(day, "11:30:00",
                            u"使用停止,5.0,9.0,5.0,点検者=山田;結果=異常あり: ﾌﾞﾚｰｷ"_s) +
                        row(day, "13:00:00",
                            u"点検確認,8.0,9.0,8.5,点検者=鈴木;結果=異常なし;強風下で確認"_s) +
                        row(day, "13:10:00",
                            u"点検確認,5.0,6.0,5.0,点検者=佐藤;結果=異常なし;対象=足場"_s);
            if (d == 100)
                text += u"2026/09/09,99:99:99,garbage\r\n"_s;
            if (d == 199) // the last storm nobody inspected
                text += row(day, "15:00:00", u"暴風 点検要,8.0,32.5,32.5,"_s);
            text += row(day, "18:00:00", u"監視終了,,,,"_s);
            put(eventFile(base, day), text);
        }
        history::RegisterInput in{base, kFirst, kFirst.addDays(199), 10};
        const history::Register r = history::buildRegister(in, &platform::readWholeFile);
        const QString csv = logging::fromCp932(history::registerCsv(r));
        const QStringList rows = csv.split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(rows[0], u"種別,開始,終了,点検,内容,点検者,結果,印"_s);
        QCOMPARE(rows[1], u"点検未了,2026/12/17 15:00:00,,crane,最大瞬間風速 32.5 m/s,,,"_s);
        for (const QString &want :
             {u"作業中止,2026/06/01 10:00:00,2026/06/01 10:20:00,,最大平均 11.5 m/s,,,"_s,
              u"注意,2026/06/01 10:20:00,2026/06/01 10:30:00,,,,,"_s,
              u"暴風,2026/06/01 11:00:00,,crane,最大瞬間風速 31.4 m/s,,,"_s,
              u"点検,2026/06/01 11:30:00,,crane,,山田,異常あり: ﾌﾞﾚｰｷ,使用停止"_s,
              u"点検,2026/06/01 13:00:00,,crane,,鈴木,異常なし,強風下で確認"_s,
              u"足場点検,2026/06/01 13:10:00,,scaffold,,佐藤,異常なし,"_s,
              u"監視なし,2026/06/01 18:00:00,2026/06/02 7:00:00,,,,,"_s,
              u"記録なし,2026/07/21 0:00:00,2026/07/23 0:00:00,,,,,"_s})
            QVERIFY2(rows.contains(want), qPrintable(want));
        QCOMPARE(std::count_if(rows.begin(), rows.end(),
                               [](const QString &l) { return l.startsWith(u"点検未了,"_s); }),
                 1);
        QCOMPARE(std::count_if(rows.begin(), rows.end(),
                               [](const QString &l) { return l.startsWith(u"暴風,"_s); }),
                 29 + 1);
        QVERIFY2(r.notes.join(u'\n').contains(u"1 行を読めませんでした"_s),
                 qPrintable(r.notes.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TstRecords)
#include "tst_records.moc"
