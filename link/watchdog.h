// The link watchdog and the blink phase of the link's status, one 100 ms tick at a time.
#pragma once

#include "link/heartbeat.h"

#include <QtGlobal>

namespace meterlink {

// The two halves of the once-a-second blink: the state's caption shown, then blank.
enum class Blink { None, Shown, Blank };

struct WatchdogStep {
    // The countdown is 0: no whole frame for 2 s.
    bool silent = false;
    // The phase that starts at this tick, if one does.
    Blink blink = Blink::None;
};

// Counts the watchdog down and advances the blink phase while the link is live.
WatchdogStep watchdogTick(qint16 &countdown, qint16 &blinkCount);

} // namespace meterlink
