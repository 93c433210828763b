// The embedded web page view. The web engine lives in a module that is loaded only when
// the first view is made, so the program's start does not pay for it.
#pragma once

#include <QUrl>
#include <functional>
#include <memory>

class QWidget;

namespace platform {

class BrowserView
{
public:
    virtual ~BrowserView() = default;
    // The view's widget, owned by its parent.
    virtual QWidget *widget() = 0;
    virtual void navigate(const QUrl &url) = 0;
};

using BrowserFactory = std::function<std::unique_ptr<BrowserView>(QWidget *parent)>;

// Makes a web engine view from the browser module; nothing when the module or the
// engine cannot be had.
std::unique_ptr<BrowserView> makeWebEngineView(QWidget *parent);

// Whether the browser module has been loaded into this process.
bool webEngineModuleLoaded();

} // namespace platform
