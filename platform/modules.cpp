#include "platform/modules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>

namespace platform {

namespace {
QMutex g_mutex;
// The modules stay loaded to the end of the process: the table is never destroyed, so
// that nothing is unloaded under code that still runs at exit.
QHash<QString, QLibrary *> &loadedModules()
{
    static auto *modules = new QHash<QString, QLibrary *>;
    return *modules;
}

QString fileName(const QString &name)
{
#ifdef Q_OS_WIN
    return name + QStringLiteral(".dll");
#else
    return QStringLiteral("lib") + name + QStringLiteral(".so");
#endif
}

QLibrary *load(const QString &name)
{
    QMutexLocker lock(&g_mutex);
    QHash<QString, QLibrary *> &loaded = loadedModules();
    if (const auto it = loaded.constFind(name); it != loaded.constEnd())
        return *it;
    const QString file = fileName(name);
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList candidates = {appDir + QStringLiteral("/../lib/qv475/") + file,
                              appDir + QLatin1Char('/') + file};
#ifdef QV_MODULE_BUILD_DIRS
    for (const QString &dir : QStringLiteral(QV_MODULE_BUILD_DIRS).split(QLatin1Char(':')))
        candidates << dir + QLatin1Char('/') + file;
#endif
    QLibrary *found = nullptr;
    for (const QString &path : candidates) {
        if (!QFile::exists(path))
            continue;
        auto *lib = new QLibrary(QDir::cleanPath(path));
        if (lib->load()) {
            found = lib;
            break;
        }
        qWarning("%s: %s", qPrintable(path), qPrintable(lib->errorString()));
        delete lib;
    }
    // A module that is not there is not looked for again.
    loaded.insert(name, found);
    return found;
}
} // namespace

QFunctionPointer moduleFunction(const QString &name, const char *function)
{
    QLibrary *lib = load(name);
    return lib ? lib->resolve(function) : nullptr;
}

bool moduleLoaded(const QString &name)
{
    QMutexLocker lock(&g_mutex);
    return loadedModules().value(name) != nullptr;
}

} // namespace platform
