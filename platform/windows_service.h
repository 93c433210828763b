// The logger without windows as a Windows service: registered with the service control
// manager (started at boot, started again after a crash), and run under it, where the
// manager's stop and the system's shutdown end it as a termination signal does.
#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace platform {

// Registers the service name to run commandLine (the program's own path and options) at
// boot, as LocalSystem, restarted 60 s after a crash (at most three times a day). Needs
// an administrator; false with the reason otherwise.
bool installService(const QString &name, const QString &commandLine, QString *error);
// Stops the service if it runs (waiting up to 30 s) and removes it.
bool uninstallService(const QString &name, QString *error);

// Runs body as the service name: it is called on the service's own thread once the
// manager has started the service, with a function to register what a stop or a shutdown
// calls (from another thread). What body returns ends the service: 0 a stop; a code in
// noRestart a fault of the settings, reported to the manager as the service's own exit
// code, so that it is not started again; any other code ends the process without a
// report, as a crash does, so that the manager starts it again. False when the process was
// not started by the service control manager.
using StopHandler = std::function<void()>;
bool runService(const QString &name, const QList<int> &noRestart,
                const std::function<int(const std::function<void(StopHandler)> &onStop)> &body,
                QString *error);

// Ends the process of a service that has stopped, without the static clean-up.
[[noreturn]] void endServiceProcess(int exitCode);

} // namespace platform
