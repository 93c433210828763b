// Records that show they were not changed: once a day is over, the names, sizes and
// SHA-256 of its event log and rule record are appended to a manifest beside them
// (<base>_manifest.csv), each line carrying the SHA-256 of the line before it, so that an
// edited row, a removed day or an edited manifest line is found. A copy of the closed
// days' files and of the manifest may be kept in another folder too. QtCore only.
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

namespace logging {

QString manifestPath(const QString &base);
// The files of a day that are sealed: <base>_events_YYYYMMDD.csv, <base>_rule_YYYYMMDD.csv.
QStringList dayFiles(const QString &base, const QDate &day);

struct Sealed {
    int files = 0;        // lines appended
    QStringList problems; // what could not be done, for a line of the log
};
// Appends a line for each file of the days before `today` that is not in the manifest
// yet. With archive set, copies those files and the manifest there (a temporary name,
// then renamed; nothing is ever deleted); a folder that is away is said and tried again
// at the next call.
Sealed sealClosedDays(const QString &base, const QDate &today, const QString &archive = {});

struct Verification {
    int checked = 0;      // files compared
    QStringList problems; // each difference, for a person
    bool ok() const { return problems.isEmpty(); }
};
// Every manifest in the folder: its chain, and each file it names against its size and
// SHA-256; a day's file that is not in it although later days are.
Verification verifyFolder(const QString &folder);
// The same in one line for a page: "記録の検証: 一致", or what differs.
QString verificationSummary(const QString &folder);
// The first and last day that hold a record of the base (invalid dates when none).
std::pair<QDate, QDate> recordedDays(const QString &base);
// The files given (a day's records, for its sheet) against the manifests beside them:
// "一致", the differences, or that they are not sealed yet.
QString verificationLine(const QStringList &files);

} // namespace logging
