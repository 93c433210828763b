#include "platform/state_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString() + QLatin1Char('\n') + m_path;
        return false;
    }
    return true;
}

QString StateFile::beside(const QString &settingsPath, const QString &name)
{
    return QFileInfo(settingsPath).absoluteDir().filePath(name);
}

} // namespace platform
