// The logger without windows (qv475 --headless): the meter session of the window,
// always reconnecting, file output from the first frame, with the outputs the settings
// name, and one line per event instead of message boxes.
#pragma once

#include "session/outputs.h"
#include "session/session.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

namespace platform {
class StateFile;
class SettingsStore;
class SerialPort;
class Timer;
class Clock;
class FileOutput;
class MqttClient;
class PortFinder;
} // namespace platform

namespace headless {

// Exit codes; each condition that the window reports in a box and that stops the work.
enum ExitCode {
    kEndedBySignal = 0,
    kBadOptions = 1,         // an unknown option (the command-line parser's own)
    kSettingsUnreadable = 2, // --config names a file that cannot be read, or Port or ComSt
                             // in it can never work
    kNoFileName = 3,         // no output file name (or one with a control character), or no
                             // column, in the settings
    kFileStartFailed = 4,    // the CSV file could not be created or its header written
    kWriteFailed = 5,        // a row could not be written (disk full, file removed)
};

struct Services {
    platform::SettingsStore *settings = nullptr;
    platform::SerialPort *port = nullptr;
    platform::Timer *timer = nullptr;
    platform::Clock *clock = nullptr;
    platform::FileOutput *file = nullptr;
    // Made when the settings name a broker.
    std::function<std::unique_ptr<platform::MqttClient>()> mqttClient;
    // Where the storm latch is kept; none: not kept.
    platform::StateFile *latchFile = nullptr;
    // Keeps the system awake while file output runs; none: nothing is asked.
    platform::SleepInhibitor *sleepInhibitor = nullptr;
    // Finds the configured port's adapter under another name; none: not looked for.
    platform::PortFinder *portFinder = nullptr;
};

class Logger : public QObject
{
    Q_OBJECT
public:
    // say: one line for the user (standard error, the journal).
    Logger(const Services &services, std::function<void(const QString &)> say,
           QObject *parent = nullptr);
    ~Logger() override;

    // Loads the settings, connects (or starts reconnecting) and starts the tick.
    void start();
    // A clean end: the file closed with every row on the disk, "offline" published, the
    // port closed; finished(kEndedBySignal) follows.
    void end();

    session::Session &session() { return m_session; }

signals:
    void finished(int exitCode);

private:
    void line(const QString &text);
    // Says why, ends the work (file closed, "offline", port closed) and finishes with code.
    void fail(ExitCode code, const QString &text);

    Services m_svc;
    std::function<void(const QString &)> m_say;
    session::Session m_session;
    // The CSV logs opened (a failure of another file leaves the work going).
    QStringList m_dataFiles;
    QString m_lastLine;
    bool m_ended = false;
};

} // namespace headless
