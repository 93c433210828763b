#include "display/main_actions.h"

#include "base/geometry.h"
#include "base/resources.h"
#include "display/frm_main.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenuBar>
#include <QToolBar>

using namespace basSubMain;

namespace display {

namespace {

// Toolbar buttons: the menu item whose action the button is, its key, tool tip and image;
// no item is a separator. The key names the button for callers that hold one (it is
// never shown, nor translated).
struct ButtonDef {
    const char *item;
    const char16_t *key;
    const char *tip;
    const char *image;
};
constexpr ButtonDef kButtons[11] = {
    {"mnuFileOpen", u"出力開始", QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ出力開始"), "Open"},
    {"mnuFileClose", u"出力停止", QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ出力停止"), "Close"},
    {nullptr, nullptr, nullptr, nullptr},
    {"mnuViewOptions", u"通信設定", QT_TRANSLATE_NOOP("frmMain", "通信設定"), "Properties"},
    {"mnuFileCom", u"接続", QT_TRANSLATE_NOOP("frmMain", "接続"), "Com"},
    {"mnuFileStop", u"切断", QT_TRANSLATE_NOOP("frmMain", "切断"), "Stop"},
    {nullptr, nullptr, nullptr, nullptr},
    {"mnuViewMin", u"縮小", QT_TRANSLATE_NOOP("frmMain", "縮小表示"), "MIN"},
    {"mnuViewMax", u"拡大", QT_TRANSLATE_NOOP("frmMain", "拡大表示"), "MAX"},
    {nullptr, nullptr, nullptr, nullptr},
    {"mnuHelpWeb", u"問い合わせ", QT_TRANSLATE_NOOP("frmMain", "問い合わせ"), "Web"},
};

// The menu bar, in order: a menu, then its items and separators. An item's name is its
// object name; its handler is the menu command it runs.
enum class Row { Menu, Item, Check, Bar };
struct MenuRow {
    Row row;
    const char *name;
    const char *caption = nullptr;
    int key = 0;
    MainActions::Command handler = nullptr;
};
const MenuRow kMenuRows[] = {
    {Row::Menu, "mnuFile", QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ(&F)")},
    {Row::Item, "mnuFileOpen", QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ出力開始(&O)..."), Qt::Key_F2,
     &frmMain::mnuFileOpen_Click},
    {Row::Item, "mnuFileClose", QT_TRANSLATE_NOOP("frmMain", "ﾌｧｲﾙ出力停止(&C)"), 0,
     &frmMain::mnuFileClose_Click},
    {Row::Item, "mnuFileHistory", QT_TRANSLATE_NOOP("frmMain", "記録を開く(&R)..."), 0,
     &frmMain::mnuFileHistory_Click},
    {Row::Item, "mnuFileRegister", QT_TRANSLATE_NOOP("frmMain", "点検記録簿(&B)..."), 0,
     &frmMain::mnuFileRegister_Click},
    {Row::Bar, "mnuFileBar0"},
    {Row::Item, "mnuFileCom", QT_TRANSLATE_NOOP("frmMain", "接続(&M)"), Qt::Key_F5,
     &frmMain::mnuFileCom_Click},
    {Row::Item, "mnuFileStop", QT_TRANSLATE_NOOP("frmMain", "切断(&P)"), 0,
     &frmMain::mnuFileStop_Click},
    {Row::Bar, "mnuFileBar1"},
    {Row::Item, "mnuFileExit", QT_TRANSLATE_NOOP("frmMain", "終了(&X)"), 0,
     &frmMain::mnuFileExit_Click},
    {Row::Menu, "mnuView", QT_TRANSLATE_NOOP("frmMain", "表示(&V)")},
    {Row::Check, "mnuViewToolbar", QT_TRANSLATE_NOOP("frmMain", "ﾂｰﾙ ﾊﾞｰ(&T)"), 0,
     &frmMain::mnuViewToolbar_Click},
    {Row::Bar, "mnuViewBar0"},
    {Row::Item, "mnuViewOptions", QT_TRANSLATE_NOOP("frmMain", "通信設定(&S)..."), 0,
     &frmMain::mnuViewOptions_Click},
    {Row::Bar, "mnuViewBar1"},
    {Row::Check, "mnuViewMin", QT_TRANSLATE_NOOP("frmMain", "画面縮小(&N)"), Qt::Key_F3,
     &frmMain::mnuViewMin_Click},
    {Row::Check, "mnuViewMax", QT_TRANSLATE_NOOP("frmMain", "画面拡大(&L)"), Qt::Key_F4,
     &frmMain::mnuViewMax_Click},
    {Row::Bar, "mnuViewBar2"},
    {Row::Check, "mnuViewMalti", QT_TRANSLATE_NOOP("frmMain", "ﾏﾙﾁ表示(&B)"), Qt::Key_F6,
     &frmMain::mnuViewMalti_Click},
    {Row::Check, "mnuViewPeak", QT_TRANSLATE_NOOP("frmMain", "瞬間風速値表示(&K)"), Qt::Key_F7,
     &frmMain::mnuViewPeak_Click},
    {Row::Check, "mnuViewAve", QT_TRANSLATE_NOOP("frmMain", "平均風速値表示(&E)"), Qt::Key_F8,
     &frmMain::mnuViewAve_Click},
    {Row::Bar, "mnuViewBar3"},
    {Row::Item, "mnuViewTrend", QT_TRANSLATE_NOOP("frmMain", "ﾄﾚﾝﾄﾞ表示(&G)"), Qt::Key_F9,
     &frmMain::mnuViewTrend_Click},
    {Row::Check, "mnuViewSound", QT_TRANSLATE_NOOP("frmMain", "警報音(&A)"), 0,
     &frmMain::mnuViewSound_Click},
    {Row::Item, "mnuViewAck", QT_TRANSLATE_NOOP("frmMain", "警報確認(&Q)"), Qt::Key_Escape,
     &frmMain::mnuViewAck_Click},
    {Row::Item, "mnuViewNotifyTest", QT_TRANSLATE_NOOP("frmMain", "通知テスト(&U)"), 0,
     &frmMain::mnuViewNotifyTest_Click},
    {Row::Item, "mnuViewInspect", QT_TRANSLATE_NOOP("frmMain", "点検確認(&I)..."), 0,
     &frmMain::mnuViewInspect_Click},
    {Row::Menu, "mnuHelp", QT_TRANSLATE_NOOP("frmMain", "ﾍﾙﾌﾟ(&H)")},
    {Row::Item, "mnuHelpManual", QT_TRANSLATE_NOOP("frmMain", "使い方(&M)"), Qt::Key_F1,
     &frmMain::mnuHelpManual_Click},
    {Row::Item, "mnuHelpWeb", QT_TRANSLATE_NOOP("frmMain", "問い合わせ(&W)"), 0,
     &frmMain::mnuHelpWeb_Click},
    {Row::Bar, "mnuHelpBar0"},
    {Row::Item, "mnuHelpAbout", QT_TRANSLATE_NOOP("frmMain", "ﾊﾞｰｼﾞｮﾝ情報(&A)"), 0,
     &frmMain::mnuHelpAbout_Click},
};

QAction *addItem(frmMain *window, QMenu *menu, const QString &name, const QString &caption,
                 const QKeySequence &key, MainActions::Command handler)
{
    auto *a = menu->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    QObject::connect(a, &QAction::triggered, window, [window, a, handler] {
        // Qt toggles a checkable item before this runs; the handlers set the marks themselves.
        if (a->isCheckable())
            a->setChecked(!a->isChecked());
        (window->*handler)();
    });
    return a;
}

} // namespace

MainActions buildMainActions(frmMain *window, QWidget *toolBarParent)
{
    MainActions out;
    QMenu *menu = nullptr;
    for (const MenuRow &r : kMenuRows) {
        const QString name = QString::fromLatin1(r.name);
        QAction *a;
        if (r.row == Row::Menu) {
            menu = window->menuBar()->addMenu(QCoreApplication::translate("frmMain", r.caption));
            menu->setObjectName(name);
            a = menu->menuAction();
        } else if (r.row == Row::Bar) {
            a = menu->addSeparator();
            a->setObjectName(name);
        } else {
            a = addItem(window, menu, name, QCoreApplication::translate("frmMain", r.caption),
                        r.key ? QKeySequence(r.key) : QKeySequence(), r.handler);
            a->setCheckable(r.row == Row::Check);
            out.commands.insert(a, r.handler);
        }
        out.menu.insert(name, a);
    }
    out.menu[QStringLiteral("mnuViewToolbar")]->setChecked(true);
    // Enabled only while a storm's inspection is not yet acknowledged.
    out.menu[QStringLiteral("mnuViewInspect")]->setEnabled(false);
    // View mode and window size each carry one exclusive mark.
    for (const auto &names : {QStringList{"mnuViewMalti", "mnuViewPeak", "mnuViewAve"},
                              QStringList{"mnuViewMin", "mnuViewMax"}}) {
        auto *group = new QActionGroup(window);
        for (const QString &n : names)
            group->addAction(out.menu[n]);
    }
    // The toolbar lies over the top strip of the reading area, so hiding it moves nothing.
    out.toolBar = new QToolBar(toolBarParent);
    out.toolBar->setObjectName(QStringLiteral("tbToolBar"));
    out.toolBar->setMovable(false);
    out.toolBar->setFloatable(false);
    out.toolBar->setIconSize(QSize(16, 16));
    out.toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // A button is its menu item's action: one enabled state, one check mark, one command.
    // The picture is shown on the toolbar only, the tool tip is the button's.
    for (int i = 0; i < 11; ++i) {
        const ButtonDef &d = kButtons[i];
        QAction *a;
        if (!d.item) {
            a = out.toolBar->addSeparator();
            a->setObjectName(QStringLiteral("tbButton%1").arg(i + 1));
        } else {
            a = out.menu.value(QString::fromLatin1(d.item));
            a->setIcon(programIcon(QString::fromLatin1(d.image).toLower()));
            a->setIconVisibleInMenu(false);
            a->setToolTip(QCoreApplication::translate("frmMain", d.tip));
            a->setData(QString::fromUtf16(d.key));
            a->setProperty("imageKey", QString::fromLatin1(d.image));
            out.toolBar->addAction(a);
        }
        out.toolBar->widgetForAction(a)->setObjectName(QStringLiteral("tbButton%1").arg(i + 1));
        out.buttons[size_t(i)] = a;
    }
    out.toolBar->move(0, 0);
    out.toolBar->setFixedHeight(qRound(twipsToPixelsY(window, 420)));
    // As wide as the large window; the area clips it at the small size.
    out.toolBar->setFixedWidth(qRound(twipsToPixelsX(window, 15765)));
    return out;
}

QAction *MainActions::button(const QString &key) const
{
    for (QAction *a : buttons)
        if (!a->isSeparator() && a->data().toString() == key)
            return a;
    return nullptr;
}

} // namespace display
