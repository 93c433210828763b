// File output from the main window: the boxes of the start checks and of a failed write,
// the captions and commands; the file's contents are the session's and the log's tests.
#include "base/globals.h"
#include "display/frm_main.h"
#include "display/status_texts.h"
#include "fakes.h"
#include "logging/csv_format.h"
#include "logging/log_writer.h"
#include "settings_globals.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

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
        windows.options = [this](QWidget *, const Settings &current) {
            ++optionsOpened;
            return current;
        };
        w = std::make_unique<frmMain>(world->services(), windows);
        gFName = dir->filePath("log.csv");
        apply();
    }
    // The variables the test set, handed to the window as its settings.
    void apply() { w->session().setSettings(settingsFromGlobals()); }
    void cleanup()
    {
        w.reset();
        world.reset();
    }

    void startChecksInOrder()
    {
        // Empty name first, whether or not the link runs; then the settings command.
        gFName.clear();
        apply();
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
        apply();
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(world->messageBox.shown[1].text, logging::kNoColumnsText);
        QCOMPARE(optionsOpened, 2);
        world->messageBox.shown.removeLast();
        gFOut = 31;
        apply();

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
        QCOMPARE(w->StatusText(1), texts::fileRunning());
        QVERIFY(!w->menuItem("mnuFileOpen")->isEnabled());
        // Already running (reachable only by calling the handler): nothing, no new file.
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(files().size(), 1);
    }

    void startFailureShowsTheFileBox_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("failAt");
        QTest::newRow("upper case extension") << "log.CSV" << -1;
        QTest::newRow("header refused") << "log.csv" << 1;
    }
    void startFailureShowsTheFileBox()
    {
        QFETCH(QString, name);
        QFETCH(int, failAt);
        failing.failAt = failAt;
        gFName = dir->filePath(name);
        apply();
        connectLink();
        w->mnuFileOpen_Click();
        w->flushLog(); // a header fails on the writer's thread
        QCOMPARE(world->messageBox.shown.size(), 1);
        const fakes::Box box = world->messageBox.shown[0];
        QCOMPARE(box.title, QStringLiteral("ﾌｧｲﾙ警告"));
        QCOMPARE(box.icon, Icon::Exclamation);
        QVERIFY(!box.text.isEmpty());
        QVERIFY(!w->logOpen());
        QCOMPARE(files(), QStringList());
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        QVERIFY(w->menuItem("mnuFileOpen")->isEnabled());
    }

    void readOnlyFolderFails()
    {
#ifdef Q_OS_WIN
        QSKIP("a read-only folder attribute does not keep files out on Windows");
#else
        if (geteuid() == 0)
            QSKIP("running as root, which writes into read-only folders");
#endif
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner);
        connectLink();
        w->mnuFileOpen_Click();
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(world->messageBox.shown.size(), 1);
        QVERIFY(
            world->messageBox.shown[0].text.startsWith(QStringLiteral("ｱｸｾｽが拒否されました。")));
        QVERIFY(!w->logOpen());
    }

    void writeFailureStopsOutputWithOneMessage()
    {
        gFTime = 1;
        apply();
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
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        QVERIFY(w->menuItem("mnuFileOpen")->isEnabled());
        QCOMPARE(readAll(w->logFileName()).count("\r\n"), 3);
        QCOMPARE(failing.writes, 4);
    }

    void stopWhileStoppedIsHarmless()
    {
        w->mnuFileClose_Click();
        QCOMPARE(w->StatusText(1), texts::fileStopped());
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
        QCOMPARE(world->settings.values.value("Settings/fName"), dir->filePath("log.csv"));
    }
};

QTEST_MAIN(TstFileOutput)
#include "tst_file_output.moc"
