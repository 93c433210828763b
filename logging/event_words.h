// The words of the event log: what happened, in the file's own spelling, and the fields
// of an inspection's detail. The session's outputs write them and the history and the
// register read them back, from here alike. Never translated in a file; the interface
// shows them through the translation context "site".
#pragma once

#include "site/wind_rule.h"

#include <QString>
#include <QtGlobal>

namespace logging::words {

inline constexpr char kLinkLost[] = QT_TRANSLATE_NOOP("site", "通信途絶");
inline constexpr char kLinkBack[] = QT_TRANSLATE_NOOP("site", "通信回復");
inline constexpr char kFileStarted[] = QT_TRANSLATE_NOOP("site", "ﾌｧｲﾙ出力開始");
inline constexpr char kFileStopped[] = QT_TRANSLATE_NOOP("site", "ﾌｧｲﾙ出力停止");
inline constexpr char kNoAnswer[] = QT_TRANSLATE_NOOP("site", "応答なし");
inline constexpr char kMonitorStart[] = QT_TRANSLATE_NOOP("site", "監視開始");
inline constexpr char kMonitorEnd[] = QT_TRANSLATE_NOOP("site", "監視終了");
inline constexpr char kPaused[] = QT_TRANSLATE_NOOP("site", "記録中断");
inline constexpr char kPortMoved[] = QT_TRANSLATE_NOOP("site", "ﾎﾟｰﾄ切替");
// A signature given while the rule still held its stop.
inline constexpr char kForced[] = QT_TRANSLATE_NOOP("site", "強風下で確認");

inline QString word(const char *w)
{
    return QString::fromUtf8(w);
}

// An inspection's detail: "点検者=NAME;結果=RESULT", with ";対象=足場" for the
// scaffolds' and ";強風下で確認" for one signed under a strong wind.
QString inspectionDetail(const site::Inspection &inspection);

// What a detail says, read back; fields it does not know are left alone.
struct InspectionFields {
    QString by;
    QString result;
    bool scaffold = false;
    bool forced = false;
};
InspectionFields readInspectionDetail(const QString &detail);

} // namespace logging::words
