#include "platform/file_output.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

LocalFileOutput::~LocalFileOutput()
{
    close();
}

bool LocalFileOutput::exists(const QString &path) const
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

namespace {
// The open file's descriptor, or -1 with errno set.
int openFile(const QString &path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_WRONLY | O_CLOEXEC | O_NOCTTY, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

bool LocalFileOutput::create(const QString &path, QString *error)
{
    close();
    const int fd = openFile(path, O_CREAT | O_EXCL);
    if (fd < 0) {
        if (error)
            *error = describeFileError(errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        m_inode = st.st_ino;
        m_device = st.st_dev;
    }
    m_fd = fd;
    m_path = path;
    m_size = 0;
    return true;
}

bool LocalFileOutput::append(const QString &path, bool *empty, QString *error)
{
    close();
    // Every write goes at the end as one piece, so that two programs adding lines to one
    // file never cut into each other's lines.
    const int fd = openFile(path, O_CREAT | O_APPEND);
    if (fd < 0) {
        if (error)
            *error = describeFileError(errno);
        return false;
    }
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EISDIR;
    // Lines go at the end.
    if (err == 0 && ::lseek(fd, 0, SEEK_END) < 0)
        err = errno;
    if (err != 0) {
        ::close(fd);
        if (error)
            *error = describeFileError(err);
        return false;
    }
    m_inode = st.st_ino;
    m_device = st.st_dev;
    m_fd = fd;
    m_path = path;
    m_size = st.st_size;
    *empty = st.st_size == 0;
    return true;
}

bool LocalFileOutput::write(const QByteArray &bytes, QString *error)
{
    auto fail = [error](int err) {
        if (error)
            *error = describeFileError(err);
        return false;
    };
    if (m_fd < 0)
        return fail(EBADF);

    // On Linux a deleted or replaced file still takes writes that no one will ever read:
    // treat that as a failed write so the user learns of it.
    struct stat st;
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
        return fail(errno);
    if (st.st_ino != m_inode || st.st_dev != m_device)
        return fail(ENOENT);

    // Where this line begins: the end of the file, which another program appending to
    // the same file may have moved.
    const off_t start = ::fstat(m_fd, &st) == 0 ? st.st_size : m_size;
    const char *p = bytes.constData();
    qsizetype left = bytes.size();
    // Keeps the file to its last whole line, unless someone else has written after it.
    auto cut = [&] {
        struct stat now;
        if (::fstat(m_fd, &now) == 0 && now.st_size == start + (bytes.size() - left))
            [[maybe_unused]]
            const int r = ::ftruncate(m_fd, start);
    };
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            cut();
            return fail(err);
        }
        p += n;
        left -= n;
    }
    // A row counts as written once it is on the disk: a power cut must not take it.
    if (::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        cut();
        return fail(err);
    }
    m_size = start + bytes.size();
    return true;
}

void LocalFileOutput::discard()
{
    if (m_fd < 0)
        return;
    // Remove only the file this output created, not one that took its name meanwhile.
    struct stat st;
    const QByteArray name = QFile::encodeName(m_path);
    if (::stat(name.constData(), &st) == 0 && st.st_ino == m_inode && st.st_dev == m_device)
        ::unlink(name.constData());
    close();
}

void LocalFileOutput::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
