// The main window: reading area, menus, toolbar, status bar, and the commands that
// connect to the meter, show its readings and log them.
#pragma once

#include "link/alarm_sounder.h"
#include "link/frame_decoder.h"
#include "link/meter_link.h"
#include "link/reading_history.h"
#include "logging/log_writer.h"
#include "platform/services.h"
#include "publish/publisher.h"

#include <QMainWindow>
#include <QMap>
#include <array>
#include <functional>

class QAction;
class QLabel;
class QToolBar;
class QStatusBar;
class QTimer;
class frmTrend;

// A label's place in twips and its font size in points.
struct LabelPlace {
    int left, top, width, height;
    double points;
};

class frmMain : public QMainWindow, private meterlink::AlarmSink
{
    Q_OBJECT
public:
    // Opens one of the program's other windows modally, owned by the main window.
    using WindowOpener = std::function<void(QWidget *owner)>;
    struct Windows {
        WindowOpener options;
        WindowOpener about;
        WindowOpener web;
    };

    explicit frmMain(const platform::Services &services, Windows windows = {},
                     QWidget *parent = nullptr);
    ~frmMain() override;

    // Life cycle.
    void Form_Load();
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

    // File output.
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void WriteLogRecord();

    // Controls, for the tests and the program's other windows.
    QLabel *lblPeak(int i) const { return m_lblPeak[size_t(i)]; }
    QLabel *label(int n) const { return m_label[size_t(n - 1)]; } // Label1 to Label8
    QAction *menuItem(const QString &name) const { return m_menu.value(name); }
    QAction *toolButton(int index) const { return m_buttons[size_t(index - 1)]; }
    QToolBar *toolBar() const { return m_toolBar; }
    meterlink::AlarmColour alarmColour(int figure) const { return m_alarm[size_t(figure)]; }
    // False while the figures show the last values of a stopped link (drawn grey).
    bool figuresLive() const { return m_figuresLive; }
    // The words under the figures while the link is not live ("" while live), and the
    // pixel size of the state's word.
    QString linkBannerText() const;
    int linkBannerWordPx() const { return m_linkBannerWordPx; }
    bool logOpen() const { return m_log.isOpen(); }
    QString logFileName() const { return m_log.path(); }
    // Waits for the rows queued for the disk (tests that read the file).
    bool flushLog(int ms = 5000) { return m_log.flush(ms); }
    qint16 blinkCount() const { return m_link.blinkCount(); }
    const logging::DueRule &dueRule() const { return m_log.dueRule(); }
    meterlink::MeterLink &link() { return m_link; }
    const meterlink::ReadingHistory &history() const { return m_history; }
    frmTrend *trendWindow() const { return m_trend; }

    // Start options: connect when the window is shown, and start file output at the
    // first frame after connecting.
    void setStartOptions(bool connectAtStart, bool logAtFirstFrame);
    // Ends the program as the exit command does, without asking (a termination signal:
    // nobody is there to answer). A settings file that cannot be written is reported on
    // standard error instead of in a box.
    void endWithoutAsking();

    // What a broker is told: the readings while frames come (none otherwise), the alarm
    // levels and the link state.
    publish::Snapshot publishSnapshot() const;
    // The broker's state, in a panel of its own that appears only when one is configured.
    void setMqttStatus(const QString &text);

signals:
    // The program is to end (the main window has unloaded).
    void ended();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setAlarmColour(int figure, meterlink::AlarmColour colour) override;
    void applyFigureStyle(size_t figure);
    void setFiguresLive(bool live);
    void updateLinkToolTip();
    void updateLinkBanner();
    void placeLinkBanner();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void buildReadingArea();
    void place(QLabel *label, const LabelPlace &p);
    void layoutMulti(const LabelPlace (&table)[12], bool large);
    void layoutSingle(int figure, const LabelPlace (&table)[3], bool large);
    void setCommandsEnabled(bool linkStopped);
    void fileWarning(const QString &text);
    void onLinkState(meterlink::LinkState state);
    void onFramesDecoded();
    void notify(const QString &text);
    void onLogWriteFailed(const QString &reason, const QString &path);
    void onLogStalled(qsizetype rowsWaiting);
    void onLogStallEnded();
    void saveSettingsAndClose(bool askNobody);
    QAction *addItem(class QMenu *menu, const QString &name, const QString &caption,
                     const QKeySequence &key, void (frmMain::*handler)());

    platform::Services m_svc;
    Windows m_windows;

    QWidget *m_area = nullptr;
    QToolBar *m_toolBar = nullptr;
    std::array<QAction *, 11> m_buttons{};
    std::array<QLabel *, 5> m_panels{};
    QLabel *m_mqttPanel = nullptr;
    std::array<QLabel *, 4> m_lblPeak{};
    std::array<QLabel *, 8> m_label{};
    QMap<QString, QAction *> m_menu;
    QTimer *m_clockPanels = nullptr;

    std::array<meterlink::AlarmColour, 4> m_alarm{};
    bool m_figuresLive = true;
    QSize m_appliedFrame{0, 0};

    meterlink::MeterLink m_link;
    logging::LogWriter m_log;
    meterlink::ReadingHistory m_history;
    meterlink::AlarmSounder m_sounder;
    std::array<int, 2> m_notifiedLevels{};
    meterlink::LinkState m_lastState = meterlink::LinkState::Stopped;
    frmTrend *m_trend = nullptr;
    bool m_logAtFirstFrame = false;
    QString m_portReason;
    QLabel *m_linkBanner = nullptr;
    QString m_linkBannerText;
    int m_linkBannerWordPx = 0;
    qint64 m_lastFrameMs = 0;
    quint64 m_shownRejected = 0;
    bool m_unloaded = false;
};
