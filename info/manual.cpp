#include "info/manual.h"

#include "platform/launcher.h"
#include "platform/message_box.h"

#include <QCoreApplication>
#include <QDir>
#include <QUrl>

namespace manual {

QString path(const platform::Launcher &launcher, const QString &programDir, bool english)
{
    const QDir dir(programDir);
    const QStringList folders{dir.path(), dir.filePath(QStringLiteral("../share/doc/qv475")),
                              dir.filePath(QStringLiteral("../manual"))};
    QStringList names{QStringLiteral("manual.html")};
    if (english)
        names.prepend(QStringLiteral("manual.en.html"));
    for (const QString &name : names)
        for (const QString &folder : folders) {
            const QString candidate = QDir::cleanPath(QDir(folder).filePath(name));
            if (launcher.fileExists(candidate))
                return candidate;
        }
    return {};
}

bool open(platform::Launcher &launcher, platform::MessageBox &box, QWidget *owner,
          const QString &programDir, bool english, const QString &section)
{
    const QString file = path(launcher, programDir, english);
    if (file.isEmpty()) {
        box.show(owner,
                 QCoreApplication::translate("manual", "利用の手引きが見つかりません。\n"
                                                       "ﾌﾟﾛｸﾞﾗﾑと一緒にｲﾝｽﾄｰﾙしてください。"),
                 QCoreApplication::translate("manual", "利用の手引き"),
                 platform::MessageBox::Icon::Exclamation, platform::MessageBox::Buttons::Ok);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(file);
    if (!section.isEmpty())
        url.setFragment(section);
    return launcher.openUrl(url);
}

} // namespace manual
