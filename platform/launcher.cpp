#include "platform/launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace platform {

bool QtLauncher::fileExists(const QString &path) const
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool QtLauncher::startDetached(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return false;
    return QProcess::startDetached(program, arguments);
}

bool QtLauncher::openUrl(const QUrl &url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}

} // namespace platform
