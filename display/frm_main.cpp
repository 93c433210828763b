// The main window's controls, life cycle, reading panel, layouts and menu commands.
#include "display/frm_main.h"

#include "base/geometry.h"
#include "base/resources.h"
#include "base/settings.h"
#include "display/frm_trend.h"
#include "display/status_texts.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "session/outputs.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QToolBar>
#include <exception>

using namespace basSubMain;

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
    keepCentredOnFrame(this);
    m_panel = new display::ReadingPanel(this);
    setCentralWidget(m_panel);
    connect(m_panel, &display::ReadingPanel::layoutNeeded, this, &frmMain::relayout);
    m_actions = display::buildMainActions(this, m_panel);
    m_status = new display::MainStatusBar(m_svc.clock, this);
    setStatusBar(m_status);
    m_status->follow(m_session);

    using session::Session;
    connect(&m_session, &Session::snapshotChanged, this, &frmMain::showSnapshot);
    connect(&m_session, &Session::linkStateChanged, this, &frmMain::onLinkState);
    connect(&m_session, &Session::fileStarted, this, [this] { showFileOutput(true); });
    connect(&m_session, &Session::fileStopped, this, [this] { showFileOutput(false); });
    // Kept at once: the program may not end by 終了.
    connect(&m_session, &Session::portIdentified, this,
            [this](const QString &portId) { basSubMain::keepPortId(*m_svc.settings, portId); });
    m_alerts =
        new display::SessionAlerts(m_session, m_svc.notifier, m_svc.sound, m_svc.messageBox, this);
    connect(m_alerts, &display::SessionAlerts::settingsNeeded, this,
            &frmMain::mnuViewOptions_Click);
    session::compose(m_session, basSubMain::LoadSettings(*m_svc.settings), *m_svc.settings,
                     {m_svc.file, m_svc.clock, m_svc.mqttClient, {}, m_svc.sleepInhibitor});
    Form_Load();
}

frmMain::~frmMain() = default;

// ---- controls -------------------------------------------------------------

bool frmMain::checked(const char *item) const
{
    return m_actions.menu.value(QLatin1String(item))->isChecked();
}

void frmMain::showSnapshot(const session::Snapshot &s)
{
    m_panel->show(s, m_session.settings().site.minutes, m_svc.clock->epochMilliseconds());
    menuItem(QStringLiteral("mnuViewInspect"))
        ->setEnabled(s.site.on && (s.site.latched || s.site.scaffoldMs));
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
    if (checked("mnuViewMin"))
        mnuViewMin_Click();
    else
        mnuViewMax_Click();
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
        texts::programTitle(), platform::MessageBox::Icon::Exclamation,
        platform::MessageBox::Buttons::Ok);
    mnuViewOptions_Click();
    return true;
}

// ---- life cycle -------------------------------------------------------------

