// The main window driven through its commands with a fake port, timer, clock and boxes.
#include "base/geometry.h"
#include "base/globals.h"
#include "display/dlg_inspection.h"
#include "display/frm_main.h"
#include "display/status_texts.h"
#include "fakes.h"
#include "platform/state_file.h"
#include "settings_dialog/frm_options.h"
#include "settings_globals.h"
#include "strip_picture.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <random>

using namespace Qt::StringLiterals;

using namespace basSubMain;
using Icon = platform::MessageBox::Icon;
using Buttons = platform::MessageBox::Buttons;
using Answer = platform::MessageBox::Answer;

namespace {
QByteArray frame(const char *a, const char *b, const char *c, const char *d, char f1, char f2)
{
    return QByteArray("\x02") + a + ',' + b + ',' + c + ',' + d + ',' + f1 + ',' + f2 + '\r';
}
QRect twips(QWidget *w)
{
    return w->property("twipsGeometry").toRect();
}
// The first and last column (or row) of the area that carries ink (darker than light
// grey); {-1, -1} when there is none.
std::pair<int, int> inkSpan(const QImage &img, const QRect &area,
                            Qt::Orientation along = Qt::Horizontal)
{
    const bool cols = along == Qt::Horizontal;
    int first = -1, last = -1;
    for (int a = cols ? area.left() : area.top(); a <= (cols ? area.right() : area.bottom()); ++a)
        for (int b = cols ? area.top() : area.left(); b <= (cols ? area.bottom() : area.right());
             ++b)
            if (qGray(cols ? img.pixel(a, b) : img.pixel(b, a)) < 200) {
                if (first < 0)
                    first = a;
                last = a;
                break;
            }
    return {first, last};
}
// The ink width of the text drawn alone, unclipped, in the font.
int inkWidthOf(const QString &text, const QFont &font, const QColor &colour)
{
    const QFontMetrics fm(font);
    QImage img(fm.horizontalAdvance(text) * 2 + 40, fm.height() + 20, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(20, 10 + fm.ascent(), text);
    }
    const auto [first, last] = inkSpan(img, img.rect());
    return last - first + 1;
}
} // namespace

Q_DECLARE_METATYPE(session::SiteState)

class TstFrmMain : public QObject
{
    Q_OBJECT
    std::unique_ptr<fakes::World> world;
    std::unique_ptr<frmMain> w;
    int optionsOpened = 0;
    int historyOpened = 0;

    void make()
    {
        frmMain::Windows windows;
        windows.options = [this](QWidget *, const Settings &current) {
            ++optionsOpened;
            return current;
        };
        windows.history = [this](QWidget *) { ++historyOpened; };
        windows.registerOf = [this](QWidget *) { historyOpened += 10; };
        w = std::make_unique<frmMain>(world->services(), windows);
    }
    // The variables the test set, handed to the window as its settings.
    void apply() { w->session().setSettings(settingsFromGlobals()); }
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            world->timer.fire();
    }

private slots:
    void init()
    {
        resetGlobals();
        world = std::make_unique<fakes::World>();
        optionsOpened = 0;
        make();
    }
    void cleanup()
    {
        w.reset();
        world.reset();
    }

    void startUpState()
    {
        QCOMPARE(w->windowTitle(), QStringLiteral("QV-475簡易ソフト"));
        QCOMPARE(world->timer.interval(), 100);
        QVERIFY(world->timer.isEnabled());
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QCOMPARE(w->StatusText(3), QStringLiteral("COM1"));
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(gReadings[size_t(i)], QStringLiteral("0.0"));
            QCOMPARE(w->lblPeak(i)->text(), QStringLiteral("0.0"));
        }
        QVERIFY(w->menuItem("mnuViewMalti")->isChecked());
        QVERIFY(w->menuItem("mnuViewMin")->isChecked());
        QVERIFY(w->menuItem("mnuViewToolbar")->isChecked());
        QVERIFY(!w->menuItem("mnuViewMax")->isChecked());
        QCOMPARE(w->property("twipsWidth").toDouble(), 6780.0);
        QCOMPARE(w->property("twipsHeight").toDouble(), 5055.0);
        QCOMPARE(world->port.commPort(), 1);
        QCOMPARE(world->port.settings(), QStringLiteral("9600,n,8,1"));
        // Every command but the inspection's acknowledgement (no storm is latched).
        for (QAction *a : w->findChildren<QAction *>())
            QVERIFY2(a->isEnabled() != (a->objectName() == "mnuViewInspect"),
                     qPrintable(a->objectName()));
        QVERIFY(world->messageBox.shown.isEmpty());
    }

    void exitAsksOnceAndNoChangesNothing()
    {
        world->port.usable = {1};
        w->mnuFileCom_Click();
        QSignalSpy ended(w.get(), &frmMain::ended);
        world->messageBox.answers = {Answer::No};
        w->mnuFileExit_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        const fakes::Box box = world->messageBox.shown[0];
        QCOMPARE(box.text, QStringLiteral("プログラムを終了してもよろしいですか？"));
        QCOMPARE(box.title, QStringLiteral("ﾌﾟﾛｸﾞﾗﾑの終了"));
        QCOMPARE(box.icon, Icon::Exclamation);
        QCOMPARE(box.buttons, Buttons::YesNo);
        QCOMPARE(ended.count(), 0);
        QVERIFY(world->port.isOpen());
        QVERIFY(world->timer.isEnabled());
        QVERIFY(world->settings.values.isEmpty());
        QCOMPARE(gLinkCountdown, qint16(20));
    }

    void exitYesSavesFiveKeysAndEnds()
    {
        QSignalSpy ended(w.get(), &frmMain::ended);
        world->messageBox.answers = {Answer::Yes};
        w->show();
        QVERIFY(w->close());
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(ended.count(), 1);
        const QMap<QString, QString> expected = {{"Settings/Port", "1"},
                                                 {"Settings/ComSt", "9600,n,8,1"},
                                                 {"Settings/fName", ""},
                                                 {"Settings/fOut", "31"},
                                                 {"Settings/fTime", "600"}};
        QCOMPARE(world->settings.values, expected);
        QVERIFY(!world->timer.isEnabled());
    }

    void unwritableStoreIsReportedAtExit()
    {
        world->settings.writable = false;
        world->messageBox.answers = {Answer::Yes};
        QSignalSpy ended(w.get(), &frmMain::ended);
        w->mnuFileExit_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QVERIFY(world->messageBox.shown[1].text.contains("/fake/QV475_XP.ini"));
        QCOMPARE(ended.count(), 1);
    }

    void menuTree()
    {
        struct Item {
            const char *name;
            const char16_t *caption;
            int key;
        };
        const Item items[] = {
            {"mnuFile", u"ﾌｧｲﾙ(&F)", 0},
            {"mnuFileOpen", u"ﾌｧｲﾙ出力開始(&O)...", Qt::Key_F2},
            {"mnuFileClose", u"ﾌｧｲﾙ出力停止(&C)", 0},
            {"mnuFileCom", u"接続(&M)", Qt::Key_F5},
            {"mnuFileStop", u"切断(&P)", 0},
            {"mnuFileExit", u"終了(&X)", 0},
            {"mnuView", u"表示(&V)", 0},
            {"mnuViewToolbar", u"ﾂｰﾙ ﾊﾞｰ(&T)", 0},
            {"mnuViewOptions", u"通信設定(&S)...", 0},
            {"mnuViewMin", u"画面縮小(&N)", Qt::Key_F3},
            {"mnuViewMax", u"画面拡大(&L)", Qt::Key_F4},
            {"mnuViewMalti", u"ﾏﾙﾁ表示(&B)", Qt::Key_F6},
            {"mnuViewPeak", u"瞬間風速値表示(&K)", Qt::Key_F7},
            {"mnuViewAve", u"平均風速値表示(&E)", Qt::Key_F8},
            {"mnuHelp", u"ﾍﾙﾌﾟ(&H)", 0},
            {"mnuHelpManual", u"使い方(&M)", Qt::Key_F1},
            {"mnuHelpWeb", u"問い合わせ(&W)", 0},
            {"mnuHelpAbout", u"ﾊﾞｰｼﾞｮﾝ情報(&A)", 0},
        };
        for (const Item &it : items) {
            QAction *a = w->menuItem(it.name);
            QVERIFY2(a, it.name);
            QCOMPARE(a->text(), QString::fromUtf16(it.caption));
            QCOMPARE(a->shortcut(), it.key ? QKeySequence(it.key) : QKeySequence());
        }
        // Order within the menus, separators included.
        auto names = [](QMenu *m) {
            QStringList n;
            for (QAction *a : m->actions())
                n << a->objectName();
            return n;
        };
        QCOMPARE(names(w->menuItem("mnuFile")->menu()),
                 (QStringList{"mnuFileOpen", "mnuFileClose", "mnuFileHistory", "mnuFileRegister",
                              "mnuFileBar0", "mnuFileCom", "mnuFileStop", "mnuFileBar1",
                              "mnuFileExit"}));
        // Past logs, beside the log's own commands: it opens the history window.
        QCOMPARE(w->menuItem("mnuFileHistory")->text(), QStringLiteral("記録を開く(&R)..."));
        w->menuItem("mnuFileHistory")->trigger();
        QCOMPARE(historyOpened, 1);
        w->menuItem("mnuFileRegister")->trigger(); // the register, from the records window
        QCOMPARE(historyOpened, 11);
        QCOMPARE(names(w->menuItem("mnuView")->menu()),
                 (QStringList{"mnuViewToolbar", "mnuViewBar0", "mnuViewOptions", "mnuViewBar1",
                              "mnuViewMin", "mnuViewMax", "mnuViewBar2", "mnuViewMalti",
                              "mnuViewPeak", "mnuViewAve",
                              // The trend and the alarm sound come after the original items.
                              "mnuViewBar3", "mnuViewTrend", "mnuViewSound", "mnuViewAck",
                              "mnuViewNotifyTest", "mnuViewInspect"}));
        QCOMPARE(w->menuItem("mnuViewTrend")->text(), QStringLiteral("ﾄﾚﾝﾄﾞ表示(&G)"));
        QCOMPARE(w->menuItem("mnuViewTrend")->shortcut(), QKeySequence(Qt::Key_F9));
        QCOMPARE(w->menuItem("mnuViewSound")->text(), QStringLiteral("警報音(&A)"));
        QVERIFY(w->menuItem("mnuViewSound")->isCheckable());
        QCOMPARE(w->menuItem("mnuViewAck")->text(), QStringLiteral("警報確認(&Q)"));
        QCOMPARE(w->menuItem("mnuViewAck")->shortcut(), QKeySequence(Qt::Key_Escape));
        QCOMPARE(names(w->menuItem("mnuHelp")->menu()),
                 (QStringList{"mnuHelpManual", "mnuHelpWeb", "mnuHelpBar0", "mnuHelpAbout"}));
    }

    // 表示 → 通知テスト: without a [Notify] it says where to write one; with one, the test
    // goes out and its answer comes to the notifications' panel.
    void notifyTestFromTheMenu()
    {
        w->menuItem("mnuViewNotifyTest")->trigger();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QVERIFY(world->messageBox.shown[0].text.contains(QStringLiteral("[Notify]")));
#ifdef Q_OS_UNIX
        w.reset();
        world->settings.values[QStringLiteral("Notify/Command")] = QStringLiteral("/bin/true");
        make();
        w->menuItem("mnuViewNotifyTest")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w->findChild<QLabel *>("sbPanelOutputs") &&
                                     w->findChild<QLabel *>("sbPanelOutputs")
                                         ->toolTip()
                                         .contains(u"でﾃｽﾄを送りました"_s),
                                 10000);
        QCOMPARE(world->messageBox.shown.size(), 1);
