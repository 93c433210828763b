#include "platform/termination.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_received = 0;

void onSignal(int sig)
{
    // Only async-signal-safe calls here: the event loop does the work.
    if (g_received) {
        ::_exit(128 + sig);
    }
    g_received = sig;
    const char c = char(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}
} // namespace

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
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    struct sigaction sa = {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    g_received = 0;
}

void TerminationSignals::readPipe()
{
    char c = 0;
    if (::read(g_pipe[0], &c, 1) == 1)
        emit terminationRequested(int(c));
}

} // namespace platform
