// The site's records from the command line: the register of a period (--register) and
// the check of the sealed records against their manifest (--verify).
#pragma once

#include "base/settings.h"

#include <QString>

namespace records {

// The exit code of --verify when a record differs from its manifest.
constexpr int kVerifyFailed = 13;

// Where the site's records lie and their base name: the data log's, else beside the
// settings file.
QString recordsBase(const basSubMain::Settings &settings, const QString &settingsLocation);

// --register [--from DATE] [--to DATE] --out FILE.pdf|FILE.csv; the lines on standard
// error say what happened.
int runRegister(const basSubMain::Settings &settings, const QString &base, const QString &from,
                const QString &to, const QString &out);
// --verify [FOLDER]: every difference on standard output; 0 only when all holds.
int runVerify(const QString &folder);

} // namespace records
