// The window and the logger without windows given the same scripted meter: the same CSV
// bytes and the same sequence of snapshots, because both drive the one session.
#include "app/headless.h"
#include "base/globals.h"
#include "display/frm_main.h"
#include "fakes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString describe(const session::Snapshot &s)
{
    return QStringLiteral("%1|%2,%3|%4|%5|%6|%7")
        .arg(meterlink::formatTenths(s.tenths[0]))
        .arg(s.levels[0])
        .arg(s.levels[1])
        .arg(meterlink::linkStateName(s.link))
        .arg(s.receiving)
        .arg(s.rejected)
        .arg(s.frameSecond);
}

// One host's world: its own fakes, the settings of a logger that reconnects and writes a
// row a second to a folder of its own.
struct Host {
    fakes::World world;
    QTemporaryDir dir;
    QStringList snapshots;
    Host()
    {
        world.settings.values = {{"Settings/fName", dir.filePath("wind.csv")},
                                 {"Settings/fTime", "1"},
                                 {"Settings/Reconnect", "1"}};
    }
    void record(session::Session &s)
    {
        QObject::connect(&s, &session::Session::snapshotChanged,
                         [this](const session::Snapshot &v) { snapshots << describe(v); });
    }
    QByteArray csv() const
    {
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (files.size() != 1)
            return "files: " + files.join(' ').toUtf8();
        QFile f(dir.filePath(files[0]));
        return f.open(QIODevice::ReadOnly) ? files[0].toUtf8() + '\n' + f.readAll() : QByteArray();
    }
};
} // namespace

class TstHosts : public QObject
{
    Q_OBJECT
private slots:
    void bothHostsDecideAlike()
    {
        basSubMain::resetGlobals();
        Host gui, cli;
        frmMain window(gui.world.services());
        gui.record(window.session());
        headless::Services services{&cli.world.settings, &cli.world.port, &cli.world.timer,
                                    &cli.world.clock,    cli.world.file,  {}};
        headless::Logger logger(services, [](const QString &) {});
        cli.record(logger.session());

        window.setStartOptions(true, true);
        logger.start();
        QCOMPARE(gui.world.port.sent, QByteArray("D\r"));
        QCOMPARE(cli.world.port.sent, QByteArray("D\r"));
        // The script: frames with a rising alarm, garbage, silence long enough to lose
        // the link and reconnect, frames again.
        auto step = [&](const QByteArray &bytes) {
            for (Host *h : {&gui, &cli}) {
                h->world.clock.current = h->world.clock.current.addMSecs(100);
                if (!bytes.isEmpty())
                    h->world.port.receive(bytes);
                h->world.timer.fire();
            }
        };
        for (int i = 0; i < 40; ++i)
            step(i < 20 ? "\x02"
                          "0123,0456,0789,0012,0,0\r"
                        : "\x02"
                          "0150,0456,0789,0012,1,0\r");
        step("\x02"
             "01x3,\r\xff\r");
        for (int i = 0; i < 60; ++i)
            step({});
        for (int i = 0; i < 30; ++i)
            step("\x02"
                 "0090,0456,0789,0012,0,2\r");
        window.flushLog();
        logger.session().flush(5000);

        QVERIFY(gui.snapshots.size() > 5);
        // The logger resets at its start; the window did at its construction, before the
        // test listened.
        QCOMPARE(cli.snapshots.takeFirst(), QStringLiteral("0.0|0,0|stopped|0|0|0"));
        QCOMPARE(gui.snapshots, cli.snapshots);
        const QByteArray csv = gui.csv();
        QVERIFY2(csv.count("\r\n") > 10, csv.constData());
        QVERIFY(csv.contains(",,,"));   // gap rows while reconnecting
        QVERIFY(csv.contains(",9.0,")); // and the readings after
        QCOMPARE(csv, cli.csv());
        // The logger's end tells the meter to stop sending, as the window's disconnect does.
        logger.end();
        QCOMPARE(cli.world.port.sent, QByteArray("D\rD\rJ\r"));
        window.mnuFileStop_Click();
        QCOMPARE(gui.world.port.sent, QByteArray("D\rD\rJ\r"));
    }
};

QTEST_MAIN(TstHosts)
#include "tst_hosts.moc"
