#include "platform/file_output.h"

#include <QDir>

#include <cerrno>
#include <windows.h>

namespace platform {

namespace {
// The system's error as the errno value its description is kept under.
int toErrno(DWORD e)
{
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return EINVAL;
    default: return EIO;
    }
}
std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}
} // namespace

LocalFileOutput::~LocalFileOutput()
{
    close();
}

bool LocalFileOutput::exists(const QString &path) const
{
    return GetFileAttributesW(native(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool LocalFileOutput::create(const QString &path, QString *error)
{
    close();
    // Others may read the log while it is written (a spreadsheet), not change or delete it.
    HANDLE h = CreateFileW(native(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (error)
            *error = describeFileError(toErrno(GetLastError()));
        return false;
    }
    m_handle = h;
    m_path = path;
    m_size = 0;
    m_appending = false;
    return true;
}

bool LocalFileOutput::append(const QString &path, bool *empty, QString *error)
{
    close();
    // Append access only: every write goes at the end as one piece, so that two programs
    // adding lines to one file (two loggers sharing a folder) never cut into each other's.
    HANDLE h = CreateFileW(
        native(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    if (h == INVALID_HANDLE_VALUE || !GetFileSizeEx(h, &size)) {
        const DWORD e = GetLastError();
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        if (error)
            *error = describeFileError(toErrno(e));
        return false;
    }
    m_handle = h;
    m_path = path;
    m_size = size.QuadPart;
    m_appending = true;
    *empty = m_size == 0;
    return true;
}

bool LocalFileOutput::write(const QByteArray &bytes, QString *error)
{
    if (!m_handle) {
        if (error)
            *error = describeFileError(EINVAL);
        return false;
    }
    HANDLE h = static_cast<HANDLE>(m_handle);
    auto fail = [&](DWORD e) {
        // The file keeps the whole lines written before (a shared file is not cut: its
        // end may hold another program's lines).
        if (!m_appending) {
            LARGE_INTEGER at;
            at.QuadPart = m_size;
            SetFilePointerEx(h, at, nullptr, FILE_BEGIN);
            SetEndOfFile(h);
        }
        if (error)
            *error = describeFileError(toErrno(e));
        return false;
    };
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        DWORD n = 0;
        if (!WriteFile(h, p, DWORD(qMin<qsizetype>(left, 1 << 20)), &n, nullptr))
            return fail(GetLastError());
        p += n;
        left -= n;
    }
    if (!FlushFileBuffers(h))
        return fail(GetLastError());
    m_size += bytes.size();
    return true;
}

void LocalFileOutput::close()
{
    if (m_handle) {
        CloseHandle(static_cast<HANDLE>(m_handle));
        m_handle = nullptr;
    }
}

void LocalFileOutput::discard()
{
    const bool wasOpen = m_handle != nullptr;
    close();
    if (wasOpen)
        DeleteFileW(native(m_path).c_str());
}

} // namespace platform
