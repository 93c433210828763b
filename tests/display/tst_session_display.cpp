// What the window's status bar and alerts show for the session's reports, seen as a
// person sees them: the panels' texts and tool tips, the status message, the boxes and
// the desktop notifications.
#include "display/main_status_bar.h"
#include "display/reading_panel.h"
#include "display/session_alerts.h"
#include "display/status_texts.h"
#include "fakes.h"
#include "session/session.h"

#include <QLabel>
#include <QMainWindow>
#include <QtTest>

using session::Session;
using session::StartResult;

class TstSessionDisplay : public QObject
{
    Q_OBJECT

    fakes::SerialPort port;
    fakes::Clock clock;
    fakes::MessageBox boxes;
    fakes::Notifier notifier;
    std::unique_ptr<Session> s;
    std::unique_ptr<QMainWindow> window;
    display::MainStatusBar *bar = nullptr;
    display::SessionAlerts *alerts = nullptr;

    QLabel *panel(const QString &name) const { return bar->findChild<QLabel *>(name); }

private slots:
    // The strip shown before its area had its size (a box at the start, an unreadable
    // state file) follows the area to its bottom edge, never left over the toolbar.
    void theSiteStripFollowsItsArea()
    {
        display::ReadingPanel panel;
        panel.setVisible(true);
        panel.resize(400, 10);
        panel.placeStrips(true);
        session::Snapshot s;
        s.site.on = true;
        s.site.latched = true;
        s.site.stateUnreadable = true;
        panel.show(s, 10, 0);
        panel.resize(400, 300);
        QCOMPARE(panel.siteStrip()->geometry(),
                 QRect(0, 300 - panel.siteStripPx(), 400, panel.siteStripPx()));
    }

    void init()
    {
        boxes.shown.clear();
        notifier.shown.clear();
        s = std::make_unique<Session>(session::Services{&port, &clock});
        window = std::make_unique<QMainWindow>();
        bar = new display::MainStatusBar(&clock, window.get());
        window->setStatusBar(bar);
        bar->follow(*s);
        alerts = new display::SessionAlerts(*s, &notifier, nullptr, &boxes, window.get());
    }
    void cleanup()
    {
        window.reset();
        s.reset();
    }

