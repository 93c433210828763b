// The log unit without a window: start, rows at due points, gap rows, and failures, on a
// real file system with a fake clock.
#include "fakes.h"
#include "logging/csv_format.h"
#include "logging/log_writer.h"

#include <QDir>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

using logging::LogWriter;

namespace {

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return logging::fromCp932(f.readAll());
}
const std::array<int, 4> kReadings = {123, 456, 78, 90};
} // namespace

class TstLogWriter : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    fakes::Clock clock;
    platform::LocalFileOutput file;

    // One tick in each of n seconds.
    void seconds(LogWriter &log, int n, int interval, int mask, bool gap)
    {
        for (int i = 0; i < n; ++i) {
            clock.current = clock.current.addSecs(1);
            log.tick(interval, mask, kReadings, gap);
            log.tick(interval, mask, kReadings, gap); // a second tick in the same second
        }
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        clock.current = QDateTime(QDate(2026, 12, 7), QTime(9, 9, 57));
        for (const QString &f : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(f));
    }

    void rowsAndGapRowsKeepTheColumns_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("gapRow");
        QTest::newRow("31") << 31 << "2026/12/07,9:10:00,12.3,45.6,7.8,9.0"
                            << "2026/12/07,9:10:01,,,,";
        QTest::newRow("6") << 6 << "12.3,45.6,"
                           << ",,";
        QTest::newRow("16") << 16 << "9.0"
                            << "";
        QTest::newRow("1") << 1 << "2026/12/07,9:10:00,"
                           << "2026/12/07,9:10:01,";
    }
    void rowsAndGapRowsKeepTheColumns()
    {
        QFETCH(int, mask);
        QFETCH(QString, row);
        QFETCH(QString, gapRow);
        LogWriter log(&file, &clock);
        QString error;
        QVERIFY2(log.start(dir.filePath("wind.csv"), mask, &error), qPrintable(error));
        QCOMPARE(log.path(), dir.filePath("wind2612070909.csv"));
        seconds(log, 3, 1, mask, false); // 9:09:58 to 9:10:00
        seconds(log, 1, 1, mask, true);  // 9:10:01, link lost
        QVERIFY(log.finish());
        const QStringList lines = readText(log.path()).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 6); // header, four rows, the empty rest after the last CR LF
        QCOMPARE(lines[0] + QStringLiteral("\r\n"), logging::headerLine(mask));
        QCOMPARE(lines[3], row);
        QCOMPARE(lines[4], gapRow);
        QCOMPARE(lines[5], QString());
    }

    void everyDuePointExactlyOnce()
    {
        // Interval 5 for two minutes, the link lost in the middle: one row at every :x0 and
        // :x5 second, gap rows among them, none twice, none missing.
        LogWriter log(&file, &clock);
        clock.current = QDateTime(QDate(2026, 12, 7), QTime(9, 9, 59));
        log.resetCount(59);
        QString error;
        QVERIFY(log.start(dir.filePath("wind.csv"), 31, &error));
        seconds(log, 40, 5, 31, false);
        seconds(log, 40, 5, 31, true);
        seconds(log, 40, 5, 31, false);
        QVERIFY(log.finish());
        const QStringList lines =
            readText(log.path()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 24);
        for (int i = 1; i < lines.size(); ++i) {
            const QTime t = QTime::fromString(lines[i].section(',', 1, 1), "H:mm:ss");
            QCOMPARE(t, QTime(9, 10, 0).addSecs(5 * (i - 1)));
            const bool gap = lines[i].section(',', 2, 2).isEmpty();
            QCOMPARE(gap, t >= QTime(9, 10, 40) && t < QTime(9, 11, 20));
        }
    }

    void startFailuresLeaveNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expect");
        QTest::newRow("no .csv") << "wind.CSV" << QStringLiteral("「.csv」(小文字) を含めて");
        QTest::newRow("missing folder") << "none/wind.csv" << QStringLiteral("見つかりません");
    }
    void startFailuresLeaveNoFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, expect);
        LogWriter log(&file, &clock);
        QString error;
        QVERIFY(!log.start(dir.filePath(name), 31, &error));
        QVERIFY2(error.contains(expect), qPrintable(error));
        QVERIFY(!log.isOpen());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void deletedFileStopsOutputOnce()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows keeps a file that is being written from being deleted");
