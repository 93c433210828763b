// The main window's controls, life cycle, reading panel, layouts and menu commands.
#include "display/frm_main.h"

#include "app/geometry.h"
#include "app/globals.h"
#include "app/language.h"
#include "app/resources.h"
#include "app/settings.h"
#include "display/dlg_inspection.h"
#include "display/figure_font.h"
#include "display/frm_trend.h"
#include "display/main_actions.h"
#include "display/main_status_bar.h"
#include "display/session_alerts.h"
#include "display/status_texts.h"
#include "display/trend_chart.h"
#include "logging/csv_format.h"
#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/timer.h"
#include "publish/notify.h"
#include "session/outputs.h"
#include "site/wind_rule.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <exception>

using namespace basSubMain;

namespace {

QString title()
{
    return QCoreApplication::translate("frmMain", "QV-475簡易ソフト");
}

} // namespace

frmMain::frmMain(const platform::Services &services, Windows windows, QWidget *parent)
    : QMainWindow(parent), m_svc(services), m_windows(std::move(windows)),
      m_session(
          {services.port, services.clock, services.latchFile, services.timer, services.portFinder})
{
    initResources();
    setObjectName(QStringLiteral("frmMain"));
    // Fixed single border with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(programIcon(QStringLiteral("app")));
    buildReadingArea();
    display::MainActions actions = display::buildMainActions(this, m_panel);
    m_menu = actions.menu;
    m_buttons = actions.buttons;
    m_toolBar = actions.toolBar;
    buildStatusBar();

    using session::Session;
    connect(&m_session, &Session::snapshotChanged, this, &frmMain::showSnapshot);
    connect(&m_session, &Session::linkStateChanged, this, &frmMain::onLinkState);
    connect(&m_session, &Session::blink, this, &frmMain::onBlink);
    // A port that failed while open says why in the link's panel; the watchdog decides.
    connect(&m_session, &Session::portFailed, this,
            [this](const QString &reason) { m_status->setPortReason(reason); });
    connect(&m_session, &Session::fileStarted, this, [this] { showFileOutput(true); });
    connect(&m_session, &Session::fileStopped, this, [this] { showFileOutput(false); });
    connect(&m_session, &Session::fileStartFailed, this, &frmMain::onFileStartFailed);
    connect(&m_session, &Session::writeFailed, this, &frmMain::onLogWriteFailed);
    connect(&m_session, &Session::stalled, this, &frmMain::onLogStalled);
    connect(&m_session, &Session::stallEnded, this, &frmMain::onLogStallEnded);
    connect(&m_session, &Session::outputStatus, this, &frmMain::showOutputStatus);
    // Kept at once: the program may not end by 終了.
    connect(&m_session, &Session::portIdentified, this,
            [this](const QString &portId) { basSubMain::keepPortId(*m_svc.settings, portId); });
    m_alerts =
        new display::SessionAlerts(m_session, m_svc.notifier, m_svc.sound, m_svc.messageBox, this);
    session::compose(m_session, basSubMain::LoadSettings(*m_svc.settings), *m_svc.settings,
                     {m_svc.file, m_svc.clock, m_svc.mqttClient, {}, m_svc.sleepInhibitor});
    Form_Load();
}

frmMain::~frmMain() = default;

// ---- controls -------------------------------------------------------------

void frmMain::buildStatusBar()
{
    m_status = new display::MainStatusBar(m_svc.clock, this);
    setStatusBar(m_status);
}

void frmMain::buildReadingArea()
{
    m_panel = new display::ReadingPanel(this);
    setCentralWidget(m_panel);
    connect(m_panel, &display::ReadingPanel::layoutNeeded, this, &frmMain::relayout);
}

void frmMain::showSnapshot(const session::Snapshot &s)
{
    m_panel->show(s, m_session.settings().site.minutes, m_svc.clock->epochMilliseconds());
    m_menu[QStringLiteral("mnuViewInspect")]->setEnabled(s.site.on &&
                                                         (s.site.latched || s.site.scaffoldMs));
    m_status->setRejected(s.rejected);
}

void frmMain::relayout()
{
    const bool site = m_session.snapshot().site.on;
    if (!m_formLoaded) {
        // Before the first layout: the design geometry, with the strip below it.
        const QSizeF twips = display::ReadingPanel::windowTwips(false, site);
        CenterForm(this, twips.width(), twips.height());
        m_panel->placeStrips(site);
        return;
    }
    if (m_menu[QStringLiteral("mnuViewMin")]->isChecked())
        mnuViewMin_Click();
    else
        mnuViewMax_Click();
}

