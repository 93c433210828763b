// The real program, started under Xvfb and driven by its function keys, with the test
// playing the meter on a pseudo-terminal.
#include "logging/csv_format.h"
#include "pty_meter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <random>
#include <unistd.h>

class TstProgram : public QObject
{
    Q_OBJECT
    QProcess xvfb;
    QString display;
    std::unique_ptr<QTemporaryDir> home;
    meter::PtyMeter meter;
    QProcess app;

    QString ini() const { return home->filePath("QV475_XP/QV475_XP.ini"); }
    QStringList withoutVariables; // left out of the program's environment
    QString logDir() const { return home->filePath("logs"); }

    QString lastXdoError; // what the last xdotool run printed on its error channel
    bool xdo(const QStringList &args, QString *out = nullptr, int timeoutMs = 10000)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        p.setProcessEnvironment(env);
        p.start("xdotool", args);
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished(1000);
            return false;
        }
        if (out)
            *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
        lastXdoError = QString::fromUtf8(p.readAllStandardError()).trimmed();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    // The first window whose title matches now, or an empty string.
    QString firstWindow(const QString &title)
    {
        QString ids;
        if (xdo({"search", "--name", title}, &ids, 5000) && !ids.isEmpty())
            return ids.split('\n').first();
        return {};
    }
    // The same, waiting for it. xdotool's own search (and its --sync) ends with BadWindow
    // when any window is destroyed while it looks at the window list, as the web engine's
    // helper windows are; each search is therefore short and repeated until the deadline.
    QString findWindow(const QString &title, int timeoutMs = 10000)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            const QString id = firstWindow(title);
            if (!id.isEmpty() || t.elapsed() >= timeoutMs)
                return id;
            QTest::qWait(100);
        }
    }
    // Keys go to the program's main window, which is given the input focus first.
    bool key(const QString &keys)
    {
        const QString win = findWindow(QStringLiteral("QV-475"));
        if (win.isEmpty())
            return false;
        return xdo({"windowfocus", "--sync", win}) && xdo({"key", "--delay", "50", keys});
    }
    QString meterLink() const { return home->filePath("meter"); }
    // COM1 names a symbolic link to the meter's device, so that a new meter can take the
    // place of one that was unplugged.
    void pointLinkAtMeter()
    {
        QFile::remove(meterLink());
        QVERIFY(QFile::link(QString::fromStdString(meter.devicePath()), meterLink()));
    }
    void startProgram(const QByteArray &settings, bool raw = false, const QStringList &args = {})
    {
        QVERIFY(QDir().mkpath(home->filePath("QV475_XP")));
        QVERIFY(QDir().mkpath(logDir()));
        pointLinkAtMeter();
        if (!QFileInfo(ini()).isDir()) {
            QFile f(ini());
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(raw ? settings : "[Ports]\nCOM1=" + meterLink().toUtf8() + "\n" + settings);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : withoutVariables)
            env.remove(name);
        env.insert("DISPLAY", display);
        env.insert("XDG_CONFIG_HOME", home->path());
        env.insert("QT_QPA_PLATFORM", "xcb");
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(QV475_EXE), args);
        QVERIFY(app.waitForStarted());
        QVERIFY(!findWindow(QStringLiteral("QV-475")).isEmpty());
    }
    // What a failed wait for a window needs for its diagnosis: is the program still there,
    // where is its main thread, which windows exist.
    QString describeProgram()
    {
        QString text = QStringLiteral("program %1")
                           .arg(app.state() == QProcess::Running ? "running" : "ended");
        QFile wchan(QStringLiteral("/proc/%1/wchan").arg(app.processId()));
        if (wchan.open(QIODevice::ReadOnly))
            text += QStringLiteral(", main thread waits in ") + QString::fromUtf8(wchan.readAll());
        if (app.state() == QProcess::Running && !QStandardPaths::findExecutable("gdb").isEmpty()) {
            QProcess gdb;
            gdb.start("gdb", {"-batch", "-p", QString::number(app.processId()), "-ex", "bt 40"});
            if (gdb.waitForFinished(60000))
                text += QStringLiteral("\nmain thread:\n") +
                        QString::fromUtf8(gdb.readAllStandardOutput()).trimmed();
        }
        QString ids;
        xdo({"search", "--onlyvisible", "--name", "."}, &ids, 5000);
        for (const QString &id : ids.split('\n', Qt::SkipEmptyParts)) {
            QString name;
            xdo({"getwindowname", id}, &name, 5000);
            text += QStringLiteral("\n  window %1: %2").arg(id, name);
        }
        return text;
    }
    qint64 rssKb()
    {
        QFile f(QStringLiteral("/proc/%1/status").arg(app.processId()));
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        for (const QByteArray &line : f.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        return -1;
    }
    // Whether the program holds a file of the log folder open.
    bool logFileOpen()
    {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(app.processId()));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::Files | QDir::System))
            if (fd.symLinkTarget().startsWith(logDir()))
                return true;
        return false;
    }
    bool windowShown(const QString &title) { return !firstWindow(title).isEmpty(); }
    // True only when a search ran through and found no visible window of this title
    // (a search cut short by an X error proves nothing).
    bool windowGone(const QString &title)
    {
        QString out;
        const bool found = xdo({"search", "--onlyvisible", "--name", title}, &out);
        return !found && out.isEmpty() && !lastXdoError.contains("X Error");
    }
    // Exits through the menu and answers Yes to the confirmation.
    // Presses Return in the box with this title; again, after giving it the focus, when
    // the first press went elsewhere (a box that is shown but not yet focused).
    void answerBox(const QString &title)
    {
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(title), 30000);
        QVERIFY(xdo({"key", "Return"}));
        for (int attempt = 0; attempt < 2; ++attempt) {
            QTest::qWait(1000);
            if (windowGone(title))
                return;
            const QString id = findWindow(title, 1000);
            if (id.isEmpty())
                continue;
            xdo({"windowactivate", "--sync", id});
            QVERIFY(xdo({"key", "Return"}));
        }
    }
    void exitProgram(bool expectSaveError = false)
    {
        QVERIFY(key("alt+f"));
        QVERIFY(key("x"));
        answerBox(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの終了"));
        if (expectSaveError)
            answerBox(QStringLiteral("QV475_XP"));
        // waitForFinished() is false for a process that has finished already.
        if (app.state() != QProcess::NotRunning)
            QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
    }
    // The meter sends a frame of the given value every 100 ms for ms milliseconds.
    void sendFramesFor(int ms, int value)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            meter.write(meter::makeFrame({value, value, value, value, 0, 0}));
            QTest::qWait(100);
        }
    }
    // F5 connects: the meter receives exactly "D" + CR.
    void connectMeter()
    {
        QVERIFY(key("F5"));
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 5000)), QByteArray("D\r"));
    }
    // The signals (0: none) end the program with code 0, and the settings file was
    // saved (fOut was not in it) keeping the given line.
    void endsBySignalAndSaves(QList<int> sent, const QByteArray &kept)
    {
        for (int sig : sent)
            if (sig)
                QCOMPARE(::kill(pid_t(app.processId()), sig), 0);
        QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY2(saved.contains("fOut=31") && saved.contains(kept), saved.constData());
    }
    QStringList csvLines()
    {
        const QStringList files = QDir(logDir()).entryList({"*.csv"}, QDir::Files);
        if (files.size() != 1)
            return {};
        QFile f(logDir() + "/" + files.first());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = f.readAll();
        QStringDecoder dec("windows-31j");
        QString text = dec(bytes);
        QStringList lines = text.split("\r\n");
        return lines;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("Xvfb and xdotool are needed to drive the program (scripts/install-deps.sh)");
        for (int n = 90 + QCoreApplication::applicationPid() % 50; n < 200; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            display = QStringLiteral(":%1").arg(n);
            // -noreset: by default the server resets when its last client leaves, and a
            // client that connects during the reset is refused (the program would fail
            // to start when a window search ends at the same moment).
            xvfb.start("Xvfb",
                       {display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"});
            QVERIFY(xvfb.waitForStarted());
            QElapsedTimer t;
            t.start();
            while (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                   t.elapsed() < 5000)
                QTest::qWait(50);
            if (xvfb.state() == QProcess::Running)
                return;
        }
        QFAIL("no display for Xvfb");
    }
    void cleanupTestCase()
    {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(meter.open());
    }
    void cleanup()
    {
        if (app.state() != QProcess::NotRunning) {
            app.kill();
            app.waitForFinished(3000);
        }
        meter.close();
    }

    void connectLogSilenceAndExit()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();

        // Frames at 10 a second with rising values; output starts after the first one.
        QElapsedTimer t;
        t.start();
        int value = 0;
        bool started = false;
        while (t.elapsed() < 4500) {
            meter.write(meter::makeFrame({++value, value, value, value, 0, 0}));
            if (!started && t.elapsed() > 500)
                started = key("F2");
            QTest::qWait(100);
        }
        QVERIFY(started);
        const QStringList during = csvLines();
        // The meter falls silent: the link stops within about 2.1 s and output with it.
        QTest::qWait(2600);
        const QStringList after = csvLines();
        QVERIFY2(after.size() >= 5, qPrintable(after.join('|')));
        QCOMPARE(after.first(),
                 QStringLiteral("年月日,時刻,瞬間風速,瞬間最大風速,平均風速,平均最大風速"));
        QCOMPARE(after.last(), QString()); // ends in CR LF
        double last = 0;
        for (const QString &row : after.mid(1, after.size() - 2)) {
            const QStringList f = row.split(',');
            QCOMPARE(f.size(), 6);
            const double v = f[2].toDouble();
            QVERIFY(v >= last);
            QCOMPARE(f[3], f[2]);
            last = v;
        }
        // At most one row came after the last frame (the silent seconds before the stop
        // repeat the last value), and none after the stop.
        QTest::qWait(1500);
        QCOMPARE(csvLines(), after);
        QVERIFY(after.size() - during.size() <= 3);

        // The program takes a new connect, then exits through the menu and saves.
        connectMeter();
        QVERIFY(key("alt+f"));
        QVERIFY(key("x"));
        answerBox(QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの終了")); // Yes, the default of the confirmation
        if (app.state() != QProcess::NotRunning)
            QVERIFY(app.waitForFinished(30000));
        QCOMPARE(app.exitCode(), 0);
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY2(saved.contains("fTime=1") && saved.contains("Port=1") && saved.contains("fOut=31"),
                 saved.constData());
    }

    void terminationSignalsEndCleanly_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<int>("then"); // a second signal at once, 0 for none
        QTest::newRow("SIGTERM") << int(SIGTERM) << 0;
        QTest::newRow("SIGINT") << int(SIGINT) << 0;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 0;
        // A logout sends SIGHUP right after SIGTERM.
        QTest::newRow("SIGTERM then SIGHUP") << int(SIGTERM) << int(SIGHUP);
        QTest::newRow("SIGHUP then SIGTERM") << int(SIGHUP) << int(SIGTERM);
    }
    void terminationSignalsEndCleanly()
    {
        QFETCH(int, sig);
        QFETCH(int, then);
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();
        sendFramesFor(600, 77);
        QVERIFY(key("F2"));
        sendFramesFor(2500, 77);
        QVERIFY(logFileOpen());
        // Frames keep coming while the signal arrives.
        meter.write(meter::makeFrame({77, 77, 77, 77, 0, 0}));
        // The settings were saved (the file had only two of the keys), and the log ends
        // in a whole row.
        endsBySignalAndSaves({sig, then}, "Port=1");
        const QStringList lines = csvLines();
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines.last(), QString());
        QVERIFY(lines[lines.size() - 2].endsWith(",7.7"));
    }

    void signalWhileTheStartUpBoxIsOpen()
    {
        // --log with no meter and reconnecting off: the port's box waits for a person.
        startProgram("[Ports]\nCOM1=/nonexistent/ttyUSB0\n[Settings]\nfName=" + logDir().toUtf8() +
                         "/wind.csv\n",
                     true, {"--log"});
        QVERIFY2(!findWindow(QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ")).isEmpty(),
                 qPrintable(describeProgram()));
        endsBySignalAndSaves({SIGTERM}, "COM1=/nonexistent/ttyUSB0");
    }

    void optionsWithoutDisplay_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("expect"); // in what the program printed
        QTest::newRow("--version") << "--version" << 0 << "1.0.4";
        QTest::newRow("--help") << "--help" << 0 << "--connect";
        QTest::newRow("unknown: the usage") << "--no-such-option" << 1 << "--headless";
    }
    void optionsWithoutDisplay()
    {
        QFETCH(QString, option);
        QFETCH(int, code);
        QFETCH(QString, expect);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        env.remove("QT_QPA_PLATFORM");
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QV475_EXE), {option});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), code);
        const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QVERIFY2(out.contains(expect), qPrintable(out));
    }

    void logOptionLogsWithoutAHand()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n", false,
                     {"--log"});
        // The program connects by itself...
        QCOMPARE(QByteArray::fromStdString(meter.readAtLeast(2, 5000)), QByteArray("D\r"));
        // ...and starts its file at the first frame.
        sendFramesFor(3500, 55);
        const QStringList lines = csvLines();
        QVERIFY2(lines.size() >= 4, qPrintable(lines.join('|')));
        QVERIFY(lines[lines.size() - 2].endsWith(",5.5"));
    }

    void meterUnpluggedMidLog()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();
        meter.write(meter::makeFrame({70, 70, 70, 70, 0, 0}));
        QTest::qWait(200);
        QVERIFY(key("F2"));
        sendFramesFor(2500, 70);
        QVERIFY(logFileOpen());
        const QStringList before = csvLines();
        meter.close(); // the cable is pulled while frames flow and rows are written
        QElapsedTimer t;
        t.start();
        QTRY_VERIFY_WITH_TIMEOUT(!logFileOpen(), 4000);
        QVERIFY2(t.elapsed() <= 2400, qPrintable(QString::number(t.elapsed())));
        const QStringList after = csvLines();
        QCOMPARE(after.mid(0, before.size() - 1), before.mid(0, before.size() - 1));
        QCOMPARE(after.last(), QString());
        for (const QString &row : after.mid(1, after.size() - 2))
            QVERIFY(row.endsWith(",7.0,7.0,7.0,7.0"));
        // A meter plugged in again is taken by a new connect.
        QVERIFY(meter.open());
        pointLinkAtMeter();
        connectMeter();
        exitProgram();
    }

    void noiseAtFullLineRate()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();
        meter.write(meter::makeFrame({1, 1, 1, 1, 0, 0}));
        QTest::qWait(200);
        QVERIFY(key("F2"));
        QTest::qWait(300);
        const qint64 rssBefore = rssKb();
        // 38,400 baud carries 3,840 bytes a second: 384 every 100 ms, frames among noise.
        std::mt19937 rng(38400);
        std::uniform_int_distribution<int> byte(0, 255);
        QElapsedTimer t;
        t.start();
        int n = 0;
        while (t.elapsed() < 6000) {
            std::string chunk;
            while (chunk.size() < 360)
                chunk += char(byte(rng));
            chunk += meter::makeFrame({777, 777, 777, 777, 0, 0});
            meter.write(chunk);
            ++n;
            QTest::qWait(100);
        }
        const qint64 rssAfter = rssKb();
