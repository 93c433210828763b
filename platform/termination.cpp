#include "platform/termination.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {
const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_received = 0;
bool g_installed[3] = {};
std::atomic<bool> g_endRequested{false};

void onSignal(int sig)
{
    // Only async-signal-safe calls here: the event loop does the work. A logout sends
    // SIGHUP right after SIGTERM; that must not cut the end short.
    if (g_received) {
        if (sig == SIGINT && g_received == SIGINT)
            ::_exit(128 + sig);
        return;
    }
    g_received = sig;
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
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

void endFinished() {}

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        struct sigaction old = {};
        ::sigaction(kSignals[i], nullptr, &old);
        // nohup (or a parent) chose to ignore it: so does the program.
        g_installed[i] = old.sa_handler != SIG_IGN;
        if (g_installed[i])
            ::sigaction(kSignals[i], &sa, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i)
        if (std::exchange(g_installed[i], false))
            ::sigaction(kSignals[i], &sa, nullptr);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    g_received = 0;
    g_endRequested = false;
}

void TerminationSignals::readPipe()
{
    char c = 0;
    if (::read(g_pipe[0], &c, 1) == 1) {
        g_endRequested = true;
        emit terminationRequested(int(c));
    }
}

} // namespace platform
