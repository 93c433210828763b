// File output from the main window: start checks, naming, header and rows on a real file
// system, and what happens when a write fails.
#include "app/globals.h"
#include "display/frm_main.h"
#include "fakes.h"
#include "link/status_texts.h"
#include "logging/csv_format.h"
#include "logging/log_writer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace basSubMain;
using Icon = platform::MessageBox::Icon;

namespace {
// Real files, but the n-th write (counting from 1) fails as a full disk would.
class FailingFile : public platform::LocalFileOutput
{
public:
    bool write(const QByteArray &bytes, QString *error) override
    {
        if (++writes == failAt) {
            if (error)
                *error = platform::describeFileError(ENOSPC);
            return false;
        }
        return LocalFileOutput::write(bytes, error);
    }
    int writes = 0;
    int failAt = -1;
};
} // namespace

class TstFileOutput : public QObject
{
    Q_OBJECT
    std::unique_ptr<fakes::World> world;
    std::unique_ptr<frmMain> w;
    FailingFile failing;
    std::unique_ptr<QTemporaryDir> dir;
    int optionsOpened = 0;

    // One tick per clock second; the meter keeps sending while the link is up.
    void tickSeconds(int n)
    {
        for (int i = 0; i < n; ++i) {
            if (world->port.isOpen())
                world->port.receive("\x02"
                                    "0032,0051,0028,0040,0,0\r");
            world->clock.current = world->clock.current.addSecs(1);
            world->timer.fire();
            // Each row reaches the disk before the next second: failures come in order.
            w->flushLog();
        }
    }
    void connectLink()
    {
        w->mnuFileCom_Click();
        QCOMPARE(gLinkCountdown, qint16(20));
    }
    // The file as the disk has it once the queued rows are written.
    QByteArray readAll(const QString &path)
    {
        w->flushLog();
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files, QDir::Name); }

