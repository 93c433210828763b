// Status-bar texts shared by the link, the tick and file output.
#pragma once

#include <QString>

namespace texts {
inline const QString kLinkLive = QStringLiteral("通信中");
inline const QString kLinkStopped = QStringLiteral("通信停止中");
inline const QString kLinkReconnecting = QStringLiteral("再接続待ち");
inline const QString kFileRunning = QStringLiteral("ﾌｧｲﾙ出力中");
inline const QString kFileStopped = QStringLiteral("ﾌｧｲﾙ出力停止");
} // namespace texts
