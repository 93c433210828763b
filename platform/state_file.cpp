#include "platform/state_file.h"

#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

StateFile::Read StateFile::read() const
{
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return {};
    QFile f(m_path);
    // A state file is a few lines; anything large, or not a plain file, is not ours.
    if (!info.isFile() || info.size() > 65536 || !f.open(QIODevice::ReadOnly))
        return {Status::Unreadable, {}};
    const QByteArray bytes = f.read(65537);
    if (f.error() != QFileDevice::NoError || bytes.size() > 65536)
        return {Status::Unreadable, {}};
    return {Status::Read, bytes};
}

QString StateFile::keepAside() const
{
    const QString bad = m_path + QStringLiteral(".bad");
    const QFileInfo old(bad);
    if (!old.isDir() || old.isSymLink())
        QFile::remove(bad);
    return QDir().rename(m_path, bad) ? bad : QString();
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
