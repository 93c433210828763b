// A reading in tenths of m/s as text: the one formatter of the figures, the files, the
// sheets and the messages.
#pragma once

#include <QString>

namespace meterlink {

// "#0.0": at least one digit before the point, exactly one after.
QString formatTenths(int tenths);
// The same, and nothing for a value not known (below zero).
inline QString formatTenthsOrEmpty(int tenths)
{
    return tenths < 0 ? QString() : formatTenths(tenths);
}

} // namespace meterlink
