// What the meter session hands to its outputs and hosts: one snapshot value of the
// readings, levels, link state and time, the events with the values at their moment, and
// the interface every output (the CSV log, the MQTT publisher) implements.
#pragma once

#include "app/settings.h"
#include "link/frame_decoder.h"
#include "link/meter_link.h"
#include "site/wind_rule.h"

#include <QObject>
#include <QString>
#include <array>

namespace session {

// The site's rule as it stands ([Site] switched on; otherwise on is false and the rest
// stays at its defaults).
struct SiteState {
    bool on = false;
    site::Stats stats; // the rolling mean and gust, once a second
    site::Work work = site::Work::Undecided;
    bool latched = false;  // a storm's inspection is not yet acknowledged
    site::Storm storm;     // the latched storm: since when, its highest gust and time
    qint64 scaffoldMs = 0; // the scaffolds' inspection latched by a stop (0: none)
    qint64 releaseMs = 0;  // when the running hold ends if the mean stays low (0: none)
    // The state file could not be read: the latch is held for want of a basis.
    bool stateUnreadable = false;
    site::Inspection inspection; // the last acknowledgement (ms 0: none)
    bool operator==(const SiteState &) const = default;
};

struct Snapshot {
    meterlink::Readings readings; // the figures' "#0.0" texts
    std::array<int, 2> levels{};  // alarm levels (0 to 2) of the instantaneous and the average
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
        Scaffold,     // a stop latched the scaffolds' inspection
        Paused,       // no tick ran for a while (a suspend, a stalled process); detail: the span
        Stalled,      // lines have waited for the disk over a minute
        Test,         // the user asked for a test of the notifications
    };
    Kind kind;
    qint64 ms = 0; // when, milliseconds since the epoch
    Snapshot at;   // the values at that moment
    QString detail;
    int figure = -1;
    int level = 0;
};

class Output : public QObject
{
    Q_OBJECT
public:
    // When an output runs: for as long as the session does, or while file output runs
    // (started and stopped by the file-output commands and the link).
    enum class Runs { WithSession, WithFileOutput };

    using QObject::QObject;
    virtual Runs runs() const = 0;
    // false and *error (for the user) when it cannot start; nothing is left running then.
    virtual bool start(const basSubMain::Settings &settings, QString *error) = 0;
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // The settings value changed (the settings dialog).
    virtual void settingsChanged(const basSubMain::Settings &) {}
    // Every 100 ms tick, first within it (a row that is due is written here).
    virtual void tick(const Snapshot &) {}
    // The snapshot changed.
    virtual void snapshot(const Snapshot &) {}
    virtual void event(const Event &) {}
    // The display was reset: counts that run from it restart.
    virtual void reset(const QDateTime &) {}
    // Waits up to ms for what is queued; false when the bound ran out.
    virtual bool flush(int) { return true; }
    // What is queued and not yet out.
    virtual qsizetype waiting() const { return 0; }
    // Where it writes: a file's path, a broker.
    virtual QString where() const = 0;

signals:
    // One line about its state for the user (a broker reached, refused, lost).
    void statusChanged(const QString &text);
    // A write failed; the output has stopped if where is what it writes now.
    void failed(const QString &reason, const QString &where);
    // Lines have waited for the disk over a minute (said once), and are all out again.
    void stalled(qsizetype waiting);
    void stallEnded();
};

} // namespace session
