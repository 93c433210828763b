#include "platform/windows_service.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

namespace platform {

namespace {

std::wstring wide(const QString &s)
{
    return s.toStdWString();
}

QString lastError(const char *what)
{
    const DWORD code = GetLastError();
    if (code == ERROR_ACCESS_DENIED)
        return QStringLiteral("%1: access denied (run it as administrator)")
            .arg(QLatin1String(what));
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const QString reason =
        text ? QString::fromWCharArray(text).trimmed() : QStringLiteral("error %1").arg(code);
    LocalFree(text);
    return QStringLiteral("%1: %2").arg(QLatin1String(what), reason);
}

// Handles of the service control manager, closed however the function returns.
struct Handle {
    SC_HANDLE h = nullptr;
    ~Handle()
    {
        if (h)
            CloseServiceHandle(h);
    }
    explicit operator bool() const { return h != nullptr; }
};

// What the service's thread and the manager's control thread share.
struct Running {
    std::wstring name;
    QList<int> noRestart;
    const std::function<int(const std::function<void(StopHandler)> &)> *body = nullptr;
    SERVICE_STATUS_HANDLE status = nullptr;
    std::mutex lock;
    StopHandler stop;
    std::atomic<bool> stopAsked{false};
};
Running *g_running = nullptr;

void report(DWORD state, DWORD exitCode = NO_ERROR, DWORD specific = 0, DWORD waitMs = 0)
{
    static DWORD checkPoint = 1;
    SERVICE_STATUS s{};
    s.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    s.dwCurrentState = state;
    s.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    s.dwWin32ExitCode = specific ? ERROR_SERVICE_SPECIFIC_ERROR : exitCode;
    s.dwServiceSpecificExitCode = specific;
    s.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : checkPoint++;
    s.dwWaitHint = waitMs;
    SetServiceStatus(g_running->status, &s);
}

DWORD WINAPI control(DWORD code, DWORD, LPVOID, LPVOID)
{
    switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN: {
        // The end is bounded (the writers' own bound); the manager is told how long.
        report(SERVICE_STOP_PENDING, NO_ERROR, 0, 15000);
        g_running->stopAsked = true;
        std::lock_guard<std::mutex> guard(g_running->lock);
        if (g_running->stop)
            g_running->stop();
        return NO_ERROR;
    }
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI serviceMain(DWORD, LPWSTR *)
{
    g_running->status = RegisterServiceCtrlHandlerExW(g_running->name.c_str(), &control, nullptr);
    if (!g_running->status)
        return;
    report(SERVICE_START_PENDING, NO_ERROR, 0, 10000);
    report(SERVICE_RUNNING);
    const int rc = (*g_running->body)([](StopHandler handler) {
        std::lock_guard<std::mutex> guard(g_running->lock);
        g_running->stop = std::move(handler);
        // A stop that came before the handler was there is passed on now.
        if (g_running->stopAsked && g_running->stop)
            g_running->stop();
    });
    if (rc != 0 && !g_running->noRestart.contains(rc)) {
        // Ended by a fault that may pass (the disk, the file): the manager sees the
        // process end without a report, as after a crash, and starts it again.
        ExitProcess(UINT(rc));
    }
    report(SERVICE_STOPPED, NO_ERROR, DWORD(rc));
}

} // namespace

bool installService(const QString &name, const QString &commandLine, QString *error)
{
    Handle scm{OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE)};
    if (!scm) {
        *error = lastError("the service control manager");
        return false;
    }
    const std::wstring n = wide(name), path = wide(commandLine);
    const std::wstring display = wide(QStringLiteral("QV-475 logger (%1)").arg(name));
    Handle service{CreateServiceW(scm.h, n.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                  SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr,
                                  nullptr, nullptr)};
    if (!service) {
        *error = lastError("the service could not be made");
        return false;
    }
    std::wstring about = wide(
        QStringLiteral("Logs the QV-475 wind-speed meter without windows (qv475c --headless)."));
    SERVICE_DESCRIPTIONW description{about.data()};
    ChangeServiceConfig2W(service.h, SERVICE_CONFIG_DESCRIPTION, &description);
    // Started again 60 s after a crash, three times; the count starts again after a day.
    SC_ACTION actions[3] = {
        {SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 60000}, {SC_ACTION_RESTART, 60000}};
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = 24 * 3600;
    failure.cActions = 3;
    failure.lpsaActions = actions;
    if (!ChangeServiceConfig2W(service.h, SERVICE_CONFIG_FAILURE_ACTIONS, &failure))
        *error = lastError("the service was made, but not its restart after a crash");
    return true;
}

bool uninstallService(const QString &name, QString *error)
{
    Handle scm{OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    if (!scm) {
        *error = lastError("the service control manager");
        return false;
    }
    const std::wstring n = wide(name);
    Handle service{OpenServiceW(scm.h, n.c_str(), DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS)};
    if (!service) {
        *error = lastError("no such service");
        return false;
    }
    SERVICE_STATUS status{};
    if (ControlService(service.h, SERVICE_CONTROL_STOP, &status)) {
        for (int i = 0; i < 300 && status.dwCurrentState != SERVICE_STOPPED; ++i) {
            Sleep(100);
            if (!QueryServiceStatus(service.h, &status))
                break;
        }
    }
    if (!DeleteService(service.h)) {
        *error = lastError("the service could not be removed");
        return false;
    }
    return true;
}

bool runService(const QString &name, const QList<int> &noRestart,
                const std::function<int(const std::function<void(StopHandler)> &)> &body,
                QString *error)
{
    Running running;
    running.name = wide(name);
    running.noRestart = noRestart;
    running.body = &body;
    g_running = &running;
    SERVICE_TABLE_ENTRYW table[] = {{running.name.data(), &serviceMain}, {nullptr, nullptr}};
    const bool ran = StartServiceCtrlDispatcherW(table);
    if (!ran)
        *error = GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT
                     ? QStringLiteral("--service is for the service control manager: install the "
                                      "service with --install-service and start it with "
                                      "\"sc start %1\"")
                           .arg(name)
                     : lastError("the service control manager");
    g_running = nullptr;
    return ran;
}

void endServiceProcess(int exitCode)
{
    TerminateProcess(GetCurrentProcess(), UINT(exitCode));
    ExitProcess(UINT(exitCode)); // not reached
}

} // namespace platform
