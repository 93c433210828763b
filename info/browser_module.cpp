// The web engine view, built as a module of its own that the program loads only when the
// inquiry window first opens.
#include "platform/browser_view.h"

#include <QWebEngineView>

namespace {
class WebEngineBrowser : public platform::BrowserView
{
public:
    explicit WebEngineBrowser(QWidget *parent) : m_view(new QWebEngineView(parent)) {}
    QWidget *widget() override { return m_view; }
    void navigate(const QUrl &url) override { m_view->setUrl(url); }

private:
    QWebEngineView *m_view;
};
} // namespace

extern "C" Q_DECL_EXPORT platform::BrowserView *qv475CreateBrowserView(QWidget *parent)
{
    return new WebEngineBrowser(parent);
}
