#include "platform/browser_view.h"

#include "platform/modules.h"

namespace platform {

namespace {
const QString kModule = QStringLiteral("qv475_browser");
using CreateFn = BrowserView *(*)(QWidget *);
} // namespace

std::unique_ptr<BrowserView> makeWebEngineView(QWidget *parent)
{
    auto create = reinterpret_cast<CreateFn>(moduleFunction(kModule, "qv475CreateBrowserView"));
    return std::unique_ptr<BrowserView>(create ? create(parent) : nullptr);
}

bool webEngineModuleLoaded()
{
    return moduleLoaded(kModule);
}

} // namespace platform
