// Whole files read and replaced: the past logs a person opens, and the reports and
// exports the program writes (through a temporary file, so that a failure leaves the old
// file or none, never half of one).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace platform {

// False and *error (for the user) when the file cannot be read. Only regular files are
// read (a FIFO would never end, a device never stop), and none over kMaxReadBytes.
bool readWholeFile(const QString &path, QByteArray *bytes, QDateTime *modified, QString *error);
constexpr qint64 kMaxReadBytes = 256LL << 20;
// Writes bytes to a temporary file beside path and renames it into place: a failure
// leaves the old file whole, or none. Refused when path is there and is not a regular
// file (a folder, a device, a FIFO).
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error);
// Whether two paths name one file (the same path, a link to it, or the same inode).
bool sameFile(const QString &a, const QString &b);

} // namespace platform
