#include "platform/registry.h"

#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

QString linuxSystemInfoTool()
{
    for (const char *name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

#ifdef Q_OS_WIN

long SystemRegistry::openKey(Key root, const QString &subKey, quint32 access, Key *result)
{
    HKEY key = nullptr;
    const LONG r = RegOpenKeyExA(reinterpret_cast<HKEY>(root), subKey.toLocal8Bit().constData(), 0,
                                 access, &key);
    *result = reinterpret_cast<Key>(key);
    return r;
}

long SystemRegistry::queryValue(Key key, const QString &name, quint32 *type, QByteArray *data,
                                int capacity)
{
    QByteArray buf(capacity, '\0');
    DWORD size = DWORD(capacity);
    DWORD t = 0;
    const LONG r = RegQueryValueExA(reinterpret_cast<HKEY>(key), name.toLocal8Bit().constData(),
                                    nullptr, &t, reinterpret_cast<BYTE *>(buf.data()), &size);
    if (r == ERROR_SUCCESS) {
        buf.truncate(int(size));
        *data = buf;
        *type = t;
    }
    return r;
}

long SystemRegistry::closeKey(Key key)
{
    return RegCloseKey(reinterpret_cast<HKEY>(key));
}

#else

namespace {
constexpr Registry::Key kMsinfoKey = 1;
constexpr long kNotFound = 2; // ERROR_FILE_NOT_FOUND
} // namespace

long SystemRegistry::openKey(Key root, const QString &subKey, quint32, Key *result)
{
    // Only the key that names the system-information tool exists here.
    if (root == kLocalMachine &&
        subKey.compare(QLatin1String("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                       Qt::CaseInsensitive) == 0) {
        *result = kMsinfoKey;
        return kSuccess;
    }
    *result = 0;
    return kNotFound;
}

long SystemRegistry::queryValue(Key key, const QString &name, quint32 *type, QByteArray *data,
                                int capacity)
{
    if (key != kMsinfoKey || name.compare(QLatin1String("PATH"), Qt::CaseInsensitive) != 0)
        return kNotFound;
    const QString tool = linuxSystemInfoTool();
    if (tool.isEmpty())
        return kNotFound;
    *type = kTypeString;
    *data = (tool.toLocal8Bit() + '\0').left(capacity);
    return kSuccess;
}

long SystemRegistry::closeKey(Key)
{
    return kSuccess;
}

#endif

} // namespace platform
