// The main window: reading area, menus, toolbar, status bar, and the commands that
// connect to the meter, show its readings and log them.
#pragma once

#include "display/dlg_inspection.h"
#include "display/main_actions.h"
#include "display/main_status_bar.h"
#include "display/reading_panel.h"
#include "display/session_alerts.h"
#include "platform/services.h"
#include "session/session.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QLabel;
class QToolBar;
class frmTrend;

class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Opens one of the program's other windows modally, owned by the main window.
    using WindowOpener = std::function<void(QWidget *owner)>;
    // The settings dialog: given a copy of the settings, it hands back what it applied.
    using SettingsEditor =
        std::function<basSubMain::Settings(QWidget *owner, const basSubMain::Settings &current)>;
    using Inspector = ::Inspector; // the signed acknowledgement of an inspection
    struct Windows {
        SettingsEditor options;
        WindowOpener about;
        WindowOpener manual; // the manual, in the system's browser
        WindowOpener web;
        WindowOpener history;    // past logs
        WindowOpener registerOf; // the register of the site's records
        Inspector inspect;
    };

    explicit frmMain(const platform::Services &services, Windows windows = {},
                     QWidget *parent = nullptr);
    ~frmMain() override;

    // The window's handlers and procedures. Those written here hand over to the unit that
    // does the work: the session (link, ticks, file output), the reading panel (views and
    // layouts), the status bar, the inspection's acknowledgement and the other windows.

    // Life cycle.
    void Form_Load();
    // [Site] in the settings file cannot be used as it stands: said in a box, and the
    // settings dialog opened where it is mended. False when the file is fine.
    bool checkSiteSettings();
    bool Form_QueryUnload(); // true when the close is cancelled
    void Form_Unload() { saveSettingsAndClose(false); }
    void mnuFileExit_Click() { close(); }

    // Serial port control.
    void SetStatusText(int panel, const QString &text) { m_status->setText(panel, text); }
    QString StatusText(int panel) const { return m_status->text(panel); }
    void ScanPorts();
    bool OpenPort();
    void ClosePort() { m_session.closePort(); }
    bool SendCommand(const QString &command) { return m_session.sendCommand(command); }
    void mnuFileCom_Click();
    // "J" to the meter, then the link stops.
    void mnuFileStop_Click() { m_session.disconnectLink(); }
    // Port closed, countdown 0; the link reports stopped (status, commands, output).
    void StopLink() { m_session.stopLink(); }

    // One tick: the due row, the figures, the watchdog, in that order. The session's
    // heartbeat runs it; the port's notifications go to the link.
    void Timer1_Timer() { m_session.tick(); }

    // Reading panel, view modes and layouts.
    void ShowAllReadings(bool visible);
    void ShowPeakOnly() { m_panel->showView(display::ReadingPanel::View::Peak); }
    void ShowAveOnly() { m_panel->showView(display::ReadingPanel::View::Ave); }
    void mnuViewMalti_Click() { choose("mnuViewMalti"); }
    void mnuViewPeak_Click() { choose("mnuViewPeak"); }
    void mnuViewAve_Click() { choose("mnuViewAve"); }
    void ResetDisplay();
    void LayoutMultiMax() { layout(display::ReadingPanel::View::Multi, true); }
    void LayoutMultiMin() { layout(display::ReadingPanel::View::Multi, false); }
    void LayoutPeakMax() { layout(display::ReadingPanel::View::Peak, true); }
    void LayoutPeakMin() { layout(display::ReadingPanel::View::Peak, false); }
    void LayoutAveMax() { layout(display::ReadingPanel::View::Ave, true); }
    void LayoutAveMin() { layout(display::ReadingPanel::View::Ave, false); }
    void mnuViewMax_Click() { choose("mnuViewMax"); }
    void mnuViewMin_Click() { choose("mnuViewMin"); }

    // Menu and toolbar commands.
    void tbToolBar_ButtonClick(const QString &key);
    void mnuViewOptions_Click();
    void mnuViewToolbar_Click();
    void mnuHelpAbout_Click() { open(m_windows.about); }
    void mnuHelpManual_Click() { open(m_windows.manual); }
    void mnuHelpWeb_Click() { open(m_windows.web); }
    void mnuViewTrend_Click();
    void mnuViewSound_Click();
    void mnuViewAck_Click() { m_session.acknowledge(); }
    void mnuViewNotifyTest_Click() { m_alerts->testNotifications(*m_svc.settings); }
    void mnuViewInspect_Click()
    {
        acknowledgeInspection(this, m_session, m_windows.inspect, *m_svc.messageBox);
    }

    // File output.
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileHistory_Click() { open(m_windows.history); }
    void mnuFileRegister_Click() { open(m_windows.registerOf); }

    // Controls, for the tests and the program's other windows.
    display::ReadingPanel *readingPanel() const { return m_panel; }
    QLabel *lblPeak(int i) const { return m_panel->lblPeak(i); }
    QLabel *label(int n) const { return m_panel->label(n); } // Label1 to Label8
    QAction *menuItem(const QString &name) const { return m_actions.menu.value(name); }
    // Buttons 1 to 11: the menu items' actions, and separators.
    QAction *toolButton(int index) const { return m_actions.buttons[size_t(index - 1)]; }
    QToolBar *toolBar() const { return m_actions.toolBar; }
    bool logOpen() const { return m_session.fileOutputRunning(); }
    QString logFileName() const { return m_session.filePath(); }
    // Waits for the rows queued for the disk (tests that read the file).
    bool flushLog(int ms = 5000) { return m_session.flush(ms); }
    session::Session &session() { return m_session; }
    frmTrend *trendWindow() const { return m_trend; }

    // Start options: connect when the window is shown, and start file output at the
    // first frame after connecting.
    void setStartOptions(bool connectAtStart, bool logAtFirstFrame);
    // Ends the program as the exit command does, without asking (a termination signal:
    // nobody is there to answer). A settings file that cannot be written is reported on
    // standard error instead of in a box.
    void endWithoutAsking();

signals:
    // The program is to end (the main window has unloaded).
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Draws what the session says (the reading panel) and enables what it allows.
    void showSnapshot(const session::Snapshot &s);
    void showFileOutput(bool running);
    void relayout();
    void layout(display::ReadingPanel::View view, bool large);
    void setCommandsEnabled(bool linkStopped);
    void onLinkState(meterlink::LinkState state);
    void saveSettingsAndClose(bool askNobody);
    bool checked(const char *item) const;
    void choose(const char *item);
    void open(const WindowOpener &window)
    {
        if (window)
            window(this);
    }

    platform::Services m_svc;
    Windows m_windows;

    display::ReadingPanel *m_panel = nullptr;
    display::MainActions m_actions;
    display::MainStatusBar *m_status = nullptr;
    display::SessionAlerts *m_alerts = nullptr;

    session::Session m_session;
    frmTrend *m_trend = nullptr;
    bool m_formLoaded = false;
    bool m_unloaded = false;
};
