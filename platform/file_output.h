// Output of one text file at a time: created new, written in whole lines, each line on
// the disk before write() returns, failures described in Japanese.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

class FileOutput
{
public:
    virtual ~FileOutput() = default;
    virtual bool exists(const QString &path) const = 0;
    // Creates a new file; fails if the path exists.
    virtual bool create(const QString &path, QString *error) = 0;
    // Opens a file to add lines at its end, creating it when it is missing; *empty says
    // whether it holds nothing yet (a header is due).
    virtual bool append(const QString &path, bool *empty, QString *error) = 0;
    // Writes and syncs to the disk; on failure the file keeps what was written before
    // this call.
    virtual bool write(const QByteArray &bytes, QString *error) = 0;
    // Closing a file that is not open does nothing.
    virtual void close() = 0;
    // Closes the file and removes it, for a file whose start failed.
    virtual void discard() = 0;
    virtual bool isOpen() const = 0;
};

class LocalFileOutput : public FileOutput
{
public:
    ~LocalFileOutput() override;
    bool exists(const QString &path) const override;
    bool create(const QString &path, QString *error) override;
    bool append(const QString &path, bool *empty, QString *error) override;
    bool write(const QByteArray &bytes, QString *error) override;
    void close() override;
    void discard() override;
#ifdef Q_OS_WIN
    bool isOpen() const override
    {
        return m_handle != nullptr;
    }

private:
    void *m_handle = nullptr;
    QString m_path;
    long long m_size = 0;
    bool m_appending = false; // opened to add at the end, shared with other programs
#else
    bool isOpen() const override
    {
        return m_fd >= 0;
    }

private:
    int m_fd = -1;
    QString m_path;
    long long m_size = 0;
    unsigned long long m_inode = 0;
    unsigned long long m_device = 0;
#endif
};

// Japanese description of an errno value, for the messages the user sees (on Windows the
// system's error codes are turned into these first).
QString describeFileError(int err);

} // namespace platform
