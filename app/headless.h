// The logger without windows (qv475 --headless): the same link and log units as the
// window, always reconnecting, file output from the first frame, MQTT publishing when
// configured, and one line per state change instead of message boxes.
#pragma once

#include "link/meter_link.h"
#include "logging/log_writer.h"

#include <QObject>
#include <functional>
#include <memory>

namespace platform {
class SettingsStore;
class SerialPort;
class Timer;
class Clock;
class FileOutput;
class MqttClient;
} // namespace platform

namespace publish {
class Publisher;
}

namespace headless {

// Exit codes; each condition that the window reports in a box and that stops the work.
enum ExitCode {
    kEndedBySignal = 0,
    kBadOptions = 1,         // an unknown option (the command-line parser's own)
    kSettingsUnreadable = 2, // --config names a file that cannot be read, or Port or ComSt
                             // in it can never work
    kNoFileName = 3,         // no output file name, or no column, in the settings
    kFileStartFailed = 4,    // the CSV file could not be created or its header written
    kWriteFailed = 5,        // a row could not be written (disk full, file removed)
};

struct Services {
    platform::SettingsStore *settings = nullptr;
    platform::SerialPort *port = nullptr;
    platform::Timer *timer = nullptr;
    platform::Clock *clock = nullptr;
    platform::FileOutput *file = nullptr;
    platform::MqttClient *mqtt = nullptr; // used when the settings name a broker
};

class Logger : public QObject, private meterlink::AlarmSink
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

    meterlink::MeterLink &link() { return m_link; }
    logging::LogWriter &log() { return m_log; }

signals:
    void finished(int exitCode);

private:
    void setAlarmColour(int figure, meterlink::AlarmColour colour) override;
    void tick();
    void line(const QString &text);
    // Says why, ends the work (file closed, "offline", port closed) and finishes with code.
    void fail(ExitCode code, const QString &text);

    Services m_svc;
    std::function<void(const QString &)> m_say;
    meterlink::MeterLink m_link;
    logging::LogWriter m_log;
    std::unique_ptr<publish::Publisher> m_publisher;
    std::array<int, 2> m_alarms{};
    QString m_lastLine;
    meterlink::LinkState m_lastState = meterlink::LinkState::Stopped;
    static constexpr quint64 kRejectedWorthSaying = 10;
    quint64 m_rejectedSaid = 0;
    int m_rejectTicks = 0;
    int m_ticks = 0;
    bool m_ended = false;
};

} // namespace headless
