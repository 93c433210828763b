// The register of a site over months or years: every storm, stop, long caution and
// inspection, what is still uninspected at the end, the days without a record and the
// gaps in the monitoring, read from the event logs alone (never the data rows), a day
// at a time. QtCore only; the files' bytes come through a reader.
#pragma once

#include "history/wind_history.h"

#include <QDate>

namespace history {

struct RegisterItem {
    enum class Kind {
        Open,        // a storm or a stop whose inspection is still due at the period's end
        Storm,       // 暴風: the crane's inspection is due
        ScaffoldDue, // 足場点検要: the scaffolds' inspection is due after a stop
        Stop,        // 作業中止, its span and highest mean
        Caution,     // 注意 for at least the chosen minutes
        Inspection,  // a signature: who, when, the result, its marks
        Gap,         // monitoring ended, or the link lost for over ten minutes
        NoRecord,    // a day without any record
    };
    Kind kind = Kind::Storm;
    qint64 fromMs = 0, toMs = 0; // toMs 0: a moment
    bool scaffold = false;       // of the scaffolds' latch (else the crane's)
    QString value;               // the highest gust or mean, "31.4"
    QString by, result;          // a signature's
    bool forced = false, fault = false;
    bool operator==(const RegisterItem &) const = default;
};

struct Register {
    QDate from, to;
    QList<RegisterItem> items; // the open ones first, then in time order
    QStringList notes;         // what of the records could not be read
};

struct RegisterInput {
    QString base; // the records' path and base name (<base>_events_YYYYMMDD.csv)
    QDate from, to;
    int cautionMinutes = 10; // shorter cautions are left out
};

Register buildRegister(const RegisterInput &in, const FileReader &read);

// An item's kind, and its what and who, as the register's table shows them.
QString registerKindText(const RegisterItem &item);
QString registerDetail(const RegisterItem &item);
// The CSV of the register: code page 932, CR LF, a header, a row per item.
QByteArray registerCsv(const Register &r);

} // namespace history
