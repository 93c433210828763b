// Starting another program, and asking whether a file exists.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

class Launcher
{
public:
    virtual ~Launcher() = default;
    virtual bool fileExists(const QString &path) const = 0;
    // Starts the program detached, with an argument list (never through a shell).
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    // Opens a document (a local file, with its anchor) in the system's own viewer.
    virtual bool openUrl(const QUrl &url) = 0;
};

class QtLauncher : public Launcher
{
public:
    bool fileExists(const QString &path) const override;
    bool startDetached(const QString &program, const QStringList &arguments) override;
    bool openUrl(const QUrl &url) override;
};

} // namespace platform
