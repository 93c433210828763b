// Status-bar texts shared by the link, the tick and file output (functions, so that they
// are read in the language installed at the time).
#pragma once

#include <QCoreApplication>
#include <QString>

namespace texts {
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
} // namespace texts
