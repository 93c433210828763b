// The main window's commands as two tables: the menu bar (menus, items with their shortcut
// keys and check marks, separators) and the toolbar's buttons, each running one of the
// window's menu commands. Items and buttons carry the object names the window is known by.
#pragma once

#include <QMap>
#include <QString>
#include <array>

class QAction;
class QToolBar;
class QWidget;
class frmMain;

namespace display {

struct MainActions {
    using Command = void (frmMain::*)();
    QMap<QString, QAction *> menu; // by object name ("mnuFileOpen", "mnuView", ...)
    std::array<QAction *, 11> buttons{};
    QToolBar *toolBar = nullptr;
};

// Builds the window's menu bar, and its toolbar over toolBarParent (the reading area's top
// strip, so that hiding it moves nothing).
MainActions buildMainActions(frmMain *window, QWidget *toolBarParent);
// The menu command a toolbar key names ("出力開始", ...); none for an unknown key.
MainActions::Command toolBarCommand(const QString &key);

} // namespace display
