// The main window's file output: start and stop of the CSV log and the interval rows.
#include "display/frm_main.h"

#include "app/globals.h"
#include "link/status_texts.h"
#include "logging/csv_format.h"
#include "platform/clock.h"
#include "platform/file_output.h"
#include "platform/message_box.h"

#include <QAction>
#include <QLocale>

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
    if (gLinkCountdown == 0) {
        m_svc.messageBox->show(
            this, QStringLiteral("QV-475と接続してからﾌｧｲﾙ出力を開始して下さい。"), kOutputWarning,
            MessageBox::Icon::Exclamation, MessageBox::Buttons::Ok);
        return;
    }
    if (mLogOpen)
        return;

    const QString stamp = logging::logStamp(m_svc.clock->now());
    const auto base = logging::logBaseName(gFName);
    if (!base) {
        fileWarning(QStringLiteral(
            "出力ﾌｧｲﾙ名が正しくありません。ﾌｧｲﾙ名には「.csv」(小文字) を含めてください。"));
        return;
    }
    // An existing log of the same minute is kept; the new one takes the next free name.
    const QString name = logging::freeLogFileName(
        *base, stamp, [this](const QString &path) { return m_svc.file->exists(path); });
    QString error;
    if (!m_svc.file->create(name, &error)) {
        fileWarning(error + QLatin1Char('\n') + name);
        return;
    }
    if (!m_svc.file->write(logging::toCp932(logging::headerLine(gFOut)), &error)) {
        // A start that failed leaves no empty file behind.
        m_svc.file->discard();
        fileWarning(error + QLatin1Char('\n') + name);
        return;
    }
    m_logPath = name;
    mLogOpen = true;
    SetStatusText(1, texts::kFileRunning);
    m_buttons[0]->setEnabled(false);
    m_menu[QStringLiteral("mnuFileOpen")]->setEnabled(false);
}

void frmMain::mnuFileClose_Click()
{
    m_svc.file->close();
    mLogOpen = false;
    SetStatusText(1, texts::kFileStopped);
    m_buttons[0]->setEnabled(true);
    m_menu[QStringLiteral("mnuFileOpen")]->setEnabled(true);
}

void frmMain::WriteLogRecord()
{
    // Within the same second the due rule has nothing to do; reading the local time
    // (which makes the C library look at the time-zone file) waits for a new second.
    const qint64 second = m_svc.clock->epochSeconds();
    if (second == m_lastEpochSecond)
        return;
    m_lastEpochSecond = second;
    const QDateTime now = m_svc.clock->now();
    if (!m_due.onTick(now.time(), gFTime) || !mLogOpen)
        return;
    const QLocale locale = QLocale::system();
    const QString row =
        logging::rowLine(gFOut, locale.toString(now.date(), logging::rowDateFormat(locale)),
                         locale.toString(now.time(), logging::rowTimeFormat(locale)), gReadings);
    QString error;
    if (!m_svc.file->write(logging::toCp932(row), &error)) {
        // Stop first, so that the ticks that run while the box is up write nothing more.
        mnuFileClose_Click();
        fileWarning(
            QStringLiteral("ﾌｧｲﾙへの書き込みに失敗したため、ﾌｧｲﾙ出力を停止しました。\n%1\n%2")
                .arg(error, m_logPath));
    }
}
