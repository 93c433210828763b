#include "link/tenths.h"

namespace meterlink {

QString formatTenths(int tenths)
{
    const bool negative = tenths < 0;
    const int a = negative ? -tenths : tenths;
    QString s = QString::number(a / 10) + QLatin1Char('.') + QChar(u'0' + a % 10);
    return negative ? QLatin1Char('-') + s : s;
}

} // namespace meterlink
