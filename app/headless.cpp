#include "app/headless.h"

#include "app/globals.h"
#include "app/settings.h"
#include "logging/csv_format.h"
#include "platform/clock.h"
#include "platform/com_ports.h"
#include "platform/file_output.h"
#include "platform/serial_port.h"
#include "platform/serial_settings.h"
#include "platform/settings_store.h"
#include "platform/timer.h"
#include "publish/publisher.h"

using namespace basSubMain;

namespace headless {

Logger::Logger(const Services &services, std::function<void(const QString &)> say, QObject *parent)
    : QObject(parent), m_svc(services), m_say(std::move(say)),
      m_link(services.port, gLinkCountdown, gRxBuffer, gReadings, this),
      m_log(services.file, services.clock)
{
    using meterlink::LinkState;
    connect(&m_link, &meterlink::MeterLink::stateChanged, this, [this](LinkState state) {
        const LinkState before = std::exchange(m_lastState, state);
        if (m_ended)
            return;
        if (state == LinkState::Live && m_link.receiving())
            line(QStringLiteral("reconnected: frames from the meter again"));
        else if (state == LinkState::Reconnecting && before == LinkState::Live)
            line(QStringLiteral("link lost: no frame for 2 s; reconnecting every 3 s"));
    });
    connect(&m_link, &meterlink::MeterLink::portFailed, this,
            [this](const QString &reason) { line(QStringLiteral("port failed: ") + reason); });
    connect(&m_link, &meterlink::MeterLink::receivingChanged, this, [this](bool receiving) {
        if (!receiving || m_log.isOpen() || m_ended)
            return;
        // File output starts at the first frame, as --log does in the window.
        if (gFName.isEmpty()) {
            fail(kNoFileName, QStringLiteral("no output file name (fName) in the settings"));
            return;
        }
        if (!logging::hasColumns(gFOut)) {
            fail(kNoFileName,
                 QStringLiteral("no column to log (fOut=%1) in the settings").arg(gFOut));
            return;
        }
        QString error;
        if (!m_log.start(gFName, gFOut, &error)) {
            fail(kFileStartFailed, QStringLiteral("file output failed: ") +
                                       error.replace(QLatin1Char('\n'), QStringLiteral(": ")));
            return;
        }
        line(QStringLiteral("file opened: ") + m_log.path());
    });
    connect(&m_log, &logging::LogWriter::writeFailed, this,
            [this](const QString &reason, const QString &path) {
                fail(kWriteFailed, QStringLiteral("write failed: %1: %2").arg(path, reason));
            });
    connect(&m_log, &logging::LogWriter::stalled, this, [this](qsizetype rows) {
        line(QStringLiteral("disk stalled: %1 rows have waited over a minute").arg(rows));
    });
    connect(&m_log, &logging::LogWriter::stallEnded, this,
            [this] { line(QStringLiteral("disk answers again: every waiting row written")); });
    connect(m_svc.timer, &platform::Timer::timeout, this, &Logger::tick);
}

Logger::~Logger() = default;

void Logger::start()
{
    LoadSettings(*m_svc.settings);
    // A port or line setting that can never work is a fault of the settings, not a meter
    // to wait for.
    if (gPort < 1 || gPort > 16) {
        fail(kSettingsUnreadable,
             QStringLiteral("Port=%1 in the settings: the port number must be 1 to 16").arg(gPort));
        return;
    }
    if (!platform::parseSerialSettings(gComSt)) {
        fail(kSettingsUnreadable,
             QStringLiteral("ComSt=%1 in the settings: not a line setting such as 9600,n,8,1")
                 .arg(gComSt));
        return;
    }
    m_svc.port->setCommPort(gPort);
    m_svc.port->setSettings(gComSt);
    m_log.resetCount(m_svc.clock->now().time().second());
    m_link.setReconnectEnabled(true);
    const QString port =
        QStringLiteral("COM%1 (%2)").arg(gPort).arg(platform::comPortDevice(gPort, m_svc.settings));

    if (const auto mqtt = publish::loadMqttSettings(*m_svc.settings); mqtt && m_svc.mqtt) {
        m_publisher = std::make_unique<publish::Publisher>(m_svc.mqtt, m_svc.clock, *mqtt, [this] {
            publish::Snapshot s;
            // Nothing is published as measured while no frame comes.
            if (m_link.receiving())
                s.readings = gReadings;
            s.alarms = m_alarms;
            s.link = meterlink::linkStateName(m_link.state());
            return s;
        });
        connect(m_publisher.get(), &publish::Publisher::statusChanged, this, &Logger::line);
        line(QStringLiteral("MQTT: publishing to %1:%2 under %3")
                 .arg(mqtt->host)
                 .arg(mqtt->port)
                 .arg(mqtt->topic));
        m_publisher->start();
    }

    m_svc.timer->setInterval(100);
    m_svc.timer->setEnabled(true);
    platform::PortError error;
    if (m_link.openPort(&error)) {
        m_link.start();
        line(QStringLiteral("connected to ") + port);
    } else {
        line(QStringLiteral("cannot open %1: %2; retrying every 3 s").arg(port, error.reason));
        m_link.beginReconnecting();
    }
}

void Logger::tick()
{
    if (m_ended)
        return;
    // The window's order: the due row first, then the watchdog.
    m_log.tick(gFTime, gFOut, gReadings, m_link.state() == meterlink::LinkState::Reconnecting);
    m_link.tick(m_log.isOpen());
    // Frames that were not whole (a line at the wrong speed, a noisy cable): said once a
    // minute at most, when there were many.
    if (++m_rejectTicks >= 600) {
        m_rejectTicks = 0;
        const quint64 rejected = m_link.rejectedFrames();
        if (rejected - m_rejectedSaid >= kRejectedWorthSaying)
            line(QStringLiteral("frames not whole: %1 in the last minute, %2 since the start")
                     .arg(rejected - m_rejectedSaid)
                     .arg(rejected));
        m_rejectedSaid = rejected;
    }
    if (m_publisher && ++m_ticks % 10 == 0)
        m_publisher->tick();
}

void Logger::end()
{
    if (!m_ended)
        fail(kEndedBySignal, QStringLiteral("ended"));
}

void Logger::fail(ExitCode code, const QString &text)
{
    line(text);
    m_ended = true;
    m_svc.timer->setEnabled(false);
    // The rows still queued go to the disk first, within a bound.
    if (!m_log.finish())
        line(QStringLiteral("disk does not answer: %1 rows not written to %2")
                 .arg(m_log.rowsWaiting())
                 .arg(m_log.path()));
    if (m_publisher)
        m_publisher->stop();
    m_link.closePort();
    emit finished(code);
}

void Logger::setAlarmColour(int figure, meterlink::AlarmColour colour)
{
    m_alarms[figure == 0 ? 0 : 1] = meterlink::alarmLevel(colour);
}

void Logger::line(const QString &text)
{
    // The same line twice in a row (a broker that keeps refusing) is said once.
    if (text == m_lastLine)
        return;
    m_lastLine = text;
    QDateTime now = m_svc.clock->now();
    now.setOffsetFromUtc(now.offsetFromUtc());
    m_say(now.toString(Qt::ISODate) + QStringLiteral(" ") + text);
}

} // namespace headless
