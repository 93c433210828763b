#include "platform/file_output.h"

#include <QCoreApplication>
#include <cerrno>

namespace platform {

QString describeFileError(int err)
{
    switch (err) {
    case ENOENT: return QCoreApplication::translate("platform", "指定されたﾊﾟｽが見つかりません。");
    case EACCES:
    case EPERM: return QCoreApplication::translate("platform", "ｱｸｾｽが拒否されました。");
    case EROFS: return QCoreApplication::translate("platform", "書き込み禁止のﾃﾞｨｽｸです。");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QCoreApplication::translate("platform", "ﾃﾞｨｽｸの空き容量が不足しています。");
    case EISDIR: return QCoreApplication::translate("platform", "同じ名前のﾌｫﾙﾀﾞがあります。");
    case ENOTDIR:
        return QCoreApplication::translate("platform", "ﾊﾟｽの途中にﾌｫﾙﾀﾞでないものがあります。");
    case EEXIST: return QCoreApplication::translate("platform", "同じ名前のﾌｧｲﾙが既にあります。");
    case ENAMETOOLONG: return QCoreApplication::translate("platform", "ﾌｧｲﾙ名が長すぎます。");
    case EINVAL: return QCoreApplication::translate("platform", "ﾌｧｲﾙ名が正しくありません。");
    case EIO: return QCoreApplication::translate("platform", "ﾃﾞｨｽｸの入出力ｴﾗｰが発生しました。");
    case EFBIG: return QCoreApplication::translate("platform", "ﾌｧｲﾙが大きすぎます。");
    default:
        return QCoreApplication::translate("platform", "ﾌｧｲﾙｴﾗｰが発生しました。(ｺｰﾄﾞ %1)").arg(err);
    }
}

} // namespace platform
