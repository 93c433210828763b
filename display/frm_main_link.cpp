// The main window's serial link: port control, connect and disconnect, reception and
// the periodic tick with the link watchdog.
#include "display/frm_main.h"

#include "app/globals.h"
#include "link/status_texts.h"
#include "link/watchdog.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"

#include <QAction>
#include <QLabel>

using namespace basSubMain;

namespace {
const QString kPortTitle = QStringLiteral("ﾎﾟｰﾄのｵｰﾌﾟﾝ");
}

// The port's message: the fixed text, then the device and the port's own reason.
QString portFailureText(const platform::PortError &error);

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

bool frmMain::OpenPort()
{
    if (!m_svc.port->isOpen()) {
        platform::PortError error;
        if (m_svc.port->open(&error))
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
    if (m_svc.port->isOpen())
        m_svc.port->close();
}

bool frmMain::SendCommand(const QString &command)
{
    // A port that cannot be opened (device gone, held elsewhere) takes no command.
    if (!m_svc.port->isOpen() && !m_svc.port->open(nullptr))
        return false;
    return m_svc.port->output(command.toLatin1() + '\r');
}

void frmMain::mnuFileCom_Click()
{
    if (!OpenPort())
        return;
    SendCommand(QStringLiteral("D"));
    SetStatusText(2, texts::kLinkLive);
    gLinkCountdown = meterlink::kLinkCountdownStart;
    setCommandsEnabled(false);
}

void frmMain::mnuFileStop_Click()
{
    SendCommand(QStringLiteral("J"));
    StopLink();
}

void frmMain::StopLink()
{
    setFiguresLive(false);
    ClosePort();
    SetStatusText(2, texts::kLinkStopped);
    gLinkCountdown = 0;
    setCommandsEnabled(true);
    mnuFileClose_Click();
}

void frmMain::MSComm1_OnComm()
{
    if (m_svc.port->inBufferCount() == 0)
        return;
    // Every complete frame waiting is decoded now: the port notifies only when new bytes
    // arrive, so a frame left waiting would keep the display one frame behind.
    int frames = 0;
    try {
        frames = m_receiver.feed(m_svc.port->input(1 << 20));
    } catch (...) {}
    // Only a whole frame proves that a meter is talking: garbage from a line at the wrong
    // speed decodes partly but must not keep the link (and the log) alive.
    if (frames > 0) {
        gLinkCountdown = meterlink::kLinkCountdownStart;
        setFiguresLive(true);
    }
}

void frmMain::Timer1_Timer()
{
    WriteLogRecord();
    for (size_t i = 0; i < 4; ++i)
        m_lblPeak[i]->setText(gReadings[i]);
    const meterlink::TickOutcome out =
        meterlink::watchdogTick(gLinkCountdown, mBlinkCount, mLogOpen);
    if (out.setPanel2)
        SetStatusText(2, out.panel2);
    if (out.setPanel1)
        SetStatusText(1, out.panel1);
    if (out.stopLinkUnlessStopped && StatusText(2) != texts::kLinkStopped)
        StopLink();
}
