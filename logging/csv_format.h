// CSV log file naming, the header line, the data rows and their encoding.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace logging {

// The base of the log file name: fName up to, not including, the first ".csv"
// (case-sensitive) in its file name (folders are not looked at). Nothing when the file
// name holds no ".csv".
std::optional<QString> logBaseName(const QString &fName);

// "YYMMDDHHNN" of the given local time.
QString logStamp(const QDateTime &when);

// base + stamp + ".csv"; when that exists, base + stamp + "_2.csv", "_3", ... the first free
// name, so that an earlier log is never overwritten. Empty when kMaxLogNames names of
// that minute are all taken (a name that always "exists" must not stall the program).
QString freeLogFileName(const QString &base, const QString &stamp,
                        const std::function<bool(const QString &)> &exists);
constexpr int kMaxLogNames = 1000;

// True when the mask selects at least one column (bits 0 to 4); a log of no columns
// would be a file of empty lines.
inline bool hasColumns(int mask)
{
    return (mask & 31) != 0;
}

// The header line of the selected columns (bits 0 to 4 of mask), ending in CR LF.
QString headerLine(int mask);

// The header of the site rule's own record (a row per ten seconds as the live rule counted
// them), its mean named by its window, ending in CR LF.
QString ruleRecordHeader(int minutes);
// The event log's header line (CR LF included), with the rule's mean named by its window;
// and the header earlier versions wrote (without CR LF), still read back.
QString eventLogHeader(int minutes);
inline constexpr char16_t kOldEventLogHeader[] = u"年月日,時刻,事象,平均風速,最大瞬間風速,瞬間風速";

// One data row of the selected columns, ending in CR LF.
QString rowLine(int mask, const QString &date, const QString &time,
                const std::array<QString, 4> &readings);

// Code page 932 bytes (no byte-order mark) of the text.
QByteArray toCp932(const QString &text);
// And back, for reading what the program wrote.
QString fromCp932(const QByteArray &bytes);
// A field of free text (a name, a note) that reads back whole from code page 932: a
// character the code page cannot hold is written "&#xHHHH;" (as is the '&' of a "&#"
// in the text), and read back from it.
QString cp932Field(const QString &text);
QString fromCp932Field(const QString &field);

// The date and time formats of rows: the locale's short date format and its time format
// with seconds; the C locale takes the Japanese forms yyyy/MM/dd and H:mm:ss.
QString rowDateFormat(const QLocale &locale);
QString rowTimeFormat(const QLocale &locale);
// The status bar's time of day: hours and minutes (H:mm under the C locale).
QString shortTimeFormat(const QLocale &locale);

} // namespace logging
