// Texts shared by the main window and the units beside it: the program's title and the
// status bar's words (functions, so that they are read in the language installed at the
// time).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace texts {
// The main window's caption, also the title of its boxes and notifications.
inline QString programTitle()
{
    return QCoreApplication::translate("frmMain", "QV-475簡易ソフト");
}
inline QString linkLive()
{
    return QCoreApplication::translate("status", "通信中");
}
inline QString linkStopped()
{
    return QCoreApplication::translate("status", "通信停止中");
}
inline QString linkReconnecting()
{
    return QCoreApplication::translate("status", "再接続待ち");
}
inline QString fileRunning()
{
    return QCoreApplication::translate("status", "ﾌｧｲﾙ出力中");
}
inline QString fileStopped()
{
    return QCoreApplication::translate("status", "ﾌｧｲﾙ出力停止");
}
// The disk has not taken a row for a minute (status bar and notification).
inline QString diskStalled(qsizetype rowsWaiting)
{
    return QCoreApplication::translate(
               "frmMain", "ﾃﾞｨｽｸが1分以上応答しません。%1 行が書き込みを待っています。")
        .arg(rowsWaiting);
}
} // namespace texts
