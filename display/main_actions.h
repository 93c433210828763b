// The main window's commands as two tables: the menu bar (menus, items with their shortcut
// keys and check marks, separators) and the toolbar's buttons, each one of the menu's
// items. Items and buttons carry the object names the window is known by.
#pragma once

#include <QHash>
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
    // The toolbar's buttons from 1 to 11: the menu items' own actions, and separators.
    std::array<QAction *, 11> buttons{};
    QToolBar *toolBar = nullptr;
    // The command each menu item runs.
    QHash<const QAction *, Command> commands;
    // The button with this key ("出力開始", ...), compared exactly; none for another key.
    QAction *button(const QString &key) const;
};

// Builds the window's menu bar, and its toolbar over toolBarParent (the reading area's top
// strip, so that hiding it moves nothing).
MainActions buildMainActions(frmMain *window, QWidget *toolBarParent);

} // namespace display
