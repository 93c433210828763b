// The main window's file output: start and stop of the CSV log and the interval rows,
// handed to the log unit; its failures are shown here.
#include "display/frm_main.h"

#include "app/globals.h"
#include "link/status_texts.h"
#include "logging/csv_format.h"
#include "platform/message_box.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>

using namespace basSubMain;

namespace {
const QString kOutputWarning = QStringLiteral("ﾌｧｲﾙ出力警告");
const QString kFileWarning = QStringLiteral("ﾌｧｲﾙ警告");
} // namespace

void frmMain::fileWarning(const QString &text)
{
    m_svc.messageBox->show(this, text, kFileWarning, platform::MessageBox::Icon::Exclamation,
                           platform::MessageBox::Buttons::Ok);
}

void frmMain::mnuFileOpen_Click()
{
    using platform::MessageBox;
    if (gFName.isEmpty()) {
        m_svc.messageBox->show(this, QStringLiteral("出力ﾌｧｲﾙ名が指定されていません。"),
                               kOutputWarning, MessageBox::Icon::Exclamation,
                               MessageBox::Buttons::Ok);
        mnuViewOptions_Click();
        return;
    }
    // No column chosen: a file of empty lines would be written. The settings are where
    // the columns are chosen.
    if (!logging::hasColumns(gFOut)) {
        m_svc.messageBox->show(this, logging::kNoColumnsText, kOutputWarning,
                               MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok);
        mnuViewOptions_Click();
        return;
    }
    if (gLinkCountdown == 0) {
        m_svc.messageBox->show(
            this, QStringLiteral("QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。"), kOutputWarning,
            MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok);
        return;
    }
    if (m_log.isOpen())
        return;
    QString error;
    if (!m_log.start(gFName, gFOut, &error)) {
        fileWarning(error);
        return;
    }
    SetStatusText(1, texts::kFileRunning);
    m_buttons[0]->setEnabled(false);
    m_menu[QStringLiteral("mnuFileOpen")]->setEnabled(false);
}

void frmMain::mnuFileClose_Click()
{
    m_log.stop();
    SetStatusText(1, texts::kFileStopped);
    m_buttons[0]->setEnabled(true);
    m_menu[QStringLiteral("mnuFileOpen")]->setEnabled(true);
}

void frmMain::WriteLogRecord()
{
    // While the link is being re-established the rows keep their times with nothing
    // measured in them.
    m_log.tick(gFTime, gFOut, gReadings, m_link.state() == meterlink::LinkState::Reconnecting);
}

void frmMain::onLogWriteFailed(const QString &reason, const QString &path)
{
    // The unit has stopped writing already, so the ticks that run while the box is up
    // write nothing more. A file stopped earlier that failed with its last rows leaves
    // the one running now alone.
    if (!m_log.isOpen())
        mnuFileClose_Click();
    fileWarning(QStringLiteral("ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。\n%1\n%2")
                    .arg(reason, path));
}

void frmMain::onLogStalled(qsizetype rowsWaiting)
{
    const QString text =
        QStringLiteral("ﾃﾞｨｽｸが1分以上応答しません。%1 行が書き込みを待っています。")
            .arg(rowsWaiting);
    m_panels[0]->setToolTip(text);
    statusBar()->showMessage(text);
    notify(text);
}

void frmMain::onLogStallEnded()
{
    m_panels[0]->setToolTip(QString());
    statusBar()->clearMessage();
}
