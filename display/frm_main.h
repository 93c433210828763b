// The main window: reading area, menus, toolbar, status bar, and the commands that
// connect to the meter, show its readings and log them.
#pragma once

#include "display/reading_panel.h"
#include "platform/services.h"
#include "session/session.h"

#include <QMainWindow>
#include <QMap>
#include <array>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QToolBar;
class QStatusBar;
class QTimer;
class frmTrend;
namespace display {
class MainStatusBar;
class SessionAlerts;
} // namespace display

class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Opens one of the program's other windows modally, owned by the main window.
    using WindowOpener = std::function<void(QWidget *owner)>;
    // The settings dialog: given a copy of the settings, it hands back what it applied.
    using SettingsEditor =
        std::function<basSubMain::Settings(QWidget *owner, const basSubMain::Settings &current)>;
    // The signed acknowledgement of an inspection: given the latch's cause in words, the
    // inspector and the result, or nothing when cancelled.
    using Inspector =
        std::function<std::optional<site::Inspection>(QWidget *owner, const QString &what)>;
    struct Windows {
        SettingsEditor options;
        WindowOpener about;
        WindowOpener web;
        WindowOpener history; // past logs
        Inspector inspect;
    };

    explicit frmMain(const platform::Services &services, Windows windows = {},
                     QWidget *parent = nullptr);
    ~frmMain() override;

    // Life cycle.
    void Form_Load();
    // [Site] in the settings file cannot be used as it stands: said in a box, and the
    // settings dialog opened where it is mended. False when the file is fine.
    bool checkSiteSettings();
    bool Form_QueryUnload(); // true when the close is cancelled
    void Form_Unload();
    void mnuFileExit_Click();

    // Serial port control.
    void SetStatusText(int panel, const QString &text);
    QString StatusText(int panel) const;
    void ScanPorts();
    bool OpenPort();
    void ClosePort();
    bool SendCommand(const QString &command);
    void mnuFileCom_Click();
    void mnuFileStop_Click();
    void StopLink();

    // Reception and the periodic tick.
    void MSComm1_OnComm();
    void Timer1_Timer();

    // Reading panel, view modes and layouts.
    void ShowAllReadings(bool visible);
    void ShowPeakOnly();
    void ShowAveOnly();
    void mnuViewMalti_Click();
    void mnuViewPeak_Click();
    void mnuViewAve_Click();
    void ResetDisplay();
    void LayoutMultiMax();
    void LayoutMultiMin();
    void LayoutPeakMax();
    void LayoutPeakMin();
    void LayoutAveMax();
    void LayoutAveMin();
    void mnuViewMax_Click();
    void mnuViewMin_Click();

    // Menu and toolbar commands.
    void tbToolBar_ButtonClick(const QString &key);
    void mnuViewOptions_Click();
    void mnuViewToolbar_Click();
    void mnuHelpAbout_Click();
    void mnuHelpWeb_Click();
    void mnuViewTrend_Click();
    void mnuViewSound_Click();
    void mnuViewAck_Click();
    void mnuViewNotifyTest_Click();
    void mnuViewInspect_Click();

    // File output.
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileHistory_Click();

    // Controls, for the tests and the program's other windows.
    display::ReadingPanel *readingPanel() const { return m_panel; }
    QLabel *lblPeak(int i) const { return m_panel->lblPeak(i); }
    QLabel *label(int n) const { return m_panel->label(n); } // Label1 to Label8
    QAction *menuItem(const QString &name) const { return m_menu.value(name); }
    QAction *toolButton(int index) const { return m_buttons[size_t(index - 1)]; }
    QToolBar *toolBar() const { return m_toolBar; }
    AlarmColour alarmColour(int figure) const { return m_panel->alarmColour(figure); }
    bool figuresLive() const { return m_panel->figuresLive(); }
    QString linkBannerText() const { return m_panel->linkBannerText(); }
    int linkBannerWordPx() const { return m_panel->linkBannerWordPx(); }
    bool logOpen() const { return m_session.fileOutputRunning(); }
    QString logFileName() const { return m_session.filePath(); }
    // Waits for the rows queued for the disk (tests that read the file).
    bool flushLog(int ms = 5000) { return m_session.flush(ms); }
    qint16 blinkCount() const { return m_session.link().blinkCount(); }
    session::Session &session() { return m_session; }
    frmTrend *trendWindow() const { return m_trend; }

    // Start options: connect when the window is shown, and start file output at the
    // first frame after connecting.
    void setStartOptions(bool connectAtStart, bool logAtFirstFrame);
    // Ends the program as the exit command does, without asking (a termination signal:
    // nobody is there to answer). A settings file that cannot be written is reported on
    // standard error instead of in a box.
    void endWithoutAsking();

    // The strip of the site's rule under the figures (shown while [Site] is on): the
    // window grows by its height.
    QLabel *siteStrip() const { return m_panel->siteStrip(); }
    QString siteStripText() const { return m_panel->siteStripText(); }
    int siteStripCaptionPx() const { return m_panel->siteStripCaptionPx(); }
    static constexpr int kSiteStripLarge = display::ReadingPanel::kSiteStripLarge;
    static constexpr int kSiteStripSmall = display::ReadingPanel::kSiteStripSmall;
    static constexpr int kLinkBannerLeastLarge = display::ReadingPanel::kLinkBannerLeastLarge;

    // An output's state line (the broker, the notifications, the sleep lock) in a status
    // bar panel of its own, "sbPanel<output>", which appears when the output first speaks.
    void showOutputStatus(const QString &output, const QString &text);

signals:
    // The program is to end (the main window has unloaded).
    void ended();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Draws what the session says (the reading panel) and enables what it allows.
    void showSnapshot(const session::Snapshot &s);
    void showFileOutput(bool running);
    void showPortFailure(const platform::PortError &error);
    void onFileStartFailed(session::StartResult why, const QString &error);
    void relayout();
    void buildStatusBar();
    void buildReadingArea();
    void layout(display::ReadingPanel::View view, bool large);
    void setCommandsEnabled(bool linkStopped);
    void fileWarning(const QString &text);
    void onLinkState(meterlink::LinkState state);
    void onBlink(bool shown);
    void onLogWriteFailed(const QString &reason, const QString &path, bool stopped);
    void onLogStalled(qsizetype rowsWaiting);
    void onLogStallEnded();
    void saveSettingsAndClose(bool askNobody);

    platform::Services m_svc;
    Windows m_windows;

    display::ReadingPanel *m_panel = nullptr;
    QToolBar *m_toolBar = nullptr;
    std::array<QAction *, 11> m_buttons{};
    display::MainStatusBar *m_status = nullptr;
    display::SessionAlerts *m_alerts = nullptr;
    QMap<QString, QAction *> m_menu;

    QSize m_appliedFrame{0, 0};

    session::Session m_session;
    frmTrend *m_trend = nullptr;
    bool m_formLoaded = false;
    bool m_unloaded = false;
};
