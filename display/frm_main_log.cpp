// The main window's file output: start and stop of the CSV log, handed to the session;
// its failures are shown here.
#include "display/frm_main.h"

#include "display/main_status_bar.h"
#include "display/session_alerts.h"
#include "display/status_texts.h"
#include "platform/message_box.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QStatusBar>

namespace {
QString outputWarningTitle()
{
    return QCoreApplication::translate("frmMain", "ﾌｧｲﾙ出力警告");
}
QString fileWarningTitle()
{
    return QCoreApplication::translate("frmMain", "ﾌｧｲﾙ警告");
}
} // namespace

void frmMain::fileWarning(const QString &text)
{
    m_svc.messageBox->show(this, text, fileWarningTitle(), platform::MessageBox::Icon::Exclamation,
                           platform::MessageBox::Buttons::Ok);
}

void frmMain::mnuFileOpen_Click()
{
    QString error;
    const session::StartResult r = m_session.startFileOutput(&error);
    if (r != session::StartResult::Started && r != session::StartResult::Running)
        onFileStartFailed(r, error);
}

void frmMain::onFileStartFailed(session::StartResult why, const QString &error)
{
    using platform::MessageBox;
    auto warn = [this](const QString &text) {
        m_svc.messageBox->show(this, text, outputWarningTitle(), MessageBox::Icon::Exclamation,
                               MessageBox::Buttons::Ok);
    };
    switch (why) {
    case session::StartResult::NoFileName:
        warn(QCoreApplication::translate("frmMain", "出力ﾌｧｲﾙ名が指定されていません。"));
        mnuViewOptions_Click();
        break;
    case session::StartResult::BadFileName:
        warn(error);
        mnuViewOptions_Click();
        break;
    case session::StartResult::NoColumns:
        // The settings are where the columns are chosen.
        warn(error);
        mnuViewOptions_Click();
        break;
    case session::StartResult::NotConnected:
        warn(QCoreApplication::translate("frmMain",
                                         "QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。"));
        break;
    case session::StartResult::Failed: fileWarning(error); break;
    case session::StartResult::Started:
    case session::StartResult::Running: break;
    }
}

void frmMain::showFileOutput(bool running)
{
    SetStatusText(1, running ? texts::fileRunning() : texts::fileStopped());
    m_buttons[0]->setEnabled(!running);
    m_menu[QStringLiteral("mnuFileOpen")]->setEnabled(!running);
}

void frmMain::mnuFileClose_Click()
{
    m_session.stopFileOutput();
    showFileOutput(false);
}

void frmMain::onLogWriteFailed(const QString &reason, const QString &path, bool)
{
    // The session has stopped file output already when it was the file being written, so
    // the ticks that run while the box is up write nothing more.
    fileWarning(QCoreApplication::translate(
                    "frmMain", "ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。\n%1\n%2")
                    .arg(reason, path));
}

void frmMain::onLogStalled(qsizetype rowsWaiting)
{
    const QString text =
        QCoreApplication::translate("frmMain",
                                    "ﾃﾞｨｽｸが1分以上応答しません。%1 行が書き込みを待っています。")
            .arg(rowsWaiting);
    m_status->setToolTipOf(1, text);
    statusBar()->showMessage(text);
    m_alerts->notify(text);
}

void frmMain::onLogStallEnded()
{
    m_status->setToolTipOf(1, QString());
    statusBar()->clearMessage();
}
