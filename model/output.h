// The interface every output of the meter session implements (the CSV log, the event
// log, the MQTT publisher, the notifications): it is handed the heartbeat's ticks, the
// snapshots and the events.
#pragma once

#include "base/settings.h"
#include "model/snapshot.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <utility>

namespace session {

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
    // Whether what it queues are rows of files (counted as rows not written at an end
    // or a stall) or notices to others (counted apart).
    enum class Queue { Rows, Notices };
    virtual Queue queue() const { return Queue::Rows; }
    // The rows queued per file, for the lines that say what a disk did not take.
    virtual QList<std::pair<QString, qsizetype>> rowsPerFile() const
    {
        const qsizetype n = waiting();
        if (queue() != Queue::Rows || n == 0)
            return {};
        return {{where(), n}};
    }
    // Calls done once the records queued so far are on the disk (true) or were dropped
    // by a failed write (false); at once for an output that keeps no record. It may be
    // called on a writer's thread, and never when that writer is left stuck in a disk.
    virtual void whenWritten(std::function<void(bool)> done) { done(true); }
    // Where it writes: a file's path, a broker.
    virtual QString where() const = 0;
    // Its name where its lines are shown apart from the others' (a status bar panel
    // "sbPanel<name>"): "Log", "EventLog", "Mqtt", "Notify", "StayAwake".
    virtual QString name() const { return QStringLiteral("Output"); }

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
