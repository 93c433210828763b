// The heartbeat the link's units and the session count in: one tick every 100 ms, run
// by the session's timer. Every count of ticks is written here as the time it stands for.
#pragma once

#include <QtGlobal>

namespace meterlink {

constexpr int kTickMs = 100;
constexpr int ticksIn(int ms)
{
    return ms / kTickMs;
}

// Ticks without a whole frame before the link counts as silent (2 s).
constexpr qint16 kLinkCountdownStart = ticksIn(2000);
// Ticks between two reconnect attempts (3 s).
constexpr int kReconnectTicks = ticksIn(3000);
// The link's caption blinks once a second: shown at half, blank at the whole.
constexpr qint16 kBlinkShownTicks = ticksIn(1000);
constexpr qint16 kBlinkTicks = ticksIn(2000);
// How often the count of rejected frames is said (a minute).
constexpr int kMinuteTicks = ticksIn(60 * 1000);

} // namespace meterlink
