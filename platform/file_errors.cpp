#include "platform/file_output.h"

#include <cerrno>

namespace platform {

QString describeFileError(int err)
{
    switch (err) {
    case ENOENT: return QStringLiteral("指定されたﾊﾟｽが見つかりません。");
    case EACCES:
    case EPERM: return QStringLiteral("ｱｸｾｽが拒否されました。");
    case EROFS: return QStringLiteral("書き込み禁止のﾃﾞｨｽｸです。");
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("ﾃﾞｨｽｸの空き容量が不足しています。");
    case EISDIR: return QStringLiteral("同じ名前のﾌｫﾙﾀﾞがあります。");
    case ENOTDIR: return QStringLiteral("ﾊﾟｽの途中にﾌｫﾙﾀﾞでないものがあります。");
    case EEXIST: return QStringLiteral("同じ名前のﾌｧｲﾙが既にあります。");
    case ENAMETOOLONG: return QStringLiteral("ﾌｧｲﾙ名が長すぎます。");
    case EINVAL: return QStringLiteral("ﾌｧｲﾙ名が正しくありません。");
    case EIO: return QStringLiteral("ﾃﾞｨｽｸの入出力ｴﾗｰが発生しました。");
    case EFBIG: return QStringLiteral("ﾌｧｲﾙが大きすぎます。");
    default: return QStringLiteral("ﾌｧｲﾙｴﾗｰが発生しました。(ｺｰﾄﾞ %1)").arg(err);
    }
}

} // namespace platform
