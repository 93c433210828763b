#include "link/watchdog.h"

namespace meterlink {

WatchdogStep watchdogTick(qint16 &countdown, qint16 &blinkCount)
{
    WatchdogStep step;
    if (countdown == 0) {
        step.silent = true;
        return step;
    }
    --countdown;
    ++blinkCount;
    if (blinkCount == 10) {
        step.blink = Blink::Shown;
    } else if (blinkCount >= 20) {
        step.blink = Blink::Blank;
        blinkCount = 0;
    }
    return step;
}

} // namespace meterlink