#endif
    }

    // What the outputs say goes to one panel of fixed width after the five: the five keep
    // their texts and places however long the line, the last speaker's short name shows,
    // each one's whole last line is in the tool tip.
    void outputsNeverMoveTheFivePanels_data()
    {
        QTest::addColumn<bool>("large");
        QTest::newRow("small") << false;
        QTest::newRow("large") << true;
    }
    void outputsNeverMoveTheFivePanels()
    {
        QFETCH(bool, large);
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto panels = [this] {
            QList<std::pair<QString, QRect>> out;
            for (int i = 1; i <= 5; ++i) {
                auto *p = w->findChild<QLabel *>(QStringLiteral("sbPanel%1").arg(i));
                out.append({p->text(), p->geometry()});
            }
            return out;
        };
        const auto before = panels();
        const QString stall =
            QString(u"記録中にｼｽﾃﾑがｽﾘｰﾌﾟすることがあります: "_s) + QString(300, QLatin1Char('x'));
        emit w->session().outputStatus("Mqtt", u"MQTT: 127.0.0.1:1883 に接続しました"_s);
        emit w->session().outputStatus(
            "Mqtt", u"MQTT: 接続が切れました (the remote host closed the connection, "
                    "after a long wait for an answer that never came)、再試行します"_s);
        emit w->session().outputStatus("StayAwake", stall);
        QCoreApplication::processEvents();
        QCOMPARE(panels(), before);
        const QRect bar = w->statusBar()->rect();
        QVERIFY(bar.contains(before[4].second));
        auto *outputs = w->findChild<QLabel *>("sbPanelOutputs");
        QVERIFY(outputs && bar.contains(outputs->geometry()));
        QVERIFY(!outputs->pixmap().isNull());
        QCOMPARE(outputs->accessibleName(), u"ｽﾘｰﾌﾟ"_s);
        const QStringList tip = outputs->toolTip().split(u'\n');
        QCOMPARE(tip.size(), 2);
        QVERIFY(tip.contains(stall) && tip.join(u'\n').contains(u"、再試行します"_s));
        QCOMPARE(w->statusBar()->findChildren<QLabel *>(QRegularExpression("^sbPanel[A-Z]")).size(),
                 1);
    }

    void toolbarButtons()
    {
        const char16_t *keys[11] = {u"出力開始", u"出力停止", nullptr,      u"通信設定",
                                    u"接続",     u"切断",     nullptr,      u"縮小",
                                    u"拡大",     nullptr,     u"問い合わせ"};
        const char16_t *tips[11] = {u"ﾌｧｲﾙ出力開始", u"ﾌｧｲﾙ出力停止", nullptr,      u"通信設定",
                                    u"接続",         u"切断",         nullptr,      u"縮小表示",
                                    u"拡大表示",     nullptr,         u"問い合わせ"};
        const char *images[11] = {"Open",  "Close", nullptr, "Properties", "Com", "Stop",
                                  nullptr, "MIN",   "MAX",   nullptr,      "Web"};
        // Each button is its menu item: one enabled state, one mark, one command.
        const char *items[11] = {"mnuFileOpen", "mnuFileClose", nullptr,     "mnuViewOptions",
                                 "mnuFileCom",  "mnuFileStop",  nullptr,     "mnuViewMin",
                                 "mnuViewMax",  nullptr,        "mnuHelpWeb"};
        for (int i = 1; i <= 11; ++i) {
            QAction *b = w->toolButton(i);
            QWidget *button =
                w->toolBar()->findChild<QWidget *>(QStringLiteral("tbButton%1").arg(i));
            QVERIFY(button);
            QCOMPARE(w->toolBar()->widgetForAction(b), button);
            if (!keys[i - 1]) {
                QVERIFY(b->isSeparator());
                continue;
            }
            QCOMPARE(b, w->menuItem(items[i - 1]));
            QVERIFY(!b->isIconVisibleInMenu());
            QCOMPARE(b->data().toString(), QString::fromUtf16(keys[i - 1]));
            QCOMPARE(b->toolTip(), QString::fromUtf16(tips[i - 1]));
            QCOMPARE(b->property("imageKey").toString(), QString::fromLatin1(images[i - 1]));
            QVERIFY(!b->icon().pixmap(16, 16).isNull());
        }
    }

    void toolbarDispatch()
    {
        // Button 9 enlarges, button 8 shrinks (and shows the size: the menu's mark), button
        // 5 connects, 6 disconnects; clicked as a person clicks them.
        auto *enlarge =
            qobject_cast<QToolButton *>(w->toolBar()->widgetForAction(w->toolButton(9)));
        auto *shrink = qobject_cast<QToolButton *>(w->toolBar()->widgetForAction(w->toolButton(8)));
        QTest::mouseClick(enlarge, Qt::LeftButton);
        QVERIFY(w->menuItem("mnuViewMax")->isChecked() && enlarge->isChecked());
        QVERIFY(!shrink->isChecked());
        QCOMPARE(w->property("twipsWidth").toDouble(), 15765.0);
        QTest::mouseClick(shrink, Qt::LeftButton);
        QVERIFY(w->menuItem("mnuViewMin")->isChecked() && shrink->isChecked());
        // A second click on the size shown keeps it.
        QTest::mouseClick(shrink, Qt::LeftButton);
        QVERIFY(w->menuItem("mnuViewMin")->isChecked() && !enlarge->isChecked());
        w->toolButton(5)->trigger();
        QCOMPARE(world->port.sent, QByteArray("D\r"));
        w->toolButton(6)->trigger();
        QCOMPARE(world->port.sent, QByteArray("D\rJ\r"));
        w->toolButton(4)->trigger();
        QCOMPARE(optionsOpened, 1);
        // Unknown keys do nothing.
        const auto before = world->port.sent;
        w->tbToolBar_ButtonClick(QStringLiteral("接続 "));
        w->tbToolBar_ButtonClick(QString());
        QCOMPARE(world->port.sent, before);
        QCOMPARE(world->messageBox.shown.size(), 0);
    }

    void errorInsideToolbarCommandDoesNotEscape()
    {
        world->port.onOpen = [] { throw std::runtime_error("driver failure"); };
        w->tbToolBar_ButtonClick(QStringLiteral("接続"));
        QCOMPARE(w->StatusText(2), texts::linkStopped());
    }

    void enablingTable()
    {
        auto state = [this] {
            return QList<bool>{w->toolButton(1)->isEnabled(),
                               w->toolButton(4)->isEnabled(),
                               w->toolButton(5)->isEnabled(),
                               w->menuItem("mnuFileOpen")->isEnabled(),
                               w->menuItem("mnuViewOptions")->isEnabled(),
                               w->menuItem("mnuFileCom")->isEnabled()};
        };
        QTemporaryDir dir;
        gFName = dir.filePath("log.csv");
        apply();
        QCOMPARE(state(), (QList<bool>{true, true, true, true, true, true}));
        w->mnuFileCom_Click();
        QCOMPARE(state(), (QList<bool>{true, false, false, true, false, false}));
        QCOMPARE(w->StatusText(2), texts::linkLive());
        w->mnuFileOpen_Click();
        QCOMPARE(state(), (QList<bool>{false, false, false, false, false, false}));
        QCOMPARE(w->StatusText(1), texts::fileRunning());
        w->mnuFileClose_Click();
        QCOMPARE(state(), (QList<bool>{true, false, false, true, false, false}));
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        w->mnuFileOpen_Click();
        w->StopLink();
        QCOMPARE(state(), (QList<bool>{true, true, true, true, true, true}));
        QCOMPARE(w->StatusText(1), texts::fileStopped());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        // Stop commands stay enabled all the time.
        QVERIFY(w->toolButton(2)->isEnabled() && w->toolButton(6)->isEnabled());
    }

    void settingsReachedWhileLiveStopsTheLink()
    {
        w->mnuFileCom_Click();
        // The file-output start with no name is the only way there while live.
        w->mnuFileOpen_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].text,
                 QStringLiteral("出力ﾌｧｲﾙ名が指定されていません。"));
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾌｧｲﾙ出力警告"));
        QCOMPARE(optionsOpened, 1);
        QVERIFY(!world->port.isOpen());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        // The meter is told to stop, and the commands match the stopped link.
        QCOMPARE(world->port.sent, QByteArray("D\rJ\r"));
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        QVERIFY(w->toolButton(5)->isEnabled());
        QVERIFY(w->menuItem("mnuViewOptions")->isEnabled());
        QVERIFY(w->toolButton(4)->isEnabled());
        w->mnuFileCom_Click();
        QCOMPARE(w->StatusText(2), texts::linkLive());
    }

    void portFailureSaysWhy_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("denied");
        QTest::newRow("missing") << "/dev/ttyUSB0"
                                 << "No such file or directory" << false;
        QTest::newRow("held") << "/dev/ttyUSB0"
                              << "Permission error while locking the device" << false;
        QTest::newRow("denied") << "/dev/ttyUSB0"
                                << "Permission denied" << true;
    }
    void portFailureSaysWhy()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        QFETCH(bool, denied);
        world->port.usable = {};
        world->port.failure[1] = {device, reason, denied};
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        const QStringList lines = world->messageBox.shown[0].text.split('\n');
        QCOMPARE(lines[0],
                 QStringLiteral("このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。"));
        QCOMPARE(lines[1], QString());
        QCOMPARE(lines[2], device + ": " + reason);
        QCOMPARE(lines.size() > 3 && lines[3].contains("dialout"), denied);
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ"));
        QCOMPARE(world->messageBox.shown[0].icon, Icon::Critical);
        QCOMPARE(world->messageBox.shown[0].buttons, Buttons::Ok);
    }

    void scanDoesNotDependOnStoredSpeed()
    {
        world->port.usable = {1, 2, 5};
        gComSt = QStringLiteral("fast,n,8,1");
        apply();
        w->ResetDisplay();
        w->ScanPorts();
        QCOMPARE(QList<qint16>(gPortList.begin(), gPortList.begin() + 4),
                 (QList<qint16>{1, 2, 5, 0}));
        // Connect keeps the stored speed, and so the port's message.
        w->ResetDisplay();
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QVERIFY(world->messageBox.shown[0].text.startsWith(
            QStringLiteral("このﾎﾟｰﾄは使用できません。")));
        QCOMPARE(world->port.settingsAtOpen.last(), QStringLiteral("fast,n,8,1"));
    }

    void optionsCommandScansWithHourglass()
    {
        world->port.usable = {1, 3, 4};
        QList<Qt::CursorShape> seen;
        world->port.onOpen = [&] { seen << w->cursor().shape(); };
        gPort = 12;
        apply();
        w->mnuViewOptions_Click();
        QCOMPARE(optionsOpened, 1);
        QVERIFY(!seen.isEmpty());
        for (auto s : seen)
            QCOMPARE(s, Qt::WaitCursor);
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(QList<qint16>(gPortList.begin(), gPortList.begin() + 4),
                 (QList<qint16>{1, 3, 4, 0}));
        // ResetDisplay ran afterwards with the configured port.
        QCOMPARE(world->port.commPort(), 12);
        QCOMPARE(w->StatusText(3), QStringLiteral("COM12"));
    }

    void optionsDialogChangesReachThePort()
    {
        frmMain::Windows windows;
        windows.options = [](QWidget *owner, const Settings &current) {
            frmOptions dialog(current, nullptr, {}, owner);
            QTimer::singleShot(0, &dialog, [&dialog] {
                QVERIFY(dialog.isModal() && dialog.isVisible());
                dialog.cmbPort->setCurrentIndex(1);
                dialog.cmbSpeed->setCurrentIndex(2);
                dialog.cmdOK->click();
            });
            dialog.exec();
            return dialog.settings();
        };
        w.reset();
        world->port.usable = {2, 5};
        w = std::make_unique<frmMain>(world->services(), windows);
        w->mnuViewOptions_Click();
        QCOMPARE(gPort, qint16(5));
        QCOMPARE(gComSt, QStringLiteral("38400,n,8,1"));
        QCOMPARE(world->port.commPort(), 5);
        QCOMPARE(world->port.settings(), QStringLiteral("38400,n,8,1"));
        QCOMPARE(w->StatusText(3), QStringLiteral("COM5"));
    }

    void scanWithNoUsablePort()
    {
        world->port.usable = {};
        w->ScanPorts();
        QCOMPARE(gPortList[0], qint16(0));
        world->port.usable = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
        w->ScanPorts();
        QCOMPARE(gPortList[15], qint16(16));
        QCOMPARE(gPortList[16], qint16(0));
    }

    void connectFailures()
    {
        world->port.usable = {};
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 1);
        QCOMPARE(world->messageBox.shown[0].text.section('\n', 0, 0),
                 QStringLiteral("このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。"));
        QCOMPARE(world->messageBox.shown[0].title, QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ"));
        QCOMPARE(world->messageBox.shown[0].icon, Icon::Critical);
        QCOMPARE(world->port.sent, QByteArray());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());

        world->port.usable = {1};
        platform::PortError err;
        QVERIFY(world->port.open(&err));
        w->mnuFileCom_Click();
        QCOMPARE(world->messageBox.shown.size(), 2);
        QCOMPARE(world->messageBox.shown[1].text, QStringLiteral("ﾎﾟｰﾄは既に開かれています。"));
        QCOMPARE(gLinkCountdown, qint16(0));
    }

    void disconnectWhenPortCannotOpenStillStops()
    {
        w->mnuFileCom_Click();
        world->port.close();
        world->port.usable = {};
        w->mnuFileStop_Click();
        QCOMPARE(world->port.sent, QByteArray("D\r"));
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(world->messageBox.shown.isEmpty());
    }

    void framesReachLabelsWithinOneTick()
    {
        w->mnuFileCom_Click();
        world->port.receive(frame("0123", "0456", "0789", "0012", '1', '2'));
        QCOMPARE(gReadings[0], QStringLiteral("12.3"));
        // The figures and their colours follow at the tick.
        QCOMPARE(w->lblPeak(0)->text(), QStringLiteral("0.0"));
        QCOMPARE(w->lblPeak(0)->palette().color(QPalette::Window), QColor(255, 255, 255));
        tick();
        QCOMPARE(w->lblPeak(0)->palette().color(QPalette::Window), QColor(255, 255, 0));
        QCOMPARE(w->lblPeak(2)->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(w->lblPeak(1)->palette().color(QPalette::Window), QColor(255, 255, 255));
        // What the user sees: the figure's box painted in its alarm colour, with dark text.
        auto pixels = [this](int i) {
            w->show();
            const QImage img = w->lblPeak(i)->grab().toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < img.height(); y += 2)
                for (int x = 0; x < img.width(); x += 2)
                    colours << img.pixelColor(x, y).rgb();
            return std::make_pair(img.pixelColor(4, 4), colours.size());
        };
        QCOMPARE(pixels(0).first, QColor(255, 255, 0));
        QCOMPARE(pixels(2).first, QColor(255, 0, 0));
        QCOMPARE(pixels(1).first, QColor(255, 255, 255));
        QVERIFY(pixels(1).second > 2); // the digits are drawn
        const QStringList shown = {w->lblPeak(0)->text(), w->lblPeak(1)->text(),
                                   w->lblPeak(2)->text(), w->lblPeak(3)->text()};
        QCOMPARE(shown, (QStringList{"12.3", "45.6", "78.9", "1.2"}));
    }

    void onlyWholeFramesKeepTheLinkAlive_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // sent on every tick
        QTest::addColumn<bool>("staysLive");
        QByteArray noise;
        std::mt19937 rng(7);
        for (int i = 0; i < 40; ++i)
            noise += char(rng() % 256 == 2 ? 'x' : rng() % 256);
        QTest::newRow("random bytes") << noise << false;
        QTest::newRow("NULs") << QByteArray(30, '\0') << false;
        QTest::newRow("CR storm") << QByteArray(30, '\r') << false;
        QTest::newRow("STX and CR only") << QByteArray("\x02\r\x02\r") << false;
        QTest::newRow("three fields") << QByteArray("\x02"
                                                    "0012,0034,0056\r")
                                      << false;
        QTest::newRow("whole frames") << frame("0012", "0034", "0056", "0078", '0', '0') << true;
        QTest::newRow("four fields, no alarms") << QByteArray("\x02"
                                                              "0012,0034,0056,0078\r")
                                                << false;
    }
    void onlyWholeFramesKeepTheLinkAlive()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, staysLive);
        w->mnuFileCom_Click();
        // 5 s of this, one batch every 1.5 s.
        for (int t = 0; t < 50; ++t) {
            if (t % 15 == 0 && world->port.isOpen())
                world->port.receive(bytes);
            tick();
            if (!staysLive && t < 20)
                QCOMPARE(w->StatusText(2) == texts::linkStopped(), false);
        }
        QCOMPARE(w->StatusText(2) != texts::linkStopped(), staysLive);
        QCOMPARE(world->port.isOpen(), staysLive);
        // The frames that were not whole are counted where a technician looks.
        const QString tip = w->findChild<QLabel *>("sbPanel2")->toolTip();
        QCOMPARE(tip.contains(QStringLiteral("不完全なﾌﾚｰﾑ: ")),
                 !staysLive && bytes.contains('\r'));
    }

    void staleFiguresAreGrey()
    {
        auto textColour = [this](int i) {
            return w->lblPeak(i)->palette().color(QPalette::WindowText);
        };
        // Nothing measured yet: not live.
        QVERIFY(!w->readingPanel()->figuresLive());
        w->mnuFileCom_Click();
        QVERIFY(!w->readingPanel()->figuresLive());
        world->port.receive(frame("0123", "0456", "0789", "0012", '1', '2'));
        tick();
        QVERIFY(w->readingPanel()->figuresLive());
        const QColor live = textColour(0);
        QCOMPARE(live, QColor(0, 0, 0));
        tick(21); // the meter falls silent: the watchdog stops the link
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(!w->readingPanel()->figuresLive());
        for (int i = 0; i < 4; ++i) {
            QVERIFY(textColour(i) != live);
            QCOMPARE(w->lblPeak(i)->text(), gReadings[size_t(i)]); // values kept
        }
        // The alarm stays visible, faded.
        const QColor bg = w->lblPeak(0)->palette().color(QPalette::Window);
        QVERIFY(bg != QColor(255, 255, 0) && bg.red() == 255 && bg.green() == 255 && bg.blue() > 0);
        // What is drawn: the ink of the stale figure is lighter than that of a live one.
        w->show();
        auto darkest = [this](int i) {
            const QImage img = w->lblPeak(i)->grab().toImage();
            int d = 255;
            for (int y = 2; y < img.height() - 2; ++y)
                for (int x = 2; x < img.width() - 2; ++x)
                    d = qMin(d, qGray(img.pixel(x, y)));
            return d;
        };
        QVERIFY2(darkest(1) > 100, qPrintable(QString::number(darkest(1))));
        w->mnuFileCom_Click();
        QVERIFY(!w->readingPanel()->figuresLive()); // until the first frame of the new connection
        world->port.receive(frame("0200", "0456", "0789", "0012", '0', '0'));
        tick();
        QVERIFY(w->readingPanel()->figuresLive());
        QCOMPARE(textColour(0), live);
        QVERIFY(darkest(1) < 60);
    }

    void figuresShowWholeReadings_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("figure");
        QTest::addColumn<QString>("text");
        const struct {
            const char *view;
            bool large;
            int figure;
        } layouts[] = {{"mnuViewMalti", false, 0}, {"mnuViewMalti", true, 3},
                       {"mnuViewPeak", false, 0},  {"mnuViewPeak", true, 0},
                       {"mnuViewAve", false, 2},   {"mnuViewAve", true, 2}};
        for (const auto &l : layouts)
            for (const char *text : {"999.9", "88.8", "45.6"})
                QTest::addRow("%s %s %s", l.view, l.large ? "large" : "small", text)
                    << l.view << l.large << l.figure << text;
    }
    void figuresShowWholeReadings()
    {
        QFETCH(QString, view);
        QFETCH(bool, large);
        QFETCH(int, figure);
        QFETCH(QString, text);
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        w->menuItem(view)->trigger();
        // The reading as a whole frame brings it.
        QByteArray fields[4] = {"0000", "0000", "0000", "0000"};
        fields[figure] = QByteArray::number(qRound(text.toDouble() * 10)).rightJustified(4, '0');
        world->port.receive(frame(fields[0].constData(), fields[1].constData(),
                                  fields[2].constData(), fields[3].constData(), '0', '0'));
        tick();
        QLabel *fig = w->lblPeak(figure);
        QCOMPARE(fig->text(), text);
        const QRect inside = fig->contentsRect();
        // Measured with the figure's own font: the text fits inside the frame.
        const QFontMetrics fm(fig->font());
        QVERIFY2(fm.horizontalAdvance(text) <= inside.width(),
                 qPrintable(QStringLiteral("%1 px of text in %2 px")
                                .arg(fm.horizontalAdvance(text))
                                .arg(inside.width())));
        // Drawn: no ink touches the left border, and all of the text's ink is there.
        const QImage img = fig->grab().toImage();
        const auto [first, last] = inkSpan(img, inside);
        QVERIFY2(first > inside.left(), qPrintable(QString::number(first)));
        QVERIFY(last < inside.right());
        // Nor does it touch the top or bottom border.
        const auto [top, bottom] = inkSpan(img, inside, Qt::Vertical);
        QVERIFY(top > inside.top() && bottom < inside.bottom());
        const int whole = inkWidthOf(text, fig->font(), fig->palette().color(QPalette::WindowText));
        QVERIFY2(
            qAbs((last - first + 1) - whole) <= 1,
            qPrintable(
                QStringLiteral("ink %1 px, whole text %2 px").arg(last - first + 1).arg(whole)));
        // The figure's box and point size are the layout's.
        QCOMPARE(fig->font().pointSizeF(), large ? (view == "mnuViewMalti" ? 150.0 : 300.0)
                                                 : (view == "mnuViewMalti" ? 48.0 : 120.0));
    }

    void staleStateInLargeWords_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<bool>("large");
        QTest::addColumn<bool>("site");
        for (bool site : {false, true})
            for (const char *view : {"mnuViewMalti", "mnuViewPeak", "mnuViewAve"})
                for (bool large : {false, true})
                    QTest::addRow("%s %s%s", view, large ? "large" : "small",
                                  site ? " with the site strip" : "")
                        << view << large << site;
    }
    void staleStateInLargeWords()
    {
        QFETCH(QString, view);
        QFETCH(bool, large);
        QFETCH(bool, site);
        gReconnect = true;
        Settings settings = settingsFromGlobals();
        settings.site.enabled = site;
        w->session().setSettings(settings);
        w->ResetDisplay();
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        w->menuItem(view)->trigger();
        auto *banner = w->findChild<QLabel *>("lblLinkState");
        QVERIFY(banner);
        QVERIFY(banner->isVisible());
        QVERIFY(banner->text().contains(QStringLiteral("通信停止中")));
        w->mnuFileCom_Click();
        world->port.receive(frame("0123", "0456", "0789", "0012", '0', '0'));
        tick();
        QVERIFY(!banner->isVisible()); // live: the figures alone
        world->clock.current = world->clock.current.addSecs(5);
        tick(21);
        QVERIFY(banner->isVisible());
        QCOMPARE(w->readingPanel()->linkBannerText(),
                 QStringLiteral("再接続待ち  最終受信 9:05:37"));
        // The whole text fits its strip, which lies under every figure and caption shown.
        const QRect inside = banner->contentsRect();
        QFont word = banner->font(), rest = banner->font();
        word.setPixelSize(w->readingPanel()->linkBannerWordPx());
        word.setBold(true);
        rest.setPixelSize(w->readingPanel()->linkBannerWordPx() / 2);
        const int width = QFontMetrics(word).horizontalAdvance(QStringLiteral("再接続待ち ")) +
                          QFontMetrics(rest).horizontalAdvance(QStringLiteral("最終受信 9:05:37"));
        QVERIFY2(width <= inside.width() && QFontMetrics(word).height() <= inside.height(),
                 qPrintable(QStringLiteral("%1 x %2 in %3 x %4")
                                .arg(width)
                                .arg(QFontMetrics(word).height())
                                .arg(inside.width())
                                .arg(inside.height())));
        // Within the reading area, above the site strip; only the large window's stale
        // figures and their units may lie under it.
        QVERIFY(banner->parentWidget()->rect().contains(banner->geometry()));
        const QStringList under{"lblPeak(0)", "lblPeak(1)", "lblPeak(2)", "lblPeak(3)",
                                "Label5",     "Label6",     "Label7",     "Label8"};
        for (QLabel *l : w->findChildren<QLabel *>())
            if (l != banner && l->isVisible() && l->parent() == banner->parent() &&
                !(large && under.contains(l->objectName())))
                QVERIFY2(!l->geometry().intersects(banner->geometry()),
                         qPrintable(l->objectName()));
        // Large enough to read from a few metres: at least 30 px (8 mm at 96 dpi), and in
        // the large window at least as large as in the small one.
        QVERIFY2(w->readingPanel()->linkBannerWordPx() >= (large ? 42 : 30),
                 qPrintable(QString::number(w->readingPanel()->linkBannerWordPx())));
        // And drawn: dark red ink in the strip.
        const QImage img = banner->grab().toImage();
        int red = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                red += c.red() > 120 && c.green() < 60 && c.blue() < 60;
            }
        QVERIFY2(red > 500, qPrintable(QString::number(red)));
    }

    void alarmSoundsAndNotifications()
    {
        w->mnuFileCom_Click();
        auto second = [this](char inst, char ave, int n = 1) {
            // n seconds with a frame each, ten ticks a second.
            for (int i = 0; i < n; ++i) {
                world->port.receive(frame("0123", "0456", "0789", "0012", inst, ave));
                for (int t = 0; t < 10; ++t) {
                    world->clock.current = world->clock.current.addMSecs(100);
                    tick();
                }
            }
        };
        QList<int> &played = world->sound.played;
        second('0', '0', 2);
        QCOMPARE(played, QList<int>{});
        second('1', '0', 3); // a rise to 1: once
        QCOMPARE(played, QList<int>{1});
        second('2', '0', 1); // a rise to 2
        QCOMPARE(played, (QList<int>{1, 2}));
        second('2', '0', 10); // and again after 10 s while it stays
        QCOMPARE(played, (QList<int>{1, 2, 2}));
        w->menuItem("mnuViewAck")->trigger(); // Esc: silenced
        second('2', '0', 25);
        QCOMPARE(played, (QList<int>{1, 2, 2}));
        second('0', '0', 2); // a fall: nothing
        QCOMPARE(played, (QList<int>{1, 2, 2}));
        second('0', '2', 1); // the average rises: sounds again
        QCOMPARE(played, (QList<int>{1, 2, 2, 2}));
        second('0', '0', 1);
        // Switched off: nothing, and the setting is kept.
        w->menuItem("mnuViewSound")->trigger();
        QVERIFY(!w->menuItem("mnuViewSound")->isChecked());
        QVERIFY(!gSound);
        second('2', '2', 15);
        QCOMPARE(played, (QList<int>{1, 2, 2, 2}));
        // The desktop was told of each rise, with the value.
        const QStringList &shown = world->notifier.shown;
        QCOMPARE(shown.size(), 5);
        QCOMPARE(shown[0], QStringLiteral("QV-475簡易ソフト: 瞬間風速 12.3 m/s: 警報ﾚﾍﾞﾙ1"));
        QCOMPARE(shown[2], QStringLiteral("QV-475簡易ソフト: 平均風速 78.9 m/s: 警報ﾚﾍﾞﾙ2"));
        // And of a link that fell silent.
        for (int t = 0; t < 25; ++t)
            tick();
        QCOMPARE(shown.size(), 6);
        QVERIFY(shown.last().contains(QStringLiteral("途絶えました")));
    }

    void reconnectPathTellsTheTruth()
    {
        gReconnect = true;
        gFTime = 1;
        apply();
        QTemporaryDir dir;
        gFName = dir.filePath("wind.csv");
        apply();
        w->ResetDisplay();
        w->mnuFileCom_Click();
        // A level-2 alarm, output running; the meter falls silent in the blank half of
        // the blink.
        world->port.receive(frame("0123", "0456", "0789", "0012", '2', '0'));
        w->mnuFileOpen_Click();
        QVERIFY(w->logOpen());
        QCOMPARE(world->sound.played, QList<int>{2});
        const QByteArray alarm = frame("0123", "0456", "0789", "0012", '2', '0');
        while (w->session().link().blinkCount() != 19) {
            world->port.receive(alarm);
            tick();
        }
        world->port.receive(alarm);
        tick(5); // the panels blank
        QCOMPARE(w->StatusText(1), QString());
        const int played = int(world->sound.played.size());
        tick(40); // lost, then 15 s reconnecting: stale figures sound nothing
        for (int i = 0; i < 150; ++i) {
            world->clock.current = world->clock.current.addMSecs(100);
            tick();
        }
        QCOMPARE(w->StatusText(2), texts::linkReconnecting());
        QCOMPARE(w->StatusText(1), texts::fileRunning()); // steady while gap rows go on
        QCOMPARE(int(world->sound.played.size()), played);
        // F2 without a file name ends reconnecting as the disconnect does.
        w->mnuFileClose_Click();
        gFName.clear();
        apply();
        w->mnuFileOpen_Click();
        QCOMPARE(optionsOpened, 1);
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QCOMPARE(w->session().link().state(), meterlink::LinkState::Stopped);
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        QVERIFY(w->menuItem("mnuViewOptions")->isEnabled());
        const int opens = world->port.opens;
        tick(100);
        QCOMPARE(world->port.opens, opens); // no attempts any more
        QCOMPARE(int(world->sound.played.size()), played);
    }

    void trendGoesBesideTheWindow_data()
    {
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("at"); // (-1, -1): no side has room
        const QRect screen(0, 0, 1920, 1080);
        QTest::newRow("right") << QRect(100, 100, 452, 337) << screen << QPoint(552, 100);
        QTest::newRow("left") << QRect(1400, 100, 452, 337) << screen << QPoint(600, 100);
        QTest::newRow("below") << QRect(500, 50, 900, 337) << QRect(0, 0, 1400, 1080)
                               << QPoint(500, 387);
        QTest::newRow("no room") << QRect(300, 200, 452, 337) << QRect(0, 0, 1024, 768)
                                 << QPoint(-1, -1);
        QTest::newRow("screen smaller than the trend")
            << QRect(0, 0, 300, 200) << QRect(0, 0, 640, 400) << QPoint(-1, -1);
    }
    void trendGoesBesideTheWindow()
    {
        QFETCH(QRect, main);
        QFETCH(QRect, screen);
        QFETCH(QPoint, at);
        const auto p = basSubMain::placeBeside(main, QSize(800, 460), screen);
        QCOMPARE(p.value_or(QPoint(-1, -1)), at);
        if (p)
            QVERIFY(!QRect(*p, QSize(800, 460)).intersects(main));
    }

    void menuMarksAreExclusive()
    {
        for (const char *name :
             {"mnuViewMalti", "mnuViewPeak", "mnuViewAve", "mnuViewMin", "mnuViewMax"}) {
            QAction *a = w->menuItem(name);
            QVERIFY(a->actionGroup() && a->actionGroup()->isExclusive());
        }
        QVERIFY(w->menuItem("mnuViewMalti")->actionGroup() !=
                w->menuItem("mnuViewMin")->actionGroup());
        // Choosing the checked item again keeps its mark.
        w->menuItem("mnuViewMalti")->trigger();
        QVERIFY(w->menuItem("mnuViewMalti")->isChecked());
        w->menuItem("mnuViewMin")->trigger();
        QVERIFY(w->menuItem("mnuViewMin")->isChecked());
        QVERIFY(!w->menuItem("mnuViewMax")->isChecked());
    }

    void watchdogStopsSilentLinkWithoutSendingJ()
    {
        w->mnuFileCom_Click();
        tick(5);
        world->port.receive(frame("0010", "0010", "0010", "0010", '0', '0'));
        QCOMPARE(gLinkCountdown, qint16(20));
        tick(20);
        QCOMPARE(gLinkCountdown, qint16(0));
        QVERIFY(world->port.isOpen());
        tick();
        QVERIFY(!world->port.isOpen());
        QCOMPARE(w->StatusText(2), texts::linkStopped());
        QVERIFY(w->menuItem("mnuFileCom")->isEnabled());
        QCOMPARE(world->port.sent, QByteArray("D\r"));
        // A notification with nothing waiting leaves the countdown alone.
        emit world->port.comm();
        QCOMPARE(gLinkCountdown, qint16(0));
    }

    void resetDisplay()
    {
        gPort = 12;
        gComSt = QStringLiteral("19200,n,8,1");
        apply();
        gReadings[1] = QStringLiteral("5.5");
        world->port.receive(frame("0123", "0456", "0789", "0012", '2', '1'));
        world->clock.current.setTime(QTime(10, 0, 42));
        w->ResetDisplay();
        QCOMPARE(world->port.commPort(), 12);
        QCOMPARE(world->port.settings(), QStringLiteral("19200,n,8,1"));
        QCOMPARE(w->StatusText(3), QStringLiteral("COM12"));
        QCOMPARE(QStringList(gReadings.begin(), gReadings.end()),
                 (QStringList{"0.0", "0.0", "0.0", "0.0"}));
        QCOMPARE(w->readingPanel()->alarmColour(0), AlarmColour::White);
        QCOMPARE(w->readingPanel()->alarmColour(2), AlarmColour::White);
        // The captions follow at the next tick.
        QCOMPARE(w->lblPeak(0)->text(), QStringLiteral("0.0"));
    }

    void toolbarToggleMovesNothing()
    {
        const QRect before = w->lblPeak(0)->geometry();
        w->menuItem("mnuViewToolbar")->trigger();
        QVERIFY(!w->menuItem("mnuViewToolbar")->isChecked());
        QVERIFY(w->toolBar()->isHidden());
        QCOMPARE(w->lblPeak(0)->geometry(), before);
        w->mnuViewToolbar_Click();
        QVERIFY(w->menuItem("mnuViewToolbar")->isChecked());
        QVERIFY(!w->toolBar()->isHidden());
    }

    void siteStripFitsEveryLayout_data()
    {
        QTest::addColumn<QString>("view");
        QTest::addColumn<bool>("large");
        for (const char *view : {"mnuViewMalti", "mnuViewPeak", "mnuViewAve"})
            for (bool large : {false, true})
                QTest::addRow("%s %s", view, large ? "large" : "small") << view << large;
    }
    // With [Site] on, the strip's longest text (stop kept over a restart, a 60-minute
    // mean, a gust of 999.8) fits whole under the figures, and the window is taller by
    // the strip and nothing else.
    void siteStripFitsEveryLayout()
    {
        QFETCH(QString, view);
        QFETCH(bool, large);
        QTemporaryDir dir;
        platform::StateFile kept(dir.filePath("site.ini"));
        QVERIFY(kept.write("Work=stop\n", nullptr));
        platform::Services services = world->services();
        services.latchFile = &kept;
        w = std::make_unique<frmMain>(services, frmMain::Windows{});
        Settings on = settingsFromGlobals();
        on.site = {true, 60, 80, 100, 9999, 10, {}};
        w->session().setSettings(on);
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        w->menuItem(view)->trigger();
        w->mnuFileCom_Click();
        world->port.receive(frame("9998", "0000", "0000", "0000", '0', '0'));
        world->clock.current = world->clock.current.addSecs(1);
        tick();
        QLabel *strip = w->readingPanel()->siteStrip();
        QVERIFY(strip->isVisible());
        const QString text = QStringLiteral("作業中止  60分平均 ---  最大瞬間 999.8 m/s");
        QCOMPARE(w->readingPanel()->siteStripText(), text);
        // The whole line fits the strip: the state's word, and the rest at 60 % of it.
        const QRect inside = strip->contentsRect();
        QFont word = japaneseFont(9), rest = japaneseFont(9);
        word.setBold(true);
        word.setPixelSize(w->readingPanel()->siteStripCaptionPx());
        rest.setPixelSize(w->readingPanel()->siteStripCaptionPx() * 3 / 5);
        const int width = QFontMetrics(word).horizontalAdvance(QStringLiteral("作業中止 ")) +
                          QFontMetrics(rest).horizontalAdvance(text.mid(6));
        QVERIFY2(width <= inside.width() && QFontMetrics(word).height() <= inside.height(),
                 qPrintable(QStringLiteral("%1 x %2 in %3 x %4")
                                .arg(width)
                                .arg(QFontMetrics(word).height())
                                .arg(inside.width())
                                .arg(inside.height())));
        // The state readable from three metres: at least 30 px (60 in the large window).
        QVERIFY2(w->readingPanel()->siteStripCaptionPx() >= (large ? 60 : 30),
                 qPrintable(QString::number(w->readingPanel()->siteStripCaptionPx())));
        // Drawn: white ink on the stop's red, clear of both ends, as wide as the line.
        const QImage img = strip->grab().toImage();
        int first = -1, last = -1;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (qGray(img.pixel(x, y)) > 200) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        QVERIFY2(first > 0 && last < img.width() - 1 && last - first + 1 >= width * 9 / 10,
                 qPrintable(QStringLiteral("ink %1 to %2 of %3").arg(first).arg(last).arg(width)));
        QCOMPARE(img.pixelColor(2, 2), QColor(220, 0, 0));
        for (QLabel *l : w->findChildren<QLabel *>())
            if (l != strip && l->isVisible() && l->parent() == strip->parent())
                QVERIFY2(!l->geometry().intersects(strip->geometry()), qPrintable(l->objectName()));
        QCOMPARE(w->property("twipsHeight").toDouble(),
                 (large ? 9480.0 : 5055.0) + (large ? display::ReadingPanel::kSiteStripLarge
                                                    : display::ReadingPanel::kSiteStripSmall));
        QCOMPARE(twips(w->lblPeak(view == "mnuViewAve" ? 2 : 0)).top(),
                 view == "mnuViewMalti" ? (large ? 1080 : 960) : (large ? 1440 : 960));
    }

    void siteStripSaysWhy_data()
    {
        QTest::addColumn<session::SiteState>("site");
        QTest::addColumn<QString>("line");
        const qint64 now = QDateTime(QDate(2026, 12, 8), QTime(8, 55, 0)).toMSecsSinceEpoch();
        const qint64 storm = QDateTime(QDate(2026, 12, 8), QTime(8, 48, 18)).toMSecsSinceEpoch();
        session::SiteState s;
        s.on = true;
        s.stats.missingMs = 5 * 60000 + 1;
        s.stats.gustTenths = 71;
        QTest::newRow("undecided, with what it waits for")
            << s << u"判定中  あと 6分  10分平均 ---  最大瞬間 7.1 m/s"_s;
        s.stats = {true, 87, 120, now, 1000, 0};
        s.work = site::Work::Stop;
        s.releaseMs = now + 7 * 60000;
        // The hold's end is a condition, never a permission.
        QTest::newRow("a stop in its hold")
            << s
            << u"作業中止  10分平均 8.7  最大瞬間 12.0 m/s  10分平均が基準未満で 9:02 に解除条件成立"_s;
        s.releaseMs = 0;
        s.latched = true;
        s.storm = {storm, 314, storm};
        // A stop is the headword whatever latch holds; the latches go on a line beneath.
        QTest::newRow("latched over a stop")
            << s << u"作業中止  10分平均 8.7  最大瞬間 12.0 m/s\n点検要  暴風 31.4 m/s (8:48)"_s;
        session::SiteState fault = s;
        fault.work = site::Work::Caution;
        fault.craneFault = {u"山田 太郎"_s, u"異常あり: 旋回ブレーキ"_s, now, site::Latch::Crane,
                            false};
        QTest::newRow("out of service after a fault")
            << fault
            << u"使用停止  点検で異常あり: 旋回ブレーキ — 山田 太郎 8:55  暴風 31.4 m/s (8:48)  "
               u"注意  10分平均 8.7  最大瞬間 12.0 m/s"_s;
        s.stateUnreadable = true;
        s.storm = {now, -1, now};
        s.work = site::Work::Undecided;
        s.stats.valid = false;
        s.stats.meanTenths = -1;
        s.stats.missingMs = 60000;
        QTest::newRow("a state file that cannot be read")
            << s
            << u"点検要  状態ﾌｧｲﾙを読めません  判定中  あと 1分  10分平均 ---  最大瞬間 12.0 m/s"_s;
        session::SiteState scaffold;
        scaffold.on = true;
        scaffold.work = site::Work::Normal;
        scaffold.scaffoldMs = storm;
        scaffold.stats = {true, 30, 50, now, 1000, 0};
        QTest::newRow("the scaffolds' latch")
            << scaffold << u"足場点検要  通常  10分平均 3.0  最大瞬間 5.0 m/s"_s;
    }
    // The strip never gives a verdict without saying what it rests on; without frames
    // an undecided says there is no data rather than counting down.
    void siteStripSaysWhy()
    {
        QFETCH(session::SiteState, site);
        QFETCH(QString, line);
        const qint64 now = QDateTime(QDate(2026, 12, 8), QTime(8, 55, 0)).toMSecsSinceEpoch();
        QCOMPARE(siteStripLine(site, 10, now), line);
        if (site.work == site::Work::Undecided && !site.stateUnreadable)
            QVERIFY(siteStripLine(site, 10, now, false).startsWith(u"判定中  データなし  "_s));
    }

    // Under a stop with both latches held and the crane out of service, in every layout:
    // the headword 作業中止 stays large on the stop's red, and the latches' line beneath
    // it is at least 40 % of its size, whole inside the strip, on its own colours.
    void aStopWithItsLatches()
    {
        QFETCH(QString, view);
        QFETCH(bool, large);
        QTemporaryDir dir;
        platform::StateFile kept(dir.filePath("site.ini"));
        QVERIFY(kept.write(strippicture::kLatchesUnderStop, nullptr));
        platform::Services services = world->services();
        services.latchFile = &kept;
        w = std::make_unique<frmMain>(services, frmMain::Windows{});
        Settings on = settingsFromGlobals();
        on.site = {true, 10, 80, 100, 300, 10, {}};
        w->session().setSettings(on);
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        w->menuItem(view)->trigger();
        w->mnuFileCom_Click();
        world->port.receive(frame("0120", "0000", "0000", "0000", '0', '0'));
        world->clock.current = world->clock.current.addSecs(1);
        tick();
        display::ReadingPanel *panel = w->readingPanel();
        QVERIFY2(
            panel->siteStripText().startsWith(u"作業中止  "_s) &&
                panel->siteStripText().contains(u"\n使用停止  異常あり: 旋回ブレーキ調整要"_s) &&
                panel->siteStripText().contains(u"    足場点検要"_s),
            qPrintable(panel->siteStripText()));
        const QString wrong = strippicture::fault(*panel, large ? 45 : 22);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
    void aStopWithItsLatches_data()
    {
        siteStripFitsEveryLayout_data();
    }

    // The inspection is signed: cancelled or unsigned records nothing; a wind still above
    // the caution threshold asks first, with No as the default; the meter's own average
    // is named apart from the rule's mean while the rule is on.
    void inspectionIsSigned()
    {
        QTemporaryDir dir;
        platform::StateFile kept(dir.filePath("site.ini"));
        QVERIFY(kept.write("Latched=2026-12-08T08:48:18.000+09:00\nGust=31.4\n"
                           "GustAt=2026-12-08T08:48:18.000+09:00\nWork=stop\n",
                           nullptr));
        platform::Services services = world->services();
        services.latchFile = &kept;
        std::optional<site::Inspection> answer;
        QString asked, refusal;
        frmMain::Windows windows;
        windows.inspect = [&](QWidget *, const InspectionRequest &request) {
            asked = request.latches.value(0).second;
            refusal = request.refusal;
            return refusal.isEmpty() ? answer : std::nullopt;
        };
        w = std::make_unique<frmMain>(services, windows);
        Settings on = settingsFromGlobals();
        on.site.enabled = true;
        w->session().setSettings(on);
        auto *average = w->findChild<QLabel *>("Label3");
        QCOMPARE(average->text(), u"平均風速(計器)"_s);
        QVERIFY(QFontMetrics(average->font()).horizontalAdvance(average->text()) <=
                average->width());
        QVERIFY(w->menuItem("mnuViewInspect")->isEnabled());
        w->menuItem("mnuViewInspect")->trigger();
        QVERIFY(asked.startsWith(u"暴風 31.4 m/s"_s));
        // The stop kept over the restart still holds: nothing may be signed.
        QVERIFY2(refusal.contains(u"作業中止の間は記録できません"_s), qPrintable(refusal));
        QVERIFY(w->session().snapshot().site.latched);
        answer = site::Inspection{u"山田 太郎"_s, u"異常なし"_s, 0};
        // The stop kept as a caution: signed after the question, marked as such.
        QVERIFY(kept.write("Latched=2026-12-08T08:48:18.000+09:00\nGust=31.4\n"
                           "GustAt=2026-12-08T08:48:18.000+09:00\nWork=caution\n",
                           nullptr));
        w = std::make_unique<frmMain>(services, windows);
        w->session().setSettings(on);
        w->mnuFileCom_Click();
        world->port.receive(frame("0120", "0000", "0000", "0000", '0', '0'));
        tick();
        w->menuItem("mnuViewInspect")->trigger(); // 12.0 m/s: asked, and No is the answer
        QVERIFY(refusal.isEmpty());
        QCOMPARE(world->messageBox.shown.last().buttons, platform::MessageBox::Buttons::NoYes);
        QVERIFY(w->session().snapshot().site.latched);
        world->messageBox.answers = {platform::MessageBox::Answer::Yes};
        w->menuItem("mnuViewInspect")->trigger();
        QVERIFY(!w->session().snapshot().site.latched);
        QCOMPARE(w->session().snapshot().site.inspection.by, u"山田 太郎"_s);
        QVERIFY(w->session().snapshot().site.inspection.forced);
        QVERIFY(!w->menuItem("mnuViewInspect")->isEnabled());
        on.site.enabled = false;
        w->session().setSettings(on);
        QCOMPARE(w->findChild<QLabel *>("Label3")->text(), u"平均風速"_s);
    }

    // The signing dialog: nothing chosen beforehand, the default button cancels, and
    // recording needs a name and a result.
    // With two latches, one is chosen first; a refusal disables the button and says why.
    void inspectionDialog()
    {
        InspectionRequest two{
            {{site::Latch::Crane, u"暴風 31.4 m/s"_s}, {site::Latch::Scaffold, u"足場"_s}}, {}};
        dlgInspection d(two);
        auto *ok = d.findChild<QPushButton *>("cmdOK");
        auto *cancel = d.findChild<QPushButton *>("cmdCancel");
        auto *name = d.findChild<QLineEdit *>("txtInspector");
        QVERIFY(cancel->isDefault() && !ok->isDefault());
        QVERIFY(!ok->isEnabled());
        name->setText(u"  山田 太郎 "_s);
        QVERIFY(!ok->isEnabled()); // no result chosen
        d.findChild<QRadioButton *>("optFault")->setChecked(true);
        QVERIFY(!ok->isEnabled()); // no latch chosen
        d.findChild<QRadioButton *>("optLatchScaffold")->setChecked(true);
        QVERIFY(ok->isEnabled());
        QCOMPARE(d.inspector(), u"山田 太郎"_s);
        QCOMPARE(d.latch(), std::optional(site::Latch::Scaffold));
        name->setText(u" "_s);
        QVERIFY(!ok->isEnabled());

        InspectionRequest refused{{{site::Latch::Crane, u"暴風"_s}}, u"作業中止の間は"_s};
        dlgInspection r(refused);
        r.findChild<QLineEdit *>("txtInspector")->setText(u"山田"_s);
        r.findChild<QRadioButton *>("optNoFault")->setChecked(true);
        QVERIFY(!r.findChild<QPushButton *>("cmdOK")->isEnabled());
        QCOMPARE(r.findChild<QLabel *>("lblRefusal")->text(), u"作業中止の間は"_s);
    }

    void layouts_data()
    {
        QTest::addColumn<QString>("view"); // menu item of the view
        QTest::addColumn<bool>("large");
        QTest::addColumn<QList<bool>>("visible"); // Label1..8, lblPeak 0..3
        QTest::addColumn<QRect>("figureTwips");
        QTest::addColumn<int>("figureIndex");
        QTest::addColumn<double>("points");
        const QList<bool> all(12, true);
        const QList<bool> peak = {true,  false, false, false, true,  false,
                                  false, false, true,  false, false, false};
        const QList<bool> ave = {false, false, true,  false, false, false,
                                 true,  false, false, false, true,  false};
        QTest::newRow("multi small")
            << "mnuViewMalti" << false << all << QRect(360, 960, 2175, 1065) << 0 << 48.0;
        QTest::newRow("multi large")
            << "mnuViewMalti" << true << all << QRect(240, 1080, 5775, 3225) << 0 << 150.0;
        QTest::newRow("peak small")
            << "mnuViewPeak" << false << peak << QRect(360, 960, 5295, 2625) << 0 << 120.0;
        QTest::newRow("peak large")
            << "mnuViewPeak" << true << peak << QRect(240, 1440, 13215, 6585) << 0 << 300.0;
        QTest::newRow("ave small")
            << "mnuViewAve" << false << ave << QRect(360, 960, 5295, 2625) << 2 << 120.0;
        QTest::newRow("ave large")
            << "mnuViewAve" << true << ave << QRect(240, 1440, 13215, 6585) << 2 << 300.0;
    }
    void layouts()
    {
        QFETCH(QString, view);
        QFETCH(bool, large);
        QFETCH(QList<bool>, visible);
        QFETCH(QRect, figureTwips);
        QFETCH(int, figureIndex);
        QFETCH(double, points);
        w->show();
        w->menuItem(large ? "mnuViewMax" : "mnuViewMin")->trigger();
        w->menuItem(view)->trigger();
        QList<bool> shown;
        for (int n = 1; n <= 8; ++n)
            shown << w->label(n)->isVisibleTo(w.get());
        for (int i = 0; i < 4; ++i)
            shown << w->lblPeak(i)->isVisibleTo(w.get());
        QCOMPARE(shown, visible);
        QLabel *fig = w->lblPeak(figureIndex);
        QCOMPARE(twips(fig), figureTwips);
        QCOMPARE(fig->font().pointSizeF(), points);
        // 15 twips a pixel at 96 DPI.
        const double px = fig->logicalDpiX() / 1440.0;
        QCOMPARE(fig->geometry().width(), qRound((figureTwips.x() + figureTwips.width()) * px) -
                                              qRound(figureTwips.x() * px));
        QCOMPARE(w->property("twipsWidth").toDouble(), large ? 15765.0 : 6780.0);
        QCOMPARE(w->property("twipsHeight").toDouble(), large ? 9480.0 : 5055.0);
        // Centred on the screen by width x height without the 120.
        const QRect screen = w->screen()->geometry();
        const double sw = screen.width() * 1440.0 / w->logicalDpiX();
        QCOMPARE(w->property("twipsLeft").toDouble(), (sw - (large ? 15765.0 : 6780.0)) / 2);
        QCOMPARE(w->frameGeometry().size(),
                 QSize(qRound((large ? 15765 : 6780) * px), qRound((large ? 9480 : 5055) * px)));
        // Exactly one view and one size are checked.
        int views = 0;
        for (const char *n : {"mnuViewMalti", "mnuViewPeak", "mnuViewAve"})
            views += w->menuItem(n)->isChecked();
        QCOMPARE(views, 1);
        QVERIFY(w->menuItem(view)->isChecked());
        QCOMPARE(w->menuItem("mnuViewMax")->isChecked(), large);
        QCOMPARE(w->menuItem("mnuViewMin")->isChecked(), !large);
    }

    void multiLayoutTables()
    {
        w->mnuViewMax_Click();
        QCOMPARE(twips(w->label(2)), QRect(240, 4440, 2730, 495));
        QCOMPARE(w->label(2)->font().pointSizeF(), 22.0);
        QCOMPARE(twips(w->label(8)), QRect(13800, 7200, 1635, 960));
        QCOMPARE(w->label(8)->font().pointSizeF(), 48.0);
        QCOMPARE(twips(w->lblPeak(3)), QRect(7920, 4920, 5775, 3225));
        w->mnuViewMin_Click();
        QCOMPARE(twips(w->label(4)), QRect(3120, 2160, 1350, 225));
        QCOMPARE(w->label(4)->font().pointSizeF(), 11.0);
        QCOMPARE(twips(w->label(7)), QRect(5760, 1560, 735, 435));
        QCOMPARE(w->label(7)->font().pointSizeF(), 22.0);
        QCOMPARE(twips(w->lblPeak(1)), QRect(360, 2520, 2175, 1065));
    }

    void hiddenLabelsKeepGeometryUntilNextMultiLayout()
    {
        w->mnuViewMax_Click();
        w->mnuViewPeak_Click();
        QCOMPARE(twips(w->lblPeak(3)), QRect(7920, 4920, 5775, 3225));
        QCOMPARE(twips(w->label(1)), QRect(240, 600, 3000, 720));
        // Enlarged average view, then multi: large multi; shrink: small multi.
        w->mnuViewAve_Click();
        w->mnuViewMalti_Click();
        QCOMPARE(twips(w->lblPeak(0)), QRect(240, 1080, 5775, 3225));
        QCOMPARE(twips(w->label(1)), QRect(240, 600, 2730, 495));
        w->mnuViewMin_Click();
        QCOMPARE(twips(w->lblPeak(0)), QRect(360, 960, 2175, 1065));
    }

    void fontIsJapaneseGothic()
    {
        // One of the program's Japanese faces, not a fallback.
        const QFontInfo info(w->lblPeak(0)->font());
        QStringList faces = basSubMain::japaneseFont(9).families();
        faces.removeAll(QStringLiteral("sans-serif"));
        QVERIFY2(faces.contains(info.family()), qPrintable(info.family()));
    }

    void readingChangedWhileHiddenShowsWhenViewChosen()
    {
        w->mnuViewPeak_Click();
        w->mnuFileCom_Click();
        world->port.receive(frame("0000", "0000", "0333", "0000", '0', '2'));
        tick();
        QVERIFY(!w->lblPeak(2)->isVisibleTo(w.get()));
        w->mnuViewAve_Click();
        QVERIFY(w->lblPeak(2)->isVisibleTo(w.get()));
        QCOMPARE(w->lblPeak(2)->text(), QStringLiteral("33.3"));
        QCOMPARE(w->readingPanel()->alarmColour(2), AlarmColour::Red);
    }
};

QTEST_MAIN(TstFrmMain)
#include "tst_frm_main.moc"
