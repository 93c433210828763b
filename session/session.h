// One meter session, the same for the window and the logger without windows: the link,
// the outputs (the CSV log among them), the reading history, the alarm levels and when
// to sound them, and the start options. It runs the tick in one order (due row, figures,
// watchdog), applies "output stops when the link stops, unless reconnecting", gap rows
// and "log from the first frame", and says what happened: one snapshot value whenever
// it changes, and one signal per event. The hosts turn these into captions, boxes and
// sounds, or lines and an exit code.
#pragma once

#include "base/settings.h"
#include "link/alarm_sounder.h"
#include "link/meter_link.h"
#include "link/reading_history.h"
#include "model/output.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonObject>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {
class SerialPort;
class Clock;
class StateFile;
class Timer;
class PortFinder;
struct PortError;
} // namespace platform

namespace session {

struct Services {
    platform::SerialPort *port = nullptr;
    platform::Clock *clock = nullptr;
    // Where the storm latch is kept over a restart; none: not kept.
    platform::StateFile *latchFile = nullptr;
    // The heartbeat's timer; none: the host calls tick() itself (tests, benchmarks).
    platform::Timer *timer = nullptr;
    // Finds the configured port's adapter under another name; none: the port's usual
    // device only.
    platform::PortFinder *portFinder = nullptr;
};

// The rolling mean at one second, for the trend (-1: not valid).
struct MeanPoint {
    qint64 ms;
    int tenths;
    site::Work work = site::Work::Undecided;
    bool latched = false;
};

// What an acknowledgement of the inspection came to.
enum class Acknowledgement {
    Recorded,
    NoName,         // the inspector's name is required
    NoResult,       // a result was given that says nothing (blanks, controls)
    StillStopped,   // work is stopped (or held stopped): the inspection follows the wind
    StormBlowing,   // the instantaneous wind is above the storm threshold
    NeedsForce,     // a caution holds or the wind is at or above it: asked for first
    NothingLatched, // no inspection is waiting
    TooLong,        // the name or the result is longer than site::kMaxFieldChars
};

// Why file output did not start.
enum class StartResult {
    Started,
    Running,      // it runs already
    NoFileName,   // the settings name no file
    BadFileName,  // the name holds a control character (a NUL cuts it short); *error says
                  // which
    NoColumns,    // the settings select no column
    NotConnected, // no live link is watched
    Failed,       // an output could not start (the file could not be created)
};

// What the start options did.
enum class Begun {
    Nothing,      // no option asked to connect
    Connected,    // "D" sent, the link live
    Reconnecting, // the port could not be opened; attempts every 3 s
    PortFailed,   // the port could not be opened and reconnecting is off
};

class Session;
// A request handed over the command channel, and its answer (one line of JSON each):
// {"acknowledge":{"by":NAME,"result":TEXT}} records an inspection and answers once its
// event row is on the disk (or kAnswerBoundMs has passed, or the program ends):
// {"ok":true,"written":BOOL}, or {"ok":false,"code":"no_name"|"no_result"|"nothing_latched"|
// "bad_request","error":TEXT}. The answer never waits for notices, nor on this thread.
constexpr int kAnswerBoundMs = 3000;
// {"status":{}} answers the state as it stands: the work state, the latches with their
// causes and faults, the last inspection, the last frame's time and readings, the
// outputs' health.
QJsonObject statusJson(const Session &session);
void answerCommand(Session &session, const QByteArray &request,
                   const std::function<void(const QByteArray &)> &reply);

class Session : public QObject
{
    Q_OBJECT
public:
    // A gap between two ticks longer than this is a pause of the program, not a slow tick.
    static constexpr qint64 kPauseMs = 5000;
    Session(const Services &services, QObject *parent = nullptr);
    ~Session() override;

    // The settings value; setting it mirrors the process-wide variables and applies the
    // reconnect and sound switches.
    const basSubMain::Settings &settings() const { return m_settings; }
    void setSettings(const basSubMain::Settings &settings);
    void setSoundEnabled(bool on);

    // The outputs, from makeOutputs; those that run with the session start now.
    void setOutputs(std::vector<std::unique_ptr<Output>> outputs);

    const Snapshot &snapshot() const { return m_snap; }
    const meterlink::ReadingHistory &history() const { return m_history; }
    meterlink::MeterLink &link() { return m_link; }
    const meterlink::MeterLink &link() const { return m_link; }