#endif
        LogWriter log(&file, &clock);
        QSignalSpy failed(&log, &LogWriter::writeFailed);
        QString error;
        QVERIFY(log.start(dir.filePath("wind.csv"), 31, &error));
        seconds(log, 2, 1, 31, false);
        QVERIFY(QFile::remove(log.path()));
        // The failure comes back from the writer within a second or two of ticks.
        QTRY_VERIFY((seconds(log, 1, 1, 31, false), !log.isOpen()));
        seconds(log, 5, 1, 31, false);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][1].toString(), log.path());
        QCOMPARE(failed[0][0].toString(), platform::describeFileError(ENOENT));
    }

    void stalledDiskDelaysRowsButLosesNone()
    {
        fakes::GatedFile gated;
        LogWriter log(&gated, &clock);
        QSignalSpy stalled(&log, &LogWriter::stalled);
        QSignalSpy ended(&log, &LogWriter::stallEnded);
        QString error;
        gated.setOpen(false);
        QVERIFY(log.start(dir.filePath("wind.csv"), 31, &error));
        const QString path = log.path();
        // A minute with no due row (interval 600): the header alone stuck in the disk is
        // a stall too.
        clock.current = QDateTime(QDate(2026, 12, 7), QTime(9, 11, 0));
        seconds(log, 61, 600, 31, false);
        QCOMPARE(stalled.size(), 1);
        // 90 s of ticks while the disk takes nothing: the ticks return, the rows wait.
        seconds(log, 90, 1, 31, false);
        QCOMPARE(log.rowsWaiting(), 91); // the header and 90 rows
        QCOMPARE(QFileInfo(path).size(), 0);
        QVERIFY(!log.finish(100)); // the bound runs out while the disk is stalled
        gated.setOpen(true);
        QTRY_COMPARE((seconds(log, 1, 1, 31, false), ended.size()), 1);
        QVERIFY(log.finish());
        QCOMPARE(stalled.size(), 1);
        const QStringList lines = readText(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 90);
        // Every due point of the stall is there, each with its own time.
        for (int i = 1; i < lines.size(); ++i)
            QCOMPARE(QTime::fromString(lines[i].section(',', 1, 1), "H:mm:ss"),
                     QTime(9, 12, 2).addSecs(i - 1));
    }

    // Two programs adding lines to one file at once (two loggers sharing a folder and an
    // event log): every line is whole, none cut into another.
    void twoWritersOneFileKeepLinesWhole()
    {
#ifdef Q_OS_WIN
        // Windows appends through an append-only handle at the file's end in one piece;
        // Wine emulates that with a seek and a write, which two writers can race.
        QSKIP("Wine's append-only writes are not atomic");
#endif
        const QString path = dir.filePath("wind_events_20261208.csv");
        constexpr int kLines = 400;
        auto writer = [&](char c) {
            platform::LocalFileOutput out;
            bool empty = false;
            QString error;
            if (!out.append(path, &empty, &error))
                return false;
            for (int i = 0; i < kLines; ++i)
                if (!out.write(QByteArray(90, c) + "\r\n", &error))
                    return false;
            return true;
        };
        bool a = false, b = false;
        std::thread first([&] { a = writer('a'); });
        std::thread second([&] { b = writer('b'); });
        first.join();
        second.join();
        QVERIFY(a && b);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 2 * kLines + 1);
        for (qsizetype i = 0; i + 1 < lines.size(); ++i)
            QVERIFY2(lines[i] == QByteArray(90, 'a') + '\r' ||
                         lines[i] == QByteArray(90, 'b') + '\r',
                     qPrintable(QStringLiteral("line %1").arg(i + 1)));
    }
};

QTEST_GUILESS_MAIN(TstLogWriter)
#include "tst_log_writer.moc"
