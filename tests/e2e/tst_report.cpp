// The daily report as a person receives it: `qv475 --report` run without a display on the
// known day, and the PDF read back with poppler's tools (the text that can be searched and
// copied, and the fonts embedded in it).
#include "known_day.h"
#include "logging/manifest.h"

#include <QDir>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
struct Run {
    int code = -1;
    QString err;
};
Run run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display: the report must not need one.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    if (out)
        *out = p.readAllStandardOutput();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError())};
}
} // namespace

class TstReport : public QObject
{
    Q_OBJECT
private slots:
    void knownDay()
    {
        QTemporaryDir dir;
        const QStringList files =
            knownday::write(dir.path(), knownday::at(9, 0, 0), knownday::at(11, 0, 0), true);
        knownday::writeEvents(dir.path());
        // The storm inspected, and a second one that nobody inspected before the end.
        QFile events(dir.filePath(QStringLiteral("wind_events_20261208.csv")));
        QVERIFY(events.open(QIODevice::Append));
        events.write(logging::toCp932(
            u"2026/12/08,10:58:00,点検確認,5.0,31.0,5.0,点検者=山田 太郎;結果=異常なし\r\n"
            "2026/12/08,10:59:30,暴風 点検要,5.0,32.5,32.5,\r\n"_s));
        events.close();
        // The settings file is UTF-8, as the program writes it.
        const QString ini = dir.filePath(QStringLiteral("site.ini"));
        QFile settings(ini);
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write(QStringLiteral("[Settings]\nPort=3\n[Site]\nName=第2工区 東棟\n"
                                      "Serial=QV0123\nPosition=東棟 屋上\nHeight=32 m\n")
                           .toUtf8());
        settings.close();
        const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
        const Run r =
            run(QStringLiteral(QV475_EXE),
                QStringList{QStringLiteral("--report")} + files +
                    QStringList{QStringLiteral("--out"), pdf, QStringLiteral("--config"), ini});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        QByteArray text;
        QCOMPARE(run(QStringLiteral("pdftotext"),
                     {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &text)
                     .code,
                 0);
        const QString page = QString::fromUtf8(text);
        const qsizetype pages = page.count(QLatin1Char('\f'));
        for (const QString &want :
             {u"2026年12月8日 (火)"_s, u"第2工区 東棟"_s, u"COM3"_s, u"製造番号 QV0123"_s,
              u"設置場所 東棟 屋上"_s, u"高さ 32 m"_s,
              // the approval boxes and the criteria in the rules' words
              u"作成"_s, u"確認"_s, u"承認"_s, u"10分間の平均風速 10 m/s 以上で作業中止"_s,
              u"瞬間風速 30 m/s をこえる風の後に点検"_s,
              // the highest gust with its time (the storm's, above the sampled rows), the
              // stop period, each storm with its inspection or none, the event rows
              u"32.5 m/s (10:59:30)"_s, u"10:07:05 〜 10:37:56 (31 分)"_s, u"10:55:00 31.0 m/s"_s,
              u"10:58:00 山田 太郎 (異常なし)"_s, u"10:59:30 32.5 m/s"_s, u"点検未了"_s,
              u"作業中止解除"_s})
            QVERIFY2(page.contains(want), qPrintable(want + QStringLiteral(" not in:\n") + page));
        // Every page numbered, of all (the text's blanks as pdftotext lays them out).
        QVERIFY(pages >= 1);
        QVERIFY2(QString(page).remove(u' ').contains(u"%1/%1"_s.arg(pages)), qPrintable(page));

        QByteArray fonts;
        QCOMPARE(run(QStringLiteral("pdffonts"), {pdf}, &fonts).code, 0);
        // name, type, encoding, then emb (yes) for the Japanese face.
        const QList<QByteArray> lines = fonts.split('\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [](const QByteArray &l) {
                                 const QList<QByteArray> f = l.simplified().split(' ');
                                 return l.startsWith("IPA") && f.size() > 5 &&
                                        f[f.size() - 5] == "yes";
                             }),
                 fonts.constData());
    }

    // The register of a site's records and their check, as a manager runs them: the PDF's
    // text with the storm still due first, the manifest's verdict before and after a row
    // of a sealed day was edited.
    void registerAndVerify()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(u"site.ini"_s), base = dir.filePath(u"wind"_s);
        knownday::put(dir.path(), u"site.ini"_s,
                      u"[Settings]\nPort=3\nfName=%1.csv\n[Site]\nName=第2工区\n"_s.arg(base));
        const QString header = logging::eventLogHeader(10);
        knownday::put(
            dir.path(), u"wind_events_20261201.csv"_s,
            header + u"2026/12/01,11:00:00,暴風 点検要,8.0,31.4,31.4,\r\n"
                     "2026/12/01,13:00:00,点検確認,8.0,9.0,8.5,点検者=鈴木;結果=異常なし\r\n"_s);
        knownday::put(dir.path(), u"wind_events_20261202.csv"_s,
                      header + u"2026/12/02,15:00:00,暴風 点検要,8.0,32.5,32.5,\r\n"_s);
        logging::sealClosedDays(base, QDate(2026, 12, 3));
        QByteArray said;
        QCOMPARE(run(QStringLiteral(QV475_EXE), {u"--verify"_s, u"--config"_s, ini}, &said).code,
                 0);
        const QString pdf = dir.filePath(u"register.pdf"_s);
        const Run r = run(QStringLiteral(QV475_EXE),
                          {u"--register"_s, u"--from"_s, u"2026-12-01"_s, u"--to"_s,
                           u"2026-12-03"_s, u"--out"_s, pdf, u"--config"_s, ini});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QByteArray text;
        QCOMPARE(run(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s}, &text).code, 0);
        const QStringList lines = QString::fromUtf8(text).split(u'\n');
        auto lineWith = [&](const QString &what) {
            return std::find_if(lines.begin(), lines.end(),
                                [&](const QString &l) { return l.contains(what); }) -
                   lines.begin();
        };
        for (const QString &want :
             {u"点検記録簿"_s, u"第2工区"_s, u"記録の検証: 一致"_s, u"鈴木 (異常なし)"_s,
              u"最大瞬間風速 32.5 m/s"_s, u"記録なし"_s})
            QVERIFY2(lineWith(want) < lines.size(), qPrintable(want + u"\n"_s + text));
        QVERIFY(lineWith(u"点検未了"_s) < lineWith(u"最大瞬間風速 31.4 m/s"_s));

        knownday::put(dir.path(), u"wind_events_20261201.csv"_s, header);
        QCOMPARE(run(QStringLiteral(QV475_EXE), {u"--verify"_s, dir.path()}, &said).code, 13);
        QVERIFY2(QString::fromLocal8Bit(said).contains(u"wind_events_20261201.csv"_s),
                 said.constData());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("another program's file")
            << QByteArray("Date,Time,Speed\r\n") << 6 << QStringLiteral("1 行目");
        QTest::newRow("a header only")
            << logging::toCp932(logging::headerLine(31)) << 6 << QStringLiteral("no rows");
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("x.csv")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const QString pdf = dir.filePath(QStringLiteral("r.pdf"));
        const Run r = run(QStringLiteral(QV475_EXE),
                          {QStringLiteral("--report"), f.fileName(), QStringLiteral("--out"), pdf});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QVERIFY(!QFile::exists(pdf));
    }

    void harmless_data()
    {
        QTest::addColumn<QString>("input"); // "LOG": the known day's log
        QTest::addColumn<QString>("out");   // "LOG": the same log; "PDF": a new file
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("/dev/zero") << "/dev/zero"
                                   << "PDF" << 6 << u"通常のﾌｧｲﾙではありません"_s;
        QTest::newRow("a FIFO") << "FIFO"
                                << "PDF" << 6 << u"通常のﾌｧｲﾙではありません"_s;
        QTest::newRow("over the bound") << "BIG"
                                        << "PDF" << 6 << u"256 MiB まで"_s;
        QTest::newRow("--out is the log") << "LOG"
                                          << "LOG" << 1 << "is one of the logs";
        QTest::newRow("--out is a device") << "LOG"
                                           << "/dev/null" << 1 << "not a regular file";
    }
    // Past logs and the report never harm the program or a file: refused at once, with
    // what was refused named; the log and the device stay as they were.
    void harmless()
    {
        QFETCH(QString, input);
        QFETCH(QString, out);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString log =
            knownday::write(dir.path(), knownday::at(9, 0, 0), knownday::at(9, 10, 0), true)
                .first();
        QMap<QString, QString> paths{{"LOG", log},
                                     {"FIFO", dir.filePath("pipe.csv")},
                                     {"BIG", dir.filePath("big.csv")},
                                     {"PDF", dir.filePath("r.pdf")}};
        QVERIFY(::mkfifo(QFile::encodeName(paths["FIFO"]).constData(), 0600) == 0);
        {
            QFile big(paths["BIG"]);
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.resize((256LL << 20) + 1)); // sparse: no disk is spent
        }
        const QByteArray before = [&] {
            QFile f(log);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        const Run r =
            run(QStringLiteral(QV475_EXE), {QStringLiteral("--report"), paths.value(input, input),
                                            QStringLiteral("--out"), paths.value(out, out)});
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(QFileInfo(QStringLiteral("/dev/null")).exists() &&
                !QFileInfo(QStringLiteral("/dev/null")).isFile());
        QVERIFY(!QFile::exists(paths["PDF"]));
    }
};

QTEST_GUILESS_MAIN(TstReport)
#include "tst_report.moc"
