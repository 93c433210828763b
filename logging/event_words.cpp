#include "logging/event_words.h"

#include <QStringList>

namespace logging::words {

namespace {
const QString kBy = QStringLiteral("点検者=");
const QString kResult = QStringLiteral("結果=");
const QString kScaffold = QStringLiteral("対象=足場");
} // namespace

QString inspectionDetail(const site::Inspection &inspection)
{
    QString detail = kBy + inspection.by + QLatin1Char(';') + kResult + inspection.result;
    if (inspection.latch == site::Latch::Scaffold)
        detail += QLatin1Char(';') + kScaffold;
    if (inspection.forced)
        detail += QLatin1Char(';') + word(kForced);
    return detail;
}

InspectionFields readInspectionDetail(const QString &detail)
{
    InspectionFields f;
    for (const QString &field : detail.split(QLatin1Char(';'))) {
        if (field.startsWith(kBy))
            f.by = field.mid(kBy.size());
        else if (field.startsWith(kResult))
            f.result = field.mid(kResult.size());
        else if (field == kScaffold)
            f.scaffold = true;
        else if (field == word(kForced))
            f.forced = true;
    }
    return f;
}

} // namespace logging::words
