// The web engine view, built as a module of its own that the program loads only when the
// inquiry window first opens.
#include "platform/browser_view.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QWebEngineView>

// Exported by QtGui (declared in its private headers): the context that Qt shares with
// every other context when AA_ShareOpenGLContexts is set.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT QOpenGLContext *qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace {

// The web engine needs a shared OpenGL context. Made here, at the first inquiry window,
// rather than at the program's start, the main window does not carry the OpenGL driver.
void prepareSharedContext()
{
    if (!qt_gl_global_share_context()) {
        // As Qt does at start-up: the context is set even where it cannot be created
        // (no OpenGL); the engine then falls back to drawing in software.
        auto *context = new QOpenGLContext(QCoreApplication::instance());
        context->setFormat(QSurfaceFormat::defaultFormat());
        context->create();
        qt_gl_set_global_share_context(context);
    }
}

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
    prepareSharedContext();
    return new WebEngineBrowser(parent);
}
