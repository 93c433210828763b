// Windows: Ctrl+C, Ctrl+Break, the console window closed, a logoff and a shutdown reach a
// console program through its control handler (and `taskkill` without /f through a hidden
// window), and a window program through the
// end-session messages; they are turned into the Qt signal on the event loop, and the
// handler waits (the system allows a few seconds) while the end runs.
#include "platform/termination.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <windows.h>

namespace platform {

namespace {
std::atomic<bool> g_endRequested{false};
std::atomic<bool> g_received{false};
std::atomic<bool> g_ended{false};
QPointer<TerminationSignals> g_self;

BOOL WINAPI onControl(DWORD type)
{
    if (!g_received.exchange(true)) {
        g_endRequested = true;
        if (TerminationSignals *self = g_self.data())
            QMetaObject::invokeMethod(
                self, [self, type] { emit self->terminationRequested(int(type)); },
                Qt::QueuedConnection);
    }
    // The process ends when this returns for these: give the end its time.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        for (int i = 0; i < 90 && !g_ended; ++i)
            Sleep(100);
    return TRUE;
}
// The end of the Windows session reaches a window program as WM_QUERYENDSESSION, then
// WM_ENDSESSION, after which the system may end the process at any time. The first starts
// the end without a question (no box: nobody is there); the second waits, running the
// event loop, until the end has finished, within the few seconds Windows allows.
class SessionEndFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override
    {
        if (type != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_QUERYENDSESSION) {
            request(CTRL_LOGOFF_EVENT);
            *result = TRUE; // the session may end: the program ends with it
            return true;
        }
        if (msg->message == WM_ENDSESSION) {
            if (msg->wParam) {
                request(CTRL_LOGOFF_EVENT);
                const QDeadlineTimer deadline(9000);
                while (!g_ended && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            }
            *result = 0;
            return true;
        }
        return false;
    }
    static void request(DWORD type)
    {
        if (g_received.exchange(true))
            return;
        g_endRequested = true;
        if (TerminationSignals *self = g_self.data())
            QMetaObject::invokeMethod(
                self, [self, type] { emit self->terminationRequested(int(type)); },
                Qt::QueuedConnection);
    }
};
SessionEndFilter g_sessionEnd;

// `taskkill` without /f asks a program to close by posting WM_CLOSE to its top-level
// windows; a console program has none, so the logger keeps a hidden one that takes the
// request as it takes Ctrl+C. (The window program's own windows answer it as a person's
// close does.)
LRESULT CALLBACK closeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        SessionEndFilter::request(CTRL_CLOSE_EVENT);
        return 0; // the end runs on the event loop; the window goes with the process
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
HWND g_closeWindow = nullptr;

void makeCloseWindow()
{
    if (g_closeWindow || !QCoreApplication::instance() ||
        QCoreApplication::instance()->inherits("QGuiApplication"))
        return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = closeWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QV475LoggerClose";
    RegisterClassW(&wc);
    // Top-level (not message-only, which taskkill does not find) and never shown.
    g_closeWindow = CreateWindowExW(0, wc.lpszClassName, L"QV475 logger", WS_POPUP, 0, 0, 0, 0,
                                    nullptr, nullptr, wc.hInstance, nullptr);
}
} // namespace

void endFinished()
{
    g_ended = true;
}

bool endRequested()
{
    return g_endRequested;
}

void setEndRequested(bool on)
{
    g_endRequested = on;
}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    g_self = this;
    SetConsoleCtrlHandler(onControl, TRUE);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(&g_sessionEnd);
    makeCloseWindow();
}

TerminationSignals::~TerminationSignals()
{
    g_ended = true;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(&g_sessionEnd);
    SetConsoleCtrlHandler(onControl, FALSE);
    if (g_closeWindow) {
        DestroyWindow(g_closeWindow);
        g_closeWindow = nullptr;
    }
    g_received = false;
    g_endRequested = false;
}

void TerminationSignals::readPipe() {}

} // namespace platform
