// The main window's serial link: the port commands, connect and disconnect, reception and
// the periodic tick, handed to the link and log units; what they report is shown here.
#include "display/frm_main.h"

#include "app/globals.h"
#include "link/status_texts.h"
#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"

#include <QAction>
#include <QLabel>

using namespace basSubMain;

namespace {
const QString kPortTitle = QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ");
}

// The port's message: the fixed text, then the device and the port's own reason.
QString portFailureText(const platform::PortError &error)
{
    QString text = QStringLiteral("このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。");
    if (!error.reason.isEmpty())
        text += QStringLiteral("\n\n") + error.text();
    if (error.permissionDenied)
        text += QStringLiteral("\nｼﾘｱﾙﾎﾟｰﾄを使うには、このﾕｰｻﾞｰを dialout ｸﾞﾙｰﾌﾟに加えてください"
                               "（sudo usermod -aG dialout $USER の後、ﾛｸﾞｲﾝし直します）。");
    return text;
}

void frmMain::ScanPorts()
{
    // Whether a port can be opened does not depend on the stored line settings: a speed
    // the port cannot use must not hide every port from the list to choose from.
    const QString stored = m_svc.port->settings();
    m_svc.port->setSettings(kDefaultComSt);
    int n = 0;
    for (int i = 1; i <= 16; ++i) {
        m_svc.port->setCommPort(i);
        if (m_svc.port->open(nullptr))
            gPortList[size_t(n++)] = qint16(i);
        m_svc.port->close();
    }
    gPortList[size_t(n)] = 0;
    m_svc.port->setSettings(stored);
}

bool frmMain::OpenPort()
{
    if (!m_svc.port->isOpen()) {
        platform::PortError error;
        if (m_link.openPort(&error))
            return true;
        m_svc.messageBox->show(this, portFailureText(error), kPortTitle,
                               platform::MessageBox::Icon::Critical,
                               platform::MessageBox::Buttons::Ok);
        return false;
    }
    m_svc.messageBox->show(this, QStringLiteral("ﾎﾟｰﾄは既に開かれています。"), kPortTitle,
                           platform::MessageBox::Icon::Critical, platform::MessageBox::Buttons::Ok);
    return false;
}

void frmMain::ClosePort()
{
    m_link.closePort();
}

bool frmMain::SendCommand(const QString &command)
{
    return m_link.sendCommand(command);
}

void frmMain::mnuFileCom_Click()
{
    if (!OpenPort())
        return;
    // "D" to the meter, the watchdog armed; the link reports live (status, commands).
    m_link.start();
}

void frmMain::mnuFileStop_Click()
{
    SendCommand(QStringLiteral("J"));
    StopLink();
}

void frmMain::StopLink()
{
    // Port closed, countdown 0; the link reports stopped (status, commands, output).
    m_link.stop();
}

void frmMain::onLinkState(meterlink::LinkState state)
{
    // The trend breaks its lines where the link went down, and no alarm sounds for
    // figures that are no longer measured.
    if (state != meterlink::LinkState::Live) {
        m_history.appendGap(m_svc.clock->epochMilliseconds());
        m_sounder.clearLevels();
        m_notifiedLevels = {};
    } else if (m_lastState == meterlink::LinkState::Reconnecting)
        notify(QStringLiteral("風速計との通信が回復しました。"));
    m_lastState = state;
    updateLinkBanner();
    switch (state) {
    case meterlink::LinkState::Live:
        SetStatusText(2, texts::kLinkLive);
        setCommandsEnabled(false);
        break;
    case meterlink::LinkState::Reconnecting:
        // File output goes on, with gap rows, until the meter talks again.
        SetStatusText(2, texts::kLinkReconnecting);
        // Steady, whichever half of the blink the link was lost in.
        if (m_log.isOpen())
            SetStatusText(1, texts::kFileRunning);
        setCommandsEnabled(false);
        break;
    case meterlink::LinkState::Stopped:
        SetStatusText(2, texts::kLinkStopped);
        setCommandsEnabled(true);
        mnuFileClose_Click();
        break;
    }
}

void frmMain::MSComm1_OnComm()
{
    m_link.onComm();
}

void frmMain::Timer1_Timer()
{
    WriteLogRecord();
    for (size_t i = 0; i < 4; ++i) {
        // An unchanged text is not set again, so the figure is not repainted.
        if (m_lblPeak[i]->text() != gReadings[i])
            m_lblPeak[i]->setText(gReadings[i]);
    }
    const meterlink::TickOutcome out = m_link.tick(m_log.isOpen());
    if (m_link.rejectedFrames() != m_shownRejected) {
        m_shownRejected = m_link.rejectedFrames();
        updateLinkToolTip();
    }
    if (out.setPanel2)
        SetStatusText(2, out.panel2);
    if (out.setPanel1)
        SetStatusText(1, out.panel1);
    // A level-2 alarm not yet acknowledged sounds again every 10 s.
    if (m_sounder.onTick(m_svc.clock->epochMilliseconds()) !=
            meterlink::AlarmSounder::Sound::None &&
        m_svc.sound)
        m_svc.sound->play(2);
}
