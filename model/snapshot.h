// One snapshot value of what the meter session knows (the last frame's readings and
// levels, the link, the site's rule) and the events it hands to its outputs and hosts.
// Plain values: a peer such as the MQTT publisher reads them without the session.
#pragma once

#include "link/meter_link.h"
#include "site/wind_rule.h"

#include <QString>
#include <array>

namespace session {

// The site's rule as it stands ([Site] switched on; otherwise on is false and the rest
// stays at its defaults).
struct SiteState {
    bool on = false;
    site::Stats stats; // the rolling mean and gust, once a second
    site::Work work = site::Work::Undecided;
    bool latched = false;      // a storm's inspection is not yet acknowledged
    site::Storm storm;         // the latched storm: since when, its highest gust and time
    qint64 scaffoldMs = 0;     // the scaffolds' inspection, due since a stop ended (0: none)
    qint64 scaffoldFromMs = 0; // that stop's start
    // A fault an inspection found (ms 0: none): the latch holds as out of service.
    site::Inspection craneFault, scaffoldFault;
    qint64 releaseMs = 0; // when the running hold ends if the mean stays low (0: none)
    // The state file could not be read: the latch is held for want of a basis.
    bool stateUnreadable = false;
    site::Inspection inspection; // the last acknowledgement (ms 0: none)
    bool outOfService() const { return craneFault.ms || scaffoldFault.ms; }
    bool operator==(const SiteState &) const = default;
};

struct Snapshot {
    // The last whole frame's readings in 0.1 m/s (zero after a reset); the "#0.0" texts
    // are made where a figure is shown or a row is written.
    std::array<int, 4> tenths{};
    std::array<int, 2> levels{}; // alarm levels (0 to 2) of the instantaneous and the average
    meterlink::LinkState link = meterlink::LinkState::Stopped;
    bool receiving = false; // whole frames come: the readings are measured now
    qint64 frameSecond = 0; // the second (since the epoch) of the last whole frame; 0 before it
    quint64 rejected = 0;   // frames that were not whole since the start
    SiteState site;
    bool operator==(const Snapshot &) const = default;
};

struct Event {
    enum class Kind {
        LinkLost,    // the meter fell silent
        LinkBack,    // frames again after reconnecting
        AlarmRose,   // figure (0 instantaneous, 1 average) reached level
        FileStarted, // detail: the file's path
        FileStopped, //
        WriteFailed, // detail: the reason
        // The site's rule ([Site] switched on):
        Caution,      // normal to caution
        StopBegins,   // work stops
        StopEnds,     // stop to caution or normal
        Normal,       // back to normal
        Storm,        // the instantaneous wind exceeded the storm threshold; latched
        Acknowledged, // a person acknowledged the inspection; detail: who and the result
        Undecided,    // a verdict lost its basis (no valid mean)
        Scaffold,     // a stop ended: the scaffolds' inspection is due
        OutOfService, // an inspection found a fault; detail: who, the result, the latch
        NoAnswer,     // the meter sent no whole frame within the watchdog's time of a connection
        MonitorStart, // the meter is watched from now on
        MonitorEnd,   // the watching ends; detail: why (the exit, a signal, a stop)
        Paused,       // no tick ran for a while (a suspend, a stalled process); detail: the span
        Stalled,      // lines have waited for the disk over a minute
        Test,         // the user asked for a test of the notifications
        PortMoved,    // the configured port's adapter was found under another name; detail:
                      // from where to where
    };
    Kind kind;
    qint64 ms = 0; // when, milliseconds since the epoch
    Snapshot at;   // the values at that moment
    QString detail;
    int figure = -1;
    int level = 0;
};

} // namespace session