void frmMain::mnuViewInspect_Click()
{
    const session::Snapshot &now = m_session.snapshot();
    if (!(now.site.latched || now.site.scaffoldMs) || !m_windows.inspect)
        return;
    const auto inspection = m_windows.inspect(this, inspectionCause(now.site));
    if (!inspection)
        return;
    // A wind still above the caution threshold is said before anything is recorded.
    const QString question = strongWindQuestion(m_session.snapshot(), m_session.settings().site);
    if (!question.isEmpty() &&
        m_svc.messageBox->show(this, question, title(), platform::MessageBox::Icon::Exclamation,
                               platform::MessageBox::Buttons::NoYes) !=
            platform::MessageBox::Answer::Yes)
        return;
    m_session.acknowledgeInspection(inspection->by, inspection->result);
}

bool frmMain::checkSiteSettings()
{
    const QString error = basSubMain::siteFileError(*m_svc.settings);
    if (error.isEmpty())
        return false;
    m_svc.messageBox->show(
        this,
        QCoreApplication::translate(
            "frmMain", "設定ﾌｧｲﾙの現場設定を使えません。\n%1\n"
                       "直すまで、判定には既定の基準 (注意 8.0、作業中止 10.0、暴風 30.0 m/s) を"
                       "使います。")
            .arg(error),
        title(), platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
    mnuViewOptions_Click();
    return true;
}

void frmMain::SetStatusText(int panel, const QString &text)
{
    m_status->setText(panel, text);
}

QString frmMain::StatusText(int panel) const
{
    return m_status->text(panel);
}

// ---- life cycle -------------------------------------------------------------

void frmMain::Form_Load()
{
    // The site's strip, when it is on, adds its height below the design layout.
    const QSizeF twips = display::ReadingPanel::windowTwips(false, m_session.snapshot().site.on);
    CenterForm(this, twips.width(), twips.height());
    setWindowTitle(title());
    ResetDisplay();
    m_session.startHeartbeat();
    m_menu[QStringLiteral("mnuViewMalti")]->setChecked(true);
    m_menu[QStringLiteral("mnuViewMin")]->setChecked(true);
    m_formLoaded = true;
}

bool frmMain::Form_QueryUnload()
{
    const auto answer = m_svc.messageBox->show(
        this, QCoreApplication::translate("frmMain", "プログラムを終了してもよろしいですか？"),
        QCoreApplication::translate("frmMain", "ﾌﾟﾛｸﾞﾗﾑの終了"),
        platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::YesNo);
    return answer != platform::MessageBox::Answer::Yes;
}

void frmMain::Form_Unload()
{
    saveSettingsAndClose(false);
}

void frmMain::endWithoutAsking()
{
    if (m_unloaded)
        return;
    saveSettingsAndClose(true);
    close();
}

void frmMain::saveSettingsAndClose(bool askNobody)
{
    m_unloaded = true;
    SaveSettings(*m_svc.settings, m_session.settings());
    auto tell = [this, askNobody](const QString &text) {
        if (askNobody)
            qWarning("%s", qPrintable(text));
        else
            m_svc.messageBox->show(this, text, QStringLiteral("QV475_XP"),
                                   platform::MessageBox::Icon::Exclamation,
                                   platform::MessageBox::Buttons::Ok);
    };
    if (!m_svc.settings->sync())
        tell(QCoreApplication::translate("frmMain", "設定を保存できませんでした。\n%1")
                 .arg(m_svc.settings->location()));
    else if (const QString backup = m_svc.settings->backupMade(); !backup.isEmpty())
        tell(QCoreApplication::translate(
                 "frmMain",
                 "設定ﾌｧｲﾙに読み取れない行があったため、元のﾌｧｲﾙを残してから保存しました。\n%1")
                 .arg(backup));
    // The rows still queued go to the disk first, within a bound: a disk that never
    // answers must not keep the program from ending.
    const qsizetype waiting = m_session.rowsWaiting();
    if (!m_session.end(logging::BackgroundWriter::kFinishBoundMs)) {
        tell(QCoreApplication::translate(
                 "frmMain", "ﾃﾞｨｽｸが応答しないため、%1 行をﾌｧｲﾙに書き込めませんでした。\n%2")
                 .arg(m_session.rowsWaiting() ? m_session.rowsWaiting() : waiting)
                 .arg(m_session.filePath()));
    }
    // No further handler runs: the heartbeat stopped with the session's end, the clock
    // panels stop and the port is released.
    m_status->stopClock();
    m_svc.port->close();
    emit ended();
}

bool frmMain::event(QEvent *e)
{
    const bool handled = QMainWindow::event(e);
    // A window manager adds its frame only once the window is shown; the layouts' sizes
    // are outer sizes, so apply the current one again when the frame becomes known.
    if ((e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show) &&
        isVisible()) {
        const QSize frame = frameGeometry().size() - geometry().size();
        if (frame != m_appliedFrame) {
            m_appliedFrame = frame;
            CenterForm(this, property("twipsWidth").toDouble(),
                       property("twipsHeight").toDouble() - 120);
        }
    }
    return handled;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::setStartOptions(bool connectAtStart, bool logAtFirstFrame)
{
    platform::PortError error;
    switch (m_session.begin(connectAtStart, logAtFirstFrame, &error)) {
    case session::Begun::Reconnecting:
        // Waited for without a box that nobody may be there to close.
        m_status->setPortReason(error.text());
        break;
    case session::Begun::PortFailed: showPortFailure(error); break;
    case session::Begun::Nothing:
    case session::Begun::Connected: break;
    }
}

void frmMain::showOutputStatus(const QString &output, const QString &text)
{
    m_status->showOutput(output, text);
}

void frmMain::mnuViewNotifyTest_Click()
{
    const auto notify = publish::loadNotifySettings(*m_svc.settings);
    if (!notify || (notify->target.url.isEmpty() && notify->target.command.isEmpty())) {
        m_svc.messageBox->show(this,
                               QCoreApplication::translate(
                                   "frmMain", "設定ﾌｧｲﾙに通知先がありません。\n%1 の [Notify] に "
                                              "Url= か Command= を書いてください。")
                                   .arg(m_svc.settings->location()),
                               title(), platform::MessageBox::Icon::Exclamation,
                               platform::MessageBox::Buttons::Ok);
        return;
    }
    // The answers come to the status bar's panel of the notifications.
    showOutputStatus(QStringLiteral("Notify"), QStringLiteral("Notify: sending a test"));
    m_session.testNotifications();
}

void frmMain::mnuViewTrend_Click()
{
    if (!m_trend) {
        m_trend = new frmTrend(m_session.history(), m_svc.clock, this);
        m_trend->setSiteSource([this](qint64 from, qint64 to) {
            return liveSiteLines(m_session.meanHistory(), m_session.settings().site, from, to);
        });
        m_trend->placeBeside(this);
    }
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
}

void frmMain::mnuViewSound_Click()
{
    const bool on = !m_session.settings().sound;
    m_session.setSoundEnabled(on);
    m_menu[QStringLiteral("mnuViewSound")]->setChecked(on);
}

void frmMain::mnuViewAck_Click()
{
    m_session.acknowledge();
}

void frmMain::mnuFileHistory_Click()
{
    if (m_windows.history)
        m_windows.history(this);
}

void frmMain::mnuFileExit_Click()
{
    close();
}

// ---- reading panel and view modes --------------------------------------------

void frmMain::ShowAllReadings(bool visible)
{
    if (visible)
        m_panel->showView(display::ReadingPanel::View::Multi);
    else
        m_panel->hideFigures();
}

void frmMain::ShowPeakOnly()
{
    m_panel->showView(display::ReadingPanel::View::Peak);
}

void frmMain::ShowAveOnly()
{
    m_panel->showView(display::ReadingPanel::View::Ave);
}

void frmMain::mnuViewMalti_Click()
{
    m_menu[QStringLiteral("mnuViewMalti")]->setChecked(true);
    m_menu[QStringLiteral("mnuViewPeak")]->setChecked(false);
    m_menu[QStringLiteral("mnuViewAve")]->setChecked(false);
    if (m_menu[QStringLiteral("mnuViewMin")]->isChecked())
        LayoutMultiMin();
    else
        LayoutMultiMax();
}

void frmMain::mnuViewPeak_Click()
{
    m_menu[QStringLiteral("mnuViewMalti")]->setChecked(false);
    m_menu[QStringLiteral("mnuViewPeak")]->setChecked(true);
    m_menu[QStringLiteral("mnuViewAve")]->setChecked(false);
    if (m_menu[QStringLiteral("mnuViewMin")]->isChecked())
        LayoutPeakMin();
    else
        LayoutPeakMax();
}

void frmMain::mnuViewAve_Click()
{
    m_menu[QStringLiteral("mnuViewMalti")]->setChecked(false);
    m_menu[QStringLiteral("mnuViewPeak")]->setChecked(false);
    m_menu[QStringLiteral("mnuViewAve")]->setChecked(true);
    if (m_menu[QStringLiteral("mnuViewMin")]->isChecked())
        LayoutAveMin();
    else
        LayoutAveMax();
}

void frmMain::ResetDisplay()
{
    m_session.reset();
    SetStatusText(1, texts::fileStopped());
    SetStatusText(2, texts::linkStopped());
    SetStatusText(3, QStringLiteral("COM") + QString::number(m_session.settings().port));
    m_menu[QStringLiteral("mnuViewSound")]->setChecked(m_session.settings().sound);
    showSnapshot(m_session.snapshot());
}

// ---- window scaling layouts ----------------------------------------------------

// Every layout hides all twelve labels first, so no intermediate state is drawn, moves
// its labels, sizes and centres the window, and shows its view's labels last.
void frmMain::layout(display::ReadingPanel::View view, bool large)
{
    m_panel->hideFigures();
    m_panel->placeView(view, large);
    const bool site = m_session.snapshot().site.on;
    const QSizeF twips = display::ReadingPanel::windowTwips(large, site);
    CenterForm(this, twips.width(), twips.height());
    m_panel->showView(view);
    m_panel->placeStrips(site);
}

void frmMain::LayoutMultiMax()
{
    layout(display::ReadingPanel::View::Multi, true);
}

void frmMain::LayoutMultiMin()
{
    layout(display::ReadingPanel::View::Multi, false);
}

void frmMain::LayoutPeakMax()
{
    layout(display::ReadingPanel::View::Peak, true);
}

void frmMain::LayoutPeakMin()
{
    layout(display::ReadingPanel::View::Peak, false);
}

void frmMain::LayoutAveMax()
{
    layout(display::ReadingPanel::View::Ave, true);
}

void frmMain::LayoutAveMin()
{
    layout(display::ReadingPanel::View::Ave, false);
}

void frmMain::mnuViewMax_Click()
{
    if (m_menu[QStringLiteral("mnuViewMalti")]->isChecked())
        LayoutMultiMax();
    else if (m_menu[QStringLiteral("mnuViewPeak")]->isChecked())
        LayoutPeakMax();
    else
        LayoutAveMax();
    m_menu[QStringLiteral("mnuViewMax")]->setChecked(true);
    m_menu[QStringLiteral("mnuViewMin")]->setChecked(false);
}

void frmMain::mnuViewMin_Click()
{
    if (m_menu[QStringLiteral("mnuViewMalti")]->isChecked())
        LayoutMultiMin();
    else if (m_menu[QStringLiteral("mnuViewPeak")]->isChecked())
        LayoutPeakMin();
    else
        LayoutAveMin();
    m_menu[QStringLiteral("mnuViewMax")]->setChecked(false);
    m_menu[QStringLiteral("mnuViewMin")]->setChecked(true);
}

// ---- menu and toolbar commands ---------------------------------------------------

void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    // The toolbar has no logic of its own: a known key runs its menu command, any other
    // does nothing, and an error thrown inside the command goes no further.
    if (const display::MainActions::Command command = display::toolBarCommand(key)) {
        try {
            (this->*command)();
        } catch (const std::exception &e) {
            qWarning("toolbar command %s: %s", qPrintable(key), e.what());
        }
    }
}

void frmMain::mnuViewOptions_Click()
{
    // Reached while live or reconnecting only from the file-output start with no file
    // name: the dialog needs the port, so the link is ended as a disconnect would end
    // it, and the meter is told to stop sending.
    if (m_session.linkActive())
        mnuFileStop_Click();
    setCursor(Qt::WaitCursor);
    ClosePort();
    ScanPorts();
    setCursor(Qt::ArrowCursor);
    if (m_windows.options)
        m_session.setSettings(m_windows.options(this, m_session.settings()));
    ResetDisplay();
}

void frmMain::mnuViewToolbar_Click()
{
    QAction *item = m_menu[QStringLiteral("mnuViewToolbar")];
    item->setChecked(!item->isChecked());
    m_toolBar->setVisible(item->isChecked());
}

void frmMain::mnuHelpAbout_Click()
{
    if (m_windows.about)
        m_windows.about(this);
}

void frmMain::mnuHelpWeb_Click()
{
    if (m_windows.web)
        m_windows.web(this);
}

void frmMain::setCommandsEnabled(bool linkStopped)
{
    m_buttons[3]->setEnabled(linkStopped);
    m_buttons[4]->setEnabled(linkStopped);
    m_menu[QStringLiteral("mnuViewOptions")]->setEnabled(linkStopped);
    m_menu[QStringLiteral("mnuFileCom")]->setEnabled(linkStopped);
}
