// Windows: Ctrl+C, Ctrl+Break, the console window closed, a logoff and a shutdown reach a
// console program through its control handler; they are turned into the Qt signal on the
// event loop, and the handler waits (the system allows a few seconds) while the end runs.
#include "platform/termination.h"

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
} // namespace

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
}

TerminationSignals::~TerminationSignals()
{
    g_ended = true;
    SetConsoleCtrlHandler(onControl, FALSE);
    g_received = false;
    g_endRequested = false;
}

void TerminationSignals::readPipe() {}

} // namespace platform
