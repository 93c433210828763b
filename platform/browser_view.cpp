#include "platform/browser_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

namespace platform {

namespace {
using CreateFn = BrowserView *(*)(QWidget *);

QLibrary *browserModule()
{
    static QLibrary *module = [] {
        const QString appDir = QCoreApplication::applicationDirPath();
        const QStringList candidates = {
            appDir + QStringLiteral("/../lib/qv475/libqv475_browser.so"),
            appDir + QStringLiteral("/libqv475_browser.so"),
#ifdef QV_BROWSER_MODULE_BUILD_PATH
            QStringLiteral(QV_BROWSER_MODULE_BUILD_PATH),
#endif
        };
        for (const QString &path : candidates) {
            if (!QFile::exists(path))
                continue;
            auto *lib = new QLibrary(QDir::cleanPath(path));
            if (lib->load())
                return lib;
            delete lib;
        }
        return static_cast<QLibrary *>(nullptr);
    }();
    return module;
}
bool g_loaded = false;
} // namespace

std::unique_ptr<BrowserView> makeWebEngineView(QWidget *parent)
{
    QLibrary *module = browserModule();
    if (!module)
        return nullptr;
    g_loaded = true;
    auto create = reinterpret_cast<CreateFn>(module->resolve("qv475CreateBrowserView"));
    return std::unique_ptr<BrowserView>(create ? create(parent) : nullptr);
}

bool webEngineModuleLoaded()
{
    return g_loaded;
}

} // namespace platform