    // ---- the link
    bool openPort(platform::PortError *error);
    void closePort();
    // The ports among COM1 to COM16 that can be opened now, tried with the default line
    // settings (a speed the port cannot use must not hide it from the list to choose from).
    // Called while the port is closed; it is left closed.
    QList<int> openablePorts();
    bool sendCommand(const QString &command);
    // "D" on an open port: the watchdog armed, the link live.
    void connectLink();
    // The link stopped; file output stops with it.
    void stopLink();
    // The disconnect: "J" tells the meter to stop sending (the port opened for it if the
    // watchdog had closed it), then the link stops.
    void disconnectLink();
    // One tick of the heartbeat: the due row, the figures, the watchdog; then the
    // alarm's repeat.
    void tick();
    // The heartbeat: the timer of the services runs tick() every meterlink::kTickMs
    // until stopped (and at the latest at end()).
    void startHeartbeat();
    void stopHeartbeat();
    // The link is watched or being re-established (the watchdog still counts, or the
    // link has not reported stopped): a disconnect has something to end.
    bool linkActive() const;
    // A whole frame came since the connection.
    bool heard() const { return m_heard; }

    // The start options: connect now (with reconnecting on, a meter that is not there yet
    // is waited for), and start file output at the first frame after connecting.
    Begun begin(bool connect, bool logAtFirstFrame, platform::PortError *error);
    // The display reset: the port's number and line settings from the settings, the link
    // put to stopped without telling anyone, file output stopped, the readings "0.0" and
    // not measured, the interval count restarted.
    void reset();

    // ---- file output
    StartResult startFileOutput(QString *error);
    void stopFileOutput();
    bool fileOutputRunning() const;
    // The file being written (or last written).
    QString filePath() const;
    // Rows of files queued and not yet written, in all and per file (notices apart).
    qsizetype rowsWaiting() const;
    QList<std::pair<QString, qsizetype>> rowsPerFile() const;
    qsizetype noticesWaiting() const;
    // Waits up to ms for the queued rows; what the writers met meanwhile is said at once.
    // True when every row is out (notices still on their way do not count).
    bool flush(int ms);
    // Calls answer(written) once the records queued so far are on the disk, or with
    // false when ms passed first or a write failed; at the end, with what then holds.
    void whenRecorded(std::function<void(bool written)> answer, int ms);

    // ---- the alarm
    void acknowledge() { m_sounder.acknowledge(); }

    // ---- the site's rule
    // The inspection after a storm (or a stop, for the scaffolds) was done: the latches
    // open, and who, the result and the time are recorded.
    // which: the latch signed (none: the crane's when due, else the scaffolds'); force:
    // the person was asked and confirmed while a caution or a strong wind holds.
    Acknowledgement acknowledgeInspection(const QString &by, const QString &result,
                                          std::optional<site::Latch> which = std::nullopt,
                                          bool force = false);
    // Whether an acknowledgement could be given now (Recorded), or why not.
    Acknowledgement mayAcknowledge(bool force) const;
    // A test event to every output: the notifications send it; the answers come as
    // output status lines.
    void testNotifications()
    {
        emit outputStatus(QStringLiteral("Notify"),
                          QCoreApplication::translate("output", "通知: ﾃｽﾄを送ります"));
        dispatch(Event::Kind::Test);
    }
    // The mean once a second over the last hour, oldest first.
    const std::deque<MeanPoint> &meanHistory() const { return m_meanHistory; }

