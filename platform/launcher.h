// Starting another program, and asking whether a file exists.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool fileExists(const QString &path) const = 0;
    // Starts the program detached, with an argument list (never through a shell).
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
};

class QtLauncher : public Launcher
{
public:
    bool fileExists(const QString &path) const override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
};

} // namespace platform
