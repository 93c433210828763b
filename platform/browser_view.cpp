#include "platform/browser_view.h"

#include "platform/modules.h"

#include <QtGlobal>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace platform {

namespace {
const QString kModule = QStringLiteral("qv475_browser");
using CreateFn = BrowserView *(*)(QWidget *);
} // namespace

std::unique_ptr<BrowserView> makeWebEngineView(QWidget *parent)
{
#ifndef Q_OS_WIN
    // The engine's sandbox refuses to start as root, and its helper failing takes every
    // window of the program with it: as root the engine runs without it, as Qt advises.
    if (::geteuid() == 0 && !webEngineModuleLoaded() &&
        !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    auto create = reinterpret_cast<CreateFn>(moduleFunction(kModule, "qv475CreateBrowserView"));
    return std::unique_ptr<BrowserView>(create ? create(parent) : nullptr);
}

bool webEngineModuleLoaded()
{
    return moduleLoaded(kModule);
}

} // namespace platform
