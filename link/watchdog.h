// The link watchdog and the blink of the status texts, one 100 ms tick at a time.
#pragma once

#include <QString>

namespace meterlink {

constexpr qint16 kLinkCountdownStart = 20;

struct TickOutcome {
    bool setPanel2 = false;
    QString panel2;
    bool setPanel1 = false;
    QString panel1;
    // The countdown is 0: stop the link unless panel 2 already reads "link stopped".
    bool stopLinkUnlessStopped = false;
};

// Counts the watchdog down and advances the blink phase while the link is live.
TickOutcome watchdogTick(qint16 &countdown, qint16 &blinkCount, bool logOpen);

} // namespace meterlink
