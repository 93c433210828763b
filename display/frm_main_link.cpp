// The main window's serial link: the port commands, connect and disconnect, reception and
// the periodic tick, handed to the session; what it reports is shown here.
#include "display/frm_main.h"

#include "app/globals.h"
#include "display/status_texts.h"
#include "platform/alerts.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>

using namespace basSubMain;

namespace {
QString portTitle()
{
    return QCoreApplication::translate("frmMain", "ﾎﾟｰﾄのｵｰﾌﾟﾝ");
}
} // namespace

// The port's message: the fixed text, then the device and the port's own reason.
QString portFailureText(const platform::PortError &error)
{
    QString text = QCoreApplication::translate(
        "frmMain", "このﾎﾟｰﾄは使用できません。別のﾎﾟｰﾄに設定してください。");
    if (!error.reason.isEmpty())
        text += QStringLiteral("\n\n") + error.text();
    if (error.permissionDenied)
        text += QCoreApplication::translate(
            "frmMain", "\nｼﾘｱﾙﾎﾟｰﾄを使うには、このﾕｰｻﾞｰを dialout ｸﾞﾙｰﾌﾟに加えてください"
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

void frmMain::showPortFailure(const platform::PortError &error)
{
    m_svc.messageBox->show(this, portFailureText(error), portTitle(),
                           platform::MessageBox::Icon::Critical, platform::MessageBox::Buttons::Ok);
}

bool frmMain::OpenPort()
{
    if (!m_svc.port->isOpen()) {
        platform::PortError error;
        if (m_session.openPort(&error))
            return true;
        showPortFailure(error);
        return false;
    }
    m_svc.messageBox->show(
        this, QCoreApplication::translate("frmMain", "ﾎﾟｰﾄは既に開かれています。"), portTitle(),
        platform::MessageBox::Icon::Critical, platform::MessageBox::Buttons::Ok);
    return false;
}

void frmMain::ClosePort()
{
    m_session.closePort();
}

bool frmMain::SendCommand(const QString &command)
{
    return m_session.sendCommand(command);
}

void frmMain::mnuFileCom_Click()
{
    if (!OpenPort())
        return;
    // "D" to the meter, the watchdog armed; the link reports live (status, commands).
    m_session.connectLink();
}

void frmMain::mnuFileStop_Click()
{
    SendCommand(QStringLiteral("J"));
    StopLink();
}

void frmMain::StopLink()
{
    // Port closed, countdown 0; the link reports stopped (status, commands, output).
    m_session.stopLink();
}

void frmMain::onLinkState(meterlink::LinkState state)
{
    // The link's words follow the snapshot the session hands over with the state.
    switch (state) {
    case meterlink::LinkState::Live:
        SetStatusText(2, texts::linkLive());
        setCommandsEnabled(false);
        break;
    case meterlink::LinkState::Reconnecting:
        // File output goes on, with gap rows, until the meter talks again.
        SetStatusText(2, texts::linkReconnecting());
        // Steady, whichever half of the blink the link was lost in.
        if (m_session.fileOutputRunning())
            SetStatusText(1, texts::fileRunning());
        setCommandsEnabled(false);
        break;
    case meterlink::LinkState::Stopped:
        SetStatusText(2, texts::linkStopped());
        setCommandsEnabled(true);
        mnuFileClose_Click();
        break;
    }
}

void frmMain::onBlink(bool shown)
{
    SetStatusText(2, shown ? texts::linkLive() : QString());
    if (m_session.fileOutputRunning())
        SetStatusText(1, shown ? texts::fileRunning() : QString());
}

void frmMain::MSComm1_OnComm()
{
    m_session.onComm();
}

void frmMain::Timer1_Timer()
{
    // The session's heartbeat runs this tick itself; kept as the window's entry point to
    // one tick (the due row, the figures, the watchdog, in that order).
    m_session.tick();
}