private slots:
    void init()
    {
        resetGlobals();
        dir = std::make_unique<QTemporaryDir>();
        world = std::make_unique<fakes::World>();
        failing = FailingFile();
        world->file = &failing;
        optionsOpened = 0;
        frmMain::Windows windows;
        windows.options = [this](QWidget *) { ++optionsOpened; };
        w = std::make_unique<frmMain>(world->services(), windows);
        gFName = dir->filePath("log.csv");
    }
    void cleanup()
    {
        w.reset();
        world.reset();
    }

    void startChecksInOrder()
    {
        // Empty name first, whether or not the link runs; then the settings command.
        gFName.clear();
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].text,
                 QStringLiteral("出力ﾌｧｲﾙ名が指定されていません。"));
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾌｧｲﾙ出力警告"));
        QCOMPARE(world->messageBox.shown[0].icon, Icon::Exclamation);
        QCOMPARE(optionsOpened, 1);

        // No column chosen: refused the same way, before anything else.
        gFName = dir->filePath("log.csv");
        gFOut = 0;
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(world->messageBox.shown[1].text, logging::kNoColumnsText);
        QCOMPARE(optionsOpened, 2);
        world->messageBox.shown.removeLast();
        gFOut = 31;

        // A valid name but no link: connect first.
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(world->messageBox.shown[1].text,
                 QStringLiteral("QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。"));
        QCOMPARE(world->messageBox.shown[1].title, QStringLiteral("ﾌｧｲﾙ出力警告"));
        QVERIFY(files().isEmpty());

        connectLink();
        w->mnuFileOpen_Click();
        QVERIFY(w->logOpen());
        // Already running (reachable only by calling the handler): nothing, no new file.
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(files().size(), 1);
    }

    void startWritesHeaderInCodePage932()
    {
        connectLink();
        world->clock.current = QDateTime(QDate(2013, 12, 4), QTime(9, 5, 37));
        w->mnuFileOpen_Click();
        QCOMPARE(files(), QStringList{"log1312040905.csv"});
        QCOMPARE(readAll(dir->filePath("log1312040905.csv")),
                 logging::toCp932(QStringLiteral(
                     "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r\n")));
        QCOMPARE(w->StatusText(1), texts::kFileRunning);
    }

    void restartInSameMinuteKeepsFirstFile()
    {
        gFTime = 1;
        connectLink();
        w->mnuFileOpen_Click();
        tickSeconds(3);
        w->mnuFileClose_Click();
        const QByteArray first = readAll(dir->filePath("log1312040905.csv"));
        QCOMPARE(first.count("\r\n"), 4);
        w->mnuFileOpen_Click();
        w->mnuFileClose_Click();
        w->mnuFileOpen_Click();
        QCOMPARE(files(),
                 (QStringList{"log1312040905.csv", "log1312040905_2.csv", "log1312040905_3.csv"}));
        QCOMPARE(readAll(dir->filePath("log1312040905.csv")), first);
    }

    void badNamesFailWithoutFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("upper case extension") << "log.CSV";
        QTest::newRow("no extension") << "log";
        QTest::newRow("missing folder") << "nowhere/log.csv";
        QTest::newRow("file where a folder should be") << "plain/log.csv";
    }
    void badNamesFailWithoutFile()
    {
        QFETCH(QString, name);
        {
            QFile plain(dir->filePath("plain"));
            QVERIFY(plain.open(QIODevice::WriteOnly));
        }
        gFName = dir->filePath(name);
        connectLink();
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        const fakes::Box box = world->messageBox.shown[0];
        QCOMPARE(box.title, QStringLiteral("ﾌｧｲﾙ警告"));
        QCOMPARE(box.icon, Icon::Exclamation);
        QVERIFY(!box.text.isEmpty());
        QVERIFY(!w->logOpen());
        QCOMPARE(files(), QStringList{"plain"});
        QCOMPARE(w->StatusText(1), texts::kFileStopped);
        QVERIFY(w->menuItem("mnuFileOpen")->isEnabled());
    }

    void readOnlyFolderFails()
    {
        if (geteuid() == 0)
            QSKIP("running as root, which writes into read-only folders");
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);
        connectLink();
        w->mnuFileOpen_Click();
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(world->messageBox.shown.size(), 1);
        QVERIFY(
            world->messageBox.shown[0].text.startsWith(QStringLiteral("ｱｸｾｽが拒否されました。")));
        QVERIFY(!w->logOpen());
    }

    void headerWriteFailureClosesFile()
    {
        failing.failAt = 1;
        connectLink();
        w->mnuFileOpen_Click();
        w->flushLog();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾌｧｲﾙ警告"));
        QVERIFY(!w->logOpen());
        QVERIFY(!failing.isOpen());
        // The failed start leaves no empty file behind.
        QCOMPARE(files(), QStringList());
    }

    void rowsEachSecondWithDecodedValues()
    {
        gFTime = 1;
        gFOut = 31;
        connectLink();
        world->clock.current = QDateTime(QDate(2013, 12, 4), QTime(9, 4, 59));
        w->mnuFileOpen_Click();
        world->port.receive("\x02"
                            "0032,0051,0028,0040,0,0\r");
        tickSeconds(2);
        const QString path = w->logFileName();
        // Each row is in the file as soon as it is written.
        QCOMPARE(readAll(path), logging::toCp932(QStringLiteral(
                                    "年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速\r\n"
                                    "2013/12/04,9:05:00,3.2,5.1,2.8,4.0\r\n"
                                    "2013/12/04,9:05:01,3.2,5.1,2.8,4.0\r\n")));
        // Two ticks in the same second: one row.
        world->timer.fire();
        QCOMPARE(readAll(path).count("\r\n"), 3);
    }

    void rowMasks_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("16") << 16 << QByteArray("4.0\r\n");
        QTest::newRow("1") << 1 << QByteArray("2013/12/04,9:05:38,\r\n");
        QTest::newRow("6") << 6 << QByteArray("3.2,5.1,\r\n");
    }
    void rowMasks()
    {
        QFETCH(int, mask);
        QFETCH(QByteArray, row);
        gFTime = 1;
        gFOut = qint16(mask);
        connectLink();
        world->port.receive("\x02"
                            "0032,0051,0028,0040,0,0\r");
        w->mnuFileOpen_Click();
        tickSeconds(1);
        const QByteArray all = readAll(w->logFileName());
        QCOMPARE(all.mid(all.indexOf("\r\n") + 2), row);
    }

    void noFrameYetLogsZeros()
    {
        gFTime = 1;
        gFOut = 30;
        connectLink();
        w->mnuFileOpen_Click();
        world->clock.current = world->clock.current.addSecs(1);
        world->timer.fire();
        QVERIFY(readAll(w->logFileName()).endsWith("0.0,0.0,0.0,0.0\r\n"));
    }

    void writeFailureStopsOutputWithOneMessage()
    {
        gFTime = 1;
        failing.failAt = 4; // header, two rows, then the disk is full
        connectLink();
        w->mnuFileOpen_Click();
        // The box stays up while ticks go on: they must not write or warn again.
        int ticksDuringBox = 0;
        world->messageBox.onShow = [&] {
            ++ticksDuringBox;
            tickSeconds(3);
        };
        tickSeconds(10);
        QCOMPARE(world->messageBox.shown.size(), 1);
        const fakes::Box box = world->messageBox.shown[0];
        QCOMPARE(box.title, QStringLiteral("ﾌｧｲﾙ警告"));
        QCOMPARE(box.icon, Icon::Exclamation);
        QVERIFY(box.text.contains(QStringLiteral("ﾃﾞｨｽｸの空き容量が不足しています。")));
        QVERIFY(!w->logOpen());
        QCOMPARE(w->StatusText(1), texts::kFileStopped);
        QVERIFY(w->menuItem("mnuFileOpen")->isEnabled());
        QCOMPARE(readAll(w->logFileName()).count("\r\n"), 3);
        QCOMPARE(failing.writes, 4);
    }

    void fileDeletedWhileLogging()
    {
        gFTime = 1;
        connectLink();
        w->mnuFileOpen_Click();
        tickSeconds(2);
        QVERIFY(QFile::remove(w->logFileName()));
        tickSeconds(3);
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾌｧｲﾙ警告"));
        QVERIFY(!w->logOpen());
    }

    void fullFileSystem()
    {
        // A small tmpfs, where this machine lets the test mount one.
        const QString mnt = dir->filePath("small");
        QVERIFY(QDir().mkpath(mnt));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=16k", "tmpfs", mnt}) != 0)
            QSKIP("cannot mount a small tmpfs here (needs root and mount rights)");
        auto unmount = qScopeGuard([&] { QProcess::execute("umount", {mnt}); });
        gFTime = 1;
        gFName = mnt + "/log.csv";
        connectLink();
        w->mnuFileOpen_Click();
        QVERIFY(w->logOpen());
        tickSeconds(3);
        {
            // Fill what is left; the log's own page still has room for some rows.
            QFile filler(mnt + "/filler");
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(512, 'x')) == 512 && filler.flush()) {}
        }
        tickSeconds(300);
        QCOMPARE(world->messageBox.shown.size(), 1);
        QVERIFY(!w->logOpen());
        // Whatever rows were written are whole lines.
        const QByteArray all = readAll(w->logFileName());
        QVERIFY(all.endsWith("\r\n"));
        // A new start on the full disk fails with its box and leaves no file.
        const QStringList before = QDir(mnt).entryList(QDir::Files);
        world->clock.current = world->clock.current.addSecs(120);
        QVERIFY(gLinkCountdown > 0); // the meter still talks
        w->mnuFileOpen_Click();
        w->flushLog(); // the header fails on the writer's thread
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(world->messageBox.shown[1].title, QStringLiteral("ﾌｧｲﾙ警告"));
        QVERIFY(!w->logOpen());
        QCOMPARE(QDir(mnt).entryList(QDir::Files), before);
    }

    void linkStopStopsOutputAndNothingFollows()
    {
        gFTime = 1;
        connectLink();
        w->mnuFileOpen_Click();
        tickSeconds(2);
        world->port.close(); // the meter is gone: no more data
        for (int i = 0; i < 21; ++i)
            world->timer.fire(); // same second, no rows
        QVERIFY(!w->logOpen());
        QCOMPARE(w->StatusText(2), texts::kLinkStopped);
        const QByteArray before = readAll(w->logFileName());
        tickSeconds(3);
        QCOMPARE(readAll(w->logFileName()), before);
    }

    void stopWhileStoppedIsHarmless()
    {
        w->mnuFileClose_Click();
        QCOMPARE(w->StatusText(1), texts::kFileStopped);
        QVERIFY(w->menuItem("mnuFileOpen")->isEnabled());
        QVERIFY(world->messageBox.shown.isEmpty());
    }

    void unloadClosesLogAfterSaving()
    {
        connectLink();
        w->mnuFileOpen_Click();
        world->messageBox.answers = {platform::MessageBox::Answer::Yes};
        w->mnuFileExit_Click();
        QVERIFY(!failing.isOpen());
        QCOMPARE(world->settings.values.value("Settings/fName"), gFName);
    }
};

QTEST_MAIN(TstFileOutput)
#include "tst_file_output.moc"