    // The end: file output stopped, every output stopped after waiting up to ms for what
    // it has queued, the port closed. False when the bound ran out; rowsWaiting() and
    // filePath() then say what was not written. With MeterOnEnd::Stop a meter that is
    // sending is told to stop first, as the disconnect tells it (the logger's end; the
    // window's exit leaves the meter as it is).
    // cause: why the watching ends, recorded and sent as its end ("終了", a signal).
    enum class MeterOnEnd { Leave, Stop };
    bool end(int ms, MeterOnEnd meter = MeterOnEnd::Leave, const QString &cause = {});

signals:
    void snapshotChanged(const session::Snapshot &snapshot);
    void linkStateChanged(meterlink::LinkState state);
    // The blink of the live link's status: shown (true) or blank (false).
    void blink(bool shown);
    // The watchdog found the meter silent; reconnecting or stopped follows. heard() says
    // whether it had sent a whole frame since the connection (a loss) or not (no answer).
    void linkLost(bool reconnecting);
    // Frames again after reconnecting.
    void linkBack();
    void portFailed(const QString &reason);
    void reconnectAttempted(bool opened, const QString &reason);
    // figure 0 instantaneous, 1 average; reading is its text.
    void alarmRose(int figure, int level, const QString &reading);
    // The alarm's sound of level 1 or 2 is due now.
    void soundDue(int level);
    void fileStarted(const QString &path);
    void fileStopped();
    // File output could not start at the first frame (log from the first frame).
    void fileStartFailed(session::StartResult why, const QString &error);
    // A write failed; stopped: it was the file being written, and file output stopped.
    void writeFailed(const QString &reason, const QString &path, bool stopped);
    void stalled(qsizetype rowsWaiting);
    void stallEnded();
    // A line about an output's state (a broker reached or lost, a notice's answer, the
    // sleep lock refused), with the output's name.
    void outputStatus(const QString &output, const QString &text);
    // Once a minute when frames were not whole in it: how many, and since the start.
    void rejectedFrames(quint64 inLastMinute, quint64 total);
    // The site's rule: the work state changed; a storm latched (the instantaneous
    // reading's text); the inspection acknowledged; the latch could not be kept.
    void workChanged(site::Work work, const QString &mean);
    void storm(const QString &reading);
    void inspectionAcknowledged();
    void latchNotKept(const QString &error);
    // The latch's state file could not be read: the latch is taken as held; the damaged
    // file was kept as keptAs (empty when it could not be moved).
    void stateUnreadable(const QString &path, const QString &keptAs);
    // The adapter of the configured port was identified at its usual device; portId is
    // the settings' new PortId= (the host keeps it at once).
    void portIdentified(const QString &portId);
    // No tick ran from fromMs to toMs (a suspend, SIGSTOP, a stalled process): nothing
    // was measured or written in that time.
    void paused(qint64 fromMs, qint64 toMs);

private:
    void onFrame(const meterlink::Frame &frame);
    void onLinkState(meterlink::LinkState state);
    void onOutputFailed(Output *output, const QString &reason, const QString &where);
    void dispatch(Event::Kind kind, const QString &detail = {}, int figure = -1, int level = 0);
    // Hands the snapshot to the outputs and hosts when it changed (always when forced).
    void publishIfChanged(bool force = false);
    void mirror();
    void updateSite();
    void applyChanges(const QList<site::Change> &changes);
    void keepLatch();
    void loadLatch();
    // The latches as the rule holds them, into the snapshot and the kept record.
    void takeLatches();
    void onLinkLost();
    void onPortOpened();
    // Answers those of whenRecorded whose records are out or whose bound ran out (all
    // of them at the end).
    void answerRecorded(bool atEnd);

    struct Recorded {
        struct State {
            std::atomic<int> left;
            std::atomic<bool> failed{false};
        };
        std::shared_ptr<State> state;
        QDeadlineTimer deadline;
        std::function<void(bool)> answer;
    };
    std::vector<Recorded> m_recorded;
    QTimer *m_recordedPoll = nullptr;

    Services m_svc;
    basSubMain::Settings m_settings;
    meterlink::MeterLink m_link;
    meterlink::ReadingHistory m_history;
    meterlink::AlarmSounder m_sounder;
    std::vector<std::unique_ptr<Output>> m_outputs;
    Snapshot m_snap;
    Snapshot m_published;
    std::array<int, 2> m_notifiedLevels{};
    meterlink::LinkState m_state = meterlink::LinkState::Stopped;
    bool m_logAtFirstFrame = false;
    bool m_fileOutput = false;
    int m_minuteTicks = 0;
    quint64 m_rejectedSaid = 0;
    site::RollingMean m_mean;
    site::WorkRule m_rule;
    site::LatchRecord m_latch;
    bool m_latchLoaded = false;
    qint64 m_siteSecond = -1;
    qint64 m_lastTickMs = 0;
    std::deque<MeanPoint> m_meanHistory;
    QString m_portMovedTo; // the device the configured port was last said to be found at
    // A whole frame came since the connection; the loss or the silence was said.
    bool m_heard = false, m_lostSaid = false, m_noAnswerSaid = false;
    bool m_monitoring = false; // the start of the watching was said
};

} // namespace session
