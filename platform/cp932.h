// Code page 932 (Japanese Windows' Shift_JIS) both ways, the same on every system: the
// CSV files are written in it, and editors on a Japanese Windows save settings in it.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The bytes (no byte-order mark) of the text.
QByteArray toCp932(const QString &text);
// And back.
QString fromCp932(const QByteArray &bytes);

} // namespace platform