#ifndef __SANITIZE_ADDRESS__
        // (Under AddressSanitizer freed memory is held in quarantine, so the resident
        // size grows with any allocation; memory is judged in the normal build.)
        QVERIFY2(rssAfter - rssBefore < 2048,
                 qPrintable(QStringLiteral("%1 kB -> %2 kB").arg(rssBefore).arg(rssAfter)));
#else
        Q_UNUSED(rssBefore);
        Q_UNUSED(rssAfter);
#endif
        // The valid frames were decoded: rows late in the run carry their values.
        const QStringList lines = csvLines();
        QVERIFY(lines.size() >= 6);
        int decoded = 0;
        for (const QString &row : lines.mid(lines.size() - 4, 3))
            decoded += row.endsWith(",77.7,77.7,77.7,77.7");
        QVERIFY2(decoded >= 2, qPrintable(lines.join('|')));
        exitProgram();
    }

    void logFileDeletedMidLog()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();
        QVERIFY(key("F2"));
        QElapsedTimer t;
        t.start();
        bool removed = false;
        while (t.elapsed() < 4000) {
            meter.write(meter::makeFrame({50, 50, 50, 50, 0, 0}));
            if (!removed && t.elapsed() > 1500) {
                const QStringList files = QDir(logDir()).entryList({"*.csv"}, QDir::Files);
                QCOMPARE(files.size(), 1);
                removed = QFile::remove(logDir() + "/" + files.first());
            }
            QTest::qWait(100);
        }
        QVERIFY(removed);
        // One clear message; output stops, the program goes on.
        QTRY_VERIFY_WITH_TIMEOUT(windowShown(QStringLiteral("ﾌｧｲﾙ警告")), 30000);
        QVERIFY(!logFileOpen());
        answerBox(QStringLiteral("ﾌｧｲﾙ警告"));
        QTRY_VERIFY_WITH_TIMEOUT(windowGone(QStringLiteral("ﾌｧｲﾙ警告")), 30000);
        QCOMPARE(app.state(), QProcess::Running);
        // Output starts again into a new file.
        meter.write(meter::makeFrame({50, 50, 50, 50, 0, 0}));
        QVERIFY(key("F2"));
        QTRY_VERIFY_WITH_TIMEOUT(logFileOpen(), 30000);
        exitProgram();
    }

    void damagedSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("directory");
        QTest::addColumn<bool>("kept"); // not read cleanly: kept as .bak, and a box says so
        QTest::newRow("garbage") << QByteArray("\x00\x01[[[Settings\n=\n\xff\xfe==", 17) << false
                                 << true;
        QTest::newRow("huge values")
            << QByteArray("[Settings]\nPort=99999999999\nfOut=70000\nfTime=-99999999\nComSt=") +
                   QByteArray(100000, '9') + "\n"
            << false << false;
        // Only other groups (as a file of only [Ports] is): a clean file, kept as it is.
        QTest::newRow("no settings group") << QByteArray("[Other]\nx=1\n") << false << false;
        QTest::newRow("unwritable (a folder in its place)") << QByteArray() << true << false;
    }
    void damagedSettingsFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, directory);
        QFETCH(bool, kept);
        if (directory)
            QVERIFY(QDir().mkpath(ini()));
        startProgram(content, true);
        QTest::qWait(300);
        QCOMPARE(app.state(), QProcess::Running);
        exitProgram(directory || kept);
        if (directory)
            return;
        QFile f(ini());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray saved = f.readAll();
        QVERIFY2(saved.contains("Port=1") && saved.contains("fOut=31") &&
                     saved.contains("fTime=600"),
                 saved.left(300).constData());
        QFile bak(ini() + ".bak");
        QCOMPARE(bak.exists(), kept);
        if (kept) {
            QVERIFY(bak.open(QIODevice::ReadOnly));
            QCOMPARE(bak.readAll(), content);
        }
    }

    // The inquiry window opens, and the program's windows stay, also as root without the
    // sandbox's variable (the engine's helper refuses to start as root with its sandbox).
    void webEngineLoadsOnlyWithTheInquiryWindow_data()
    {
        QTest::addColumn<bool>("withoutSandboxVariable");
        QTest::newRow("as set up") << false;
        QTest::newRow("as root without the sandbox's variable") << true;
    }
    void webEngineLoadsOnlyWithTheInquiryWindow()
    {
        QFETCH(bool, withoutSandboxVariable);
        if (withoutSandboxVariable && ::geteuid() != 0)
            QSKIP("needs root");
        if (withoutSandboxVariable)
            withoutVariables = {QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX")};
        startProgram("");
        withoutVariables.clear();
        auto engineMapped = [this] {
            QFile maps(QStringLiteral("/proc/%1/maps").arg(app.processId()));
            return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
        };
        QTest::qWait(300);
        QVERIFY(!engineMapped());
        QVERIFY(key("alt+h"));
        QVERIFY(key("w"));
        // The engine's first start can be slow on a loaded machine.
        QTRY_VERIFY_WITH_TIMEOUT(engineMapped(), 30000);
        const bool shown = !findWindow(QStringLiteral("問い合わせ"), 60000).isEmpty();
        if (!shown)
            qWarning().noquote() << "inquiry window not found; xdotool said:" << lastXdoError << ";"
                                 << describeProgram();
        QVERIFY(shown);
        QVERIFY(!findWindow(QStringLiteral("QV-475")).isEmpty());
        QCOMPARE(app.state(), QProcess::Running);
    }

    void killedProgramKeepsEveryRow()
    {
        startProgram("[Settings]\nfName=" + logDir().toUtf8() + "/wind.csv\nfTime=1\n");
        connectMeter();
        meter.write(meter::makeFrame({42, 42, 42, 42, 0, 0}));
        QTest::qWait(200);
        QVERIFY(key("F2"));
        sendFramesFor(3300, 42);
        const QDateTime killedAt = QDateTime::currentDateTime();
        ::kill(pid_t(app.processId()), SIGKILL);
        QVERIFY(app.waitForFinished(30000));
        const QStringList lines = csvLines();
        // Header, one row per second that passed (3 or 4), the empty tail after CR LF.
        QVERIFY2(lines.size() >= 5, qPrintable(lines.join('|')));
        QCOMPARE(lines.last(), QString());
        const QString lastRow = lines[lines.size() - 2];
        QVERIFY(lastRow.endsWith(",4.2,4.2,4.2,4.2"));
        const QTime lastTime = QTime::fromString(lastRow.split(',')[1], "H:mm:ss");
        QVERIFY(lastTime.isValid());
        QVERIFY(qAbs(lastTime.secsTo(killedAt.time())) <= 1);
    }
};

QTEST_GUILESS_MAIN(TstProgram)
#include "tst_program.moc"
