#include "platform/whole_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace platform {

bool readWholeFile(const QString &path, QByteArray *bytes, QDateTime *modified, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QCoreApplication::translate(
                     "platform", "「%1」は通常のﾌｧｲﾙではありません (ﾌｫﾙﾀﾞ、ﾃﾞﾊﾞｲｽ、FIFO など)。"
                                 "記録のﾌｧｲﾙを選んでください。")
                     .arg(path);
        return false;
    }
    if (info.size() > kMaxReadBytes) {
        *error =
            QCoreApplication::translate(
                "platform", "「%1」は %2 MiB あり、読める大きさ (%3 MiB まで) をこえています。")
                .arg(path)
                .arg(info.size() >> 20)
                .arg(kMaxReadBytes >> 20);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QCoreApplication::translate("platform", "「%1」を開けません。\n%2")
                     .arg(path, f.errorString());
        return false;
    }
    // What it holds now, within the bound, even if it grew since it was looked at.
    *bytes = f.read(kMaxReadBytes);
    if (f.error() != QFileDevice::NoError) {
        *error = QCoreApplication::translate("platform", "「%1」を読めません。\n%2")
                     .arg(path, f.errorString());
        return false;
    }
    *modified = QFileInfo(f).lastModified();
    return true;
}

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile()) {
        if (error)
            *error = QCoreApplication::translate("platform",
                                                 "「%1」は通常のﾌｧｲﾙではないため、書き込みません。")
                         .arg(path);
        return false;
    }
    QDir().mkpath(info.absolutePath());
    QSaveFile f(path);
    const bool written = f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    const int err = errno;
    if (!written || !f.commit()) {
        if (error) {
            // Qt's text is "Unknown error" for a full disk at times; the system's words then.
            QString why = f.errorString();
            if (why.isEmpty() || why.contains(QStringLiteral("Unknown error")))
                why = qt_error_string(errno ? errno : err);
            *error = why + QLatin1Char('\n') + path;
        }
        return false;
    }
    return true;
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo x(a), y(b);
    if (!x.exists() || !y.exists())
        return x.absoluteFilePath() == y.absoluteFilePath();
    if (x.canonicalFilePath() == y.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    struct stat sx, sy;
    return ::stat(QFile::encodeName(a).constData(), &sx) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sy) == 0 && sx.st_ino == sy.st_ino &&
           sx.st_dev == sy.st_dev;
#else
    return false;
#endif
}

} // namespace platform
