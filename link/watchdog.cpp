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
    if (blinkCount == kBlinkShownTicks) {
        step.blink = Blink::Shown;
    } else if (blinkCount >= kBlinkTicks) {
        step.blink = Blink::Blank;
        blinkCount = 0;
    }
    return step;
}

} // namespace meterlink
