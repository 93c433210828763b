// The main window's serial link and file output: the port commands, connect and
// disconnect, the periodic tick, the start and stop of the CSV log, handed to the session.
#include "display/frm_main.h"

#include "base/globals.h"
#include "display/session_alerts.h"
#include "display/status_texts.h"
#include "platform/message_box.h"
#include "platform/serial_port.h"

#include <QAction>
#include <QCoreApplication>

using namespace basSubMain;

void frmMain::ScanPorts()
{
    // The list the settings dialog offers, ended by 0.
    size_t n = 0;
    for (const int port : m_session.openablePorts())
        gPortList[n++] = qint16(port);
    gPortList[n] = 0;
}

bool frmMain::OpenPort()
{
    if (!m_svc.port->isOpen()) {
        platform::PortError error;
        if (m_session.openPort(&error))
            return true;
        m_alerts->portFailed(error);
        return false;
    }
    m_svc.messageBox->show(this,
                           QCoreApplication::translate("frmMain", "ﾎﾟｰﾄは既に開かれています。"),
                           QCoreApplication::translate("frmMain", "ﾎﾟｰﾄのｵｰﾌﾟﾝ"),
                           platform::MessageBox::Icon::Critical, platform::MessageBox::Buttons::Ok);
    return false;
}

void frmMain::mnuFileCom_Click()
{
    if (!OpenPort())
        return;
    // "D" to the meter, the watchdog armed; the link reports live (status, commands).
    m_session.connectLink();
}

void frmMain::onLinkState(meterlink::LinkState state)
{
    // The status bar shows the state; the window enables the commands that fit it.
    setCommandsEnabled(state == meterlink::LinkState::Stopped);
    if (state == meterlink::LinkState::Stopped)
        mnuFileClose_Click();
}

// ---- file output ------------------------------------------------------------------

void frmMain::mnuFileOpen_Click()
{
    QString error;
    const session::StartResult r = m_session.startFileOutput(&error);
    if (r != session::StartResult::Started && r != session::StartResult::Running)
        m_alerts->fileStartFailed(r, error);
}

void frmMain::showFileOutput(bool running)
{
    // Also toolbar button 1, which is this item.
    menuItem(QStringLiteral("mnuFileOpen"))->setEnabled(!running);
}

void frmMain::mnuFileClose_Click()
{
    m_session.stopFileOutput();
    SetStatusText(1, texts::fileStopped());
    showFileOutput(false);
}
