#include "platform/state_file.h"

#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

std::optional<QByteArray> StateFile::read() const
{
    QFile f(m_path);
    // A state file is a few lines; anything large is not ours.
    if (!f.open(QIODevice::ReadOnly) || f.size() > 65536)
        return std::nullopt;
    return f.readAll();
}

bool StateFile::write(const QByteArray &bytes, QString *error)
{
    return replaceFile(m_path, bytes, error);
}

QString StateFile::beside(const QString &settingsPath, const QString &name)
{
    return QFileInfo(settingsPath).absoluteDir().filePath(name);
}

} // namespace platform