void frmMain::Form_Load()
{
    // The site's strip, when it is on, adds its height below the design layout.
    const QSizeF twips = display::ReadingPanel::windowTwips(false, m_session.snapshot().site.on);
    CenterForm(this, twips.width(), twips.height());
    setWindowTitle(texts::programTitle());
    ResetDisplay();
    m_session.startHeartbeat();
    menuItem(QStringLiteral("mnuViewMalti"))->setChecked(true);
    menuItem(QStringLiteral("mnuViewMin"))->setChecked(true);
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
    const QString saved = SaveSettingsSaying(*m_svc.settings, m_session.settings());
    auto tell = [this, askNobody](const QString &text) {
        if (askNobody)
            qWarning("%s", qPrintable(text));
        else
            m_svc.messageBox->show(this, text, QStringLiteral("QV475_XP"),
                                   platform::MessageBox::Icon::Exclamation,
                                   platform::MessageBox::Buttons::Ok);
    };
    if (!saved.isEmpty())
        tell(saved);
    // The rows still queued go to the disk first, within a bound: a disk that never
    // answers must not keep the program from ending.
    const qsizetype waiting = m_session.rowsWaiting();
    // Ended by the exit command, or asked by the system (a signal, a logout).
    if (!m_session.end(logging::BackgroundWriter::kFinishBoundMs,
                       session::Session::MeterOnEnd::Leave,
                       askNobody ? QStringLiteral("停止要求") : QStringLiteral("終了"))) {
        // The rows per file (the notices still on their way are not the disk's).
        QStringList files;
        for (const auto &[path, rows] : m_session.rowsPerFile())
            files << QStringLiteral("%1 (%2)").arg(path).arg(rows);
        tell(QCoreApplication::translate(
                 "frmMain", "ﾃﾞｨｽｸが応答しないため、%1 行をﾌｧｲﾙに書き込めませんでした。\n%2")
                 .arg(m_session.rowsWaiting() ? m_session.rowsWaiting() : waiting)
                 .arg(files.isEmpty() ? m_session.filePath() : files.join(QLatin1Char('\n'))));
    }
    // No further handler runs: the heartbeat stopped with the session's end, the clock
    // panels stop and the port is released.
    m_status->stopClock();
    m_svc.port->close();
    emit ended();
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
    case session::Begun::PortFailed: m_alerts->portFailed(error); break;
    case session::Begun::Nothing:
    case session::Begun::Connected: break;
    }
}

void frmMain::mnuViewTrend_Click()
{
    if (!m_trend)
        m_trend = frmTrend::forSession(m_session, m_svc.clock, this);
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
}

void frmMain::mnuViewSound_Click()
{
    const bool on = !m_session.settings().sound;
    m_session.setSoundEnabled(on);
    menuItem(QStringLiteral("mnuViewSound"))->setChecked(on);
}

// ---- reading panel and view modes --------------------------------------------

void frmMain::ShowAllReadings(bool visible)
{
    if (visible)
        m_panel->showView(display::ReadingPanel::View::Multi);
    else
        m_panel->hideFigures();
}

// The marks carry the view and the size; one item of each group is checked. A view or a
// size command checks its item and lays the window out for both marks.
void frmMain::choose(const char *item)
{
    menuItem(QLatin1String(item))->setChecked(true);
    layout(checked("mnuViewMalti")  ? display::ReadingPanel::View::Multi
           : checked("mnuViewPeak") ? display::ReadingPanel::View::Peak
                                    : display::ReadingPanel::View::Ave,
           checked("mnuViewMax"));
}

void frmMain::ResetDisplay()
{
    m_session.reset();
    SetStatusText(1, texts::fileStopped());
    SetStatusText(2, texts::linkStopped());
    SetStatusText(3, QStringLiteral("COM") + QString::number(m_session.settings().port));
    menuItem(QStringLiteral("mnuViewSound"))->setChecked(m_session.settings().sound);
    showSnapshot(m_session.snapshot());
}

// ---- window scaling layouts ----------------------------------------------------

void frmMain::layout(display::ReadingPanel::View view, bool large)
{
    m_panel->layout(view, large, m_session.snapshot().site.on);
}

// ---- menu and toolbar commands ---------------------------------------------------

void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    // The buttons are the menu's items and run their commands themselves; a caller that
    // holds a key runs its button's command here, directly, so that an error thrown inside
    // it goes no further (never through Qt's signals, which do not pass exceptions). Any
    // other key does nothing.
    const QAction *button = m_actions.button(key);
    if (const display::MainActions::Command command = m_actions.commands.value(button)) {
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
    QAction *item = menuItem(QStringLiteral("mnuViewToolbar"));
    item->setChecked(!item->isChecked());
    m_actions.toolBar->setVisible(item->isChecked());
}

void frmMain::setCommandsEnabled(bool linkStopped)
{
    // Also toolbar buttons 4 and 5, which are these items.
    menuItem(QStringLiteral("mnuViewOptions"))->setEnabled(linkStopped);
    menuItem(QStringLiteral("mnuFileCom"))->setEnabled(linkStopped);
}
