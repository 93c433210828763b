#include "platform/sleep_inhibitor.h"

#include <QProcess>

#include <windows.h>

namespace platform {

SystemSleepInhibitor::SystemSleepInhibitor() = default;

SystemSleepInhibitor::~SystemSleepInhibitor()
{
    release();
}

bool SystemSleepInhibitor::acquire(QString *why)
{
    if (m_held)
        return true;
    // The system stays awake while this thread's request holds; the display may sleep.
    if (!SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) {
        *why = qt_error_string(int(GetLastError())).trimmed();
        return false;
    }
    m_held = true;
    return true;
}

void SystemSleepInhibitor::release()
{
    if (std::exchange(m_held, false))
        SetThreadExecutionState(ES_CONTINUOUS);
}

} // namespace platform
