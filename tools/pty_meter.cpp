#include "pty_meter.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace meter {

std::string makeFrame(const Reading &r, bool dPrefix)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s%04d,%04d,%04d,%04d,%d,%d", dPrefix ? "D" : "",
                  r.instant % 10000, r.instantMax % 10000, r.average % 10000, r.averageMax % 10000,
                  r.instantAlarm % 10, r.averageAlarm % 10);
    return std::string(1, '\x02') + text + '\r';
}

PtyMeter::~PtyMeter()
{
    close();
}

bool PtyMeter::open()
{
    close();
    int m = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m < 0)
        return false;
    if (::grantpt(m) != 0 || ::unlockpt(m) != 0) {
        ::close(m);
        return false;
    }
    char name[128];
    if (::ptsname_r(m, name, sizeof name) != 0) {
        ::close(m);
        return false;
    }
    int s = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (s < 0) {
        ::close(m);
        return false;
    }
    termios t;
    if (::tcgetattr(s, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(s, TCSANOW, &t);
    }
    ::fcntl(m, F_SETFL, ::fcntl(m, F_GETFL) | O_NONBLOCK);
    m_master = m;
    m_slaveHold = s;
    m_path = name;
    return true;
}

long PtyMeter::write(const std::string &bytes)
{
    if (m_master < 0)
        return -1;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break; // full: the rest is dropped, as a line would drop it
        }
        done += size_t(n);
    }
    return long(done);
}

std::string PtyMeter::read(int timeoutMs)
{
    std::string out;
    if (m_master < 0)
        return out;
    pollfd p{m_master, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN))
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, size_t(n));
    }
    return out;
}

std::string PtyMeter::readAtLeast(size_t n, int timeoutMs)
{
    using clock = std::chrono::steady_clock;
    const auto end = clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string out;
    while (out.size() < n) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - clock::now()).count();
        if (left <= 0)
            break;
        out += read(int(left));
    }
    return out;
}

void PtyMeter::close()
{
    if (m_slaveHold >= 0)
        ::close(m_slaveHold);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveHold = m_master = -1;
}

} // namespace meter