    void panelsFollowTheSession_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tip");
        QTest::newRow("live") << "live"
                              << "sbPanel2" << texts::linkLive() << "";
        QTest::newRow("the blink's dark half") << "blink off"
                                               << "sbPanel2"
                                               << ""
                                               << "";
        QTest::newRow("reconnecting") << "reconnecting"
                                      << "sbPanel2" << texts::linkReconnecting() << "";
        QTest::newRow("stopped") << "stopped"
                                 << "sbPanel2" << texts::linkStopped() << "";
        QTest::newRow("file started") << "file started"
                                      << "sbPanel1" << texts::fileRunning() << "";
        QTest::newRow("file stopped") << "file stopped"
                                      << "sbPanel1" << texts::fileStopped() << "";
        QTest::newRow("the port failed while open") << "port failed"
                                                    << "sbPanel2"
                                                    << ""
                                                    << "/dev/ttyUSB0: device gone";
        QTest::newRow("an output's line: an icon in the panel, the line in the tip")
            << "output"
            << "sbPanelOutputs"
            << ""
            << "MQTT: connected, 127.0.0.1:1883";
    }
    void panelsFollowTheSession()
    {
        QFETCH(QString, report);
        QFETCH(QString, panel);
        QFETCH(QString, text);
        QFETCH(QString, tip);
        bar->setText(2, QStringLiteral("before"));
        if (report == "live")
            emit s->linkStateChanged(meterlink::LinkState::Live);
        else if (report == "blink off")
            emit s->blink(false);
        else if (report == "reconnecting")
            emit s->linkStateChanged(meterlink::LinkState::Reconnecting);
        else if (report == "stopped")
            emit s->linkStateChanged(meterlink::LinkState::Stopped);
        else if (report == "file started")
            emit s->fileStarted(QStringLiteral("/tmp/wind.csv"));
        else if (report == "file stopped")
            emit s->fileStopped();
        else if (report == "port failed")
            emit s->portFailed(QStringLiteral("/dev/ttyUSB0: device gone"));
        else
            emit s->outputStatus(QStringLiteral("Mqtt"),
                                 QStringLiteral("MQTT: connected, 127.0.0.1:1883"));
        QLabel *shown = this->panel(panel);
        QVERIFY(shown);
        if (report != "port failed")
            QCOMPARE(shown->text(), text);
        QCOMPARE(shown->toolTip(), tip);
        QVERIFY(boxes.shown.isEmpty());
    }

    // A disk that takes no row for a minute: said in the file panel's tool tip, the status
    // message and one notification; cleared when the rows get through.
    void aStalledDiskIsSaidAndCleared()
    {
        emit s->stalled(12);
        const QString said = texts::diskStalled(12);
        QVERIFY(said.contains(QStringLiteral("12 行")));
        QCOMPARE(panel("sbPanel1")->toolTip(), said);
        QCOMPARE(bar->currentMessage(), said);
        QCOMPARE(notifier.shown, QStringList{texts::programTitle() + ": " + said});
        emit s->stallEnded();
        QCOMPARE(panel("sbPanel1")->toolTip(), QString());
        QCOMPARE(bar->currentMessage(), QString());
        QCOMPARE(notifier.shown.size(), 1);
    }

    // File output that cannot start or was stopped, and a port that cannot be opened:
    // one box each, and the settings opened where they mend it.
    void oneBoxEach_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("critical");
        QTest::addColumn<bool>("settings");
        const QString output = QString::fromUtf8("ﾌｧｲﾙ出力警告");
        const QString file = QString::fromUtf8("ﾌｧｲﾙ警告");
        QTest::newRow("no file name")
            << "no name" << output << QString::fromUtf8("出力ﾌｧｲﾙ名が指定されていません。") << false
            << true;
        QTest::newRow("a bad file name") << "bad name" << output << "the error" << false << true;
        QTest::newRow("no columns") << "no columns" << output << "the error" << false << true;
        QTest::newRow("not connected")
            << "not connected" << output
            << QString::fromUtf8("QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。") << false
            << false;
        QTest::newRow("the file cannot be made")
            << "failed" << file << "the error" << false << false;
        QTest::newRow("a write failed")
            << "write failed" << file
            << QString::fromUtf8("ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。\n"
                                 "No space left on device\n/data/wind.csv")
            << false << false;
        QTest::newRow("a port this user may not open")
            << "port" << QString::fromUtf8("ﾎﾟｰﾄのｵｰﾌﾟﾝ")
            << QString::fromUtf8("このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。\n\n"
                                 "/dev/ttyUSB0: Permission denied\n"
                                 "ｼﾘｱﾙﾎﾟｰﾄを使うには、このﾕｰｻﾞｰを dialout ｸﾞﾙｰﾌﾟに加えてください"
                                 "（sudo usermod -aG dialout $USER の後、ﾛｸﾞｲﾝし直します）。")
            << true << false;
    }
    void oneBoxEach()
    {
        QFETCH(QString, report);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QFETCH(bool, critical);
        QFETCH(bool, settings);
        QSignalSpy settingsNeeded(alerts, &display::SessionAlerts::settingsNeeded);
        const QString error = QStringLiteral("the error");
        if (report == "no name")
            emit s->fileStartFailed(StartResult::NoFileName, {});
        else if (report == "bad name")
            emit s->fileStartFailed(StartResult::BadFileName, error);
        else if (report == "no columns")
            emit s->fileStartFailed(StartResult::NoColumns, error);
        else if (report == "not connected")
            emit s->fileStartFailed(StartResult::NotConnected, {});
        else if (report == "failed")
            emit s->fileStartFailed(StartResult::Failed, error);
        else if (report == "write failed")
            emit s->writeFailed(QStringLiteral("No space left on device"),
                                QStringLiteral("/data/wind.csv"), true);
        else
            alerts->portFailed(
                {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("Permission denied"), true});
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown[0].title, title);
        QCOMPARE(boxes.shown[0].text, text);
        QCOMPARE(boxes.shown[0].icon, critical ? platform::MessageBox::Icon::Critical
                                               : platform::MessageBox::Icon::Exclamation);
        QCOMPARE(boxes.shown[0].buttons, platform::MessageBox::Buttons::Ok);
        QCOMPARE(settingsNeeded.size(), settings ? 1 : 0);
    }
};

QTEST_MAIN(TstSessionDisplay)
#include "tst_session_display.moc"
