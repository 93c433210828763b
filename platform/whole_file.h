// Whole files read and replaced: the past logs a person opens, and the reports and
// exports the program writes (through a temporary file, so that a failure leaves the old
// file or none, never half of one).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace platform {

// False and *error (for the user) when the file cannot be read.
bool readWholeFile(const QString &path, QByteArray *bytes, QDateTime *modified, QString *error);
bool replaceFile(const QString &path, const QByteArray &bytes, QString *error);

} // namespace platform
