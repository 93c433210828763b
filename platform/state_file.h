// A small file of the program's own state beside the settings (the storm latch), read
// whole and replaced whole, so that a power cut leaves the old or the new one.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

class StateFile
{
public:
    explicit StateFile(QString path) : m_path(std::move(path)) {}
    const QString &path() const { return m_path; }
    enum class Status { Read, Missing, Unreadable };
    struct Read {
        Status status = Status::Missing;
        QByteArray bytes;
    };
    // Unreadable: not a regular file, over 64 KiB, or an error in reading it.
    Read read() const;
    // Moves a damaged file aside as <path>.bad (replacing an older one); the new name, or
    // empty when it could not be moved.
    QString keepAside() const;
    // False and *error (for the user) when it could not be replaced.
    bool write(const QByteArray &bytes, QString *error);

    // The state file of the settings file at settingsPath: its folder, the given name.
    static QString beside(const QString &settingsPath, const QString &name);

private:
    QString m_path;
};

} // namespace platform
