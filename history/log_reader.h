// Reading the program's own CSV logs back: the header in code page 932 (or UTF-8, when a
// spreadsheet saved it so), any choice of columns, gap rows, and the event log and the
// record of the site's rule. A file that is none of these is refused with the line that is not.
// QtCore only; the bytes come from the caller.
#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace history {

// One row of a data log. A reading that the file has no column for, or a gap row's, is -1.
struct Row {
    qint64 ms = 0;
    std::array<qint16, 4> tenths{-1, -1, -1, -1};
    bool gap = false;
    qint32 holdMs = 0; // how long its value holds: set by the history from its file
    bool operator==(const Row &) const = default;
};

// One row of an event log.
struct EventRow {
    qint64 ms = 0;
    QString what;
    QString mean, gust, instant; // as written, empty for none
    QString detail;              // an acknowledgement's inspector and result
    bool operator==(const EventRow &) const = default;
};

// One row of the site rule's own record: up to ten seconds as the live rule counted them.
struct RuleRow {
    qint64 ms = 0; // its first second
    qint32 seconds = 0, receiving = 0, caution = 0, stop = 0, undecided = 0;
    qint16 gust = -1, mean = -1; // the highest in it, 0.1 m/s; -1 for none
    qint64 gustMs = 0, meanMs = 0;
    bool latched = false; // a storm's inspection was due at its end
    bool operator==(const RuleRow &) const = default;
};

enum class Kind { Data, Events, Rule };

// What the files held, appended to file by file.
struct Contents {
    std::vector<Row> rows;
    QList<EventRow> events;
    std::vector<RuleRow> rule;
};

// What one file held.
struct FileInfo {
    QString path;
    Kind kind = Kind::Data;
    int mask = 0;                // the data log's columns (bits 0 to 4)
    qint64 intervalMs = 1000;    // the most common spacing of its rows
    bool timesEstimated = false; // no date column: spread from the name's stamp to mtime
    QStringList warnings;        // read, with something left out (a cut last line ...)
    int skipped = 0;             // lines of a record left out as unreadable
    bool unreadable = false;     // a record beside the logs that could not be read at all
};

// Turns the date and time texts of rows into milliseconds since the epoch, fast: each
// date is looked up once. Year-first dates (yyyy/MM/dd, yyyy-MM-dd) always read; other
// orders follow the given locale's short date format. Times are H:mm:ss, with an AM/PM
// text where the locale writes one.
class RowClock
{
public:
    explicit RowClock(const QLocale &locale = QLocale::system());
    std::optional<qint64> at(QByteArrayView date, QByteArrayView time);

private:
    std::optional<QDate> parseDate(QByteArrayView date) const;
    std::array<int, 3> m_order{0, 1, 2}; // index of year, month, day among the numbers
    QByteArray m_lastDate;
    qint64 m_midnightMs = 0, m_offsetAtMidnight = 0;
    bool m_evenDay = false; // no change of UTC offset in the day
    QDate m_date;
    QList<QByteArray> m_am, m_pm;
};

// Reads one file. modified: the file's last change, for a log without a date column.
// progress (may be empty) is given the bytes read so far now and then, and stops the
// reading when it returns false. False and *error
// (Japanese, naming the file and the line) when it is not one of the program's files.
bool readFile(const QString &path, const QByteArray &bytes, const QDateTime &modified,
              FileInfo *info, Contents *out, QString *error,
              const std::function<bool(qint64)> &progress = {});

// The stamp of a log's name (base + "YYMMDDHHNN" [+ "_N"] + ".csv"): its base and time.
struct NameStamp {
    QString base;
    QDateTime start;
};
std::optional<NameStamp> nameStamp(const QString &path);

// The event logs and the rule's records that may lie beside a data log for the days it
// covers.
QStringList eventFilesFor(const QString &logPath, const QList<QDate> &days);

} // namespace history
