#include "link/watchdog.h"

#include "link/status_texts.h"

namespace meterlink {

TickOutcome watchdogTick(qint16 &countdown, qint16 &blinkCount, bool logOpen)
{
    TickOutcome out;
    if (countdown == 0) {
        out.stopLinkUnlessStopped = true;
        return out;
    }
    --countdown;
    ++blinkCount;
    if (blinkCount == 10) {
        out.setPanel2 = true;
        out.panel2 = texts::kLinkLive;
        if (logOpen) {
            out.setPanel1 = true;
            out.panel1 = texts::kFileRunning;
        }
    } else if (blinkCount >= 20) {
        out.setPanel2 = true;
        if (logOpen)
            out.setPanel1 = true;
        blinkCount = 0;
    }
    return out;
}

} // namespace meterlink
