#include "app/headless.h"

#include "base/settings.h"
#include "platform/clock.h"
#include "platform/com_ports.h"
#include "platform/serial_port.h"
#include "platform/settings_store.h"
#include "platform/timer.h"

namespace headless {

namespace {
// Frames that were not whole in a minute worth a line (a line at the wrong speed, a
// noisy cable).
constexpr quint64 kRejectedWorthSaying = 10;
} // namespace

Logger::Logger(const Services &services, std::function<void(const QString &)> say, QObject *parent)
    : QObject(parent), m_svc(services), m_say(std::move(say)),
      m_session(
          {services.port, services.clock, services.latchFile, services.timer, services.portFinder})
{
    using session::Session;
    connect(&m_session, &Session::linkBack, this,
            [this] { line(QStringLiteral("reconnected: frames from the meter again")); });
    connect(&m_session, &Session::linkLost, this, [this] {
        line(m_session.heard()
                 ? QStringLiteral("link lost: no frame for 2 s; reconnecting every 3 s")
                 : QStringLiteral("no answer: the meter sent no frame within 2 s of the "
                                  "connection; retrying every 3 s"));
    });
    connect(&m_session, &Session::portIdentified, this, [this](const QString &portId) {
        if (!basSubMain::keepPortId(*m_svc.settings, portId))
            line(QStringLiteral("the port's adapter could not be kept in %1")
                     .arg(m_svc.settings->location()));
    });
    connect(&m_session, &Session::portFailed, this,
            [this](const QString &reason) { line(QStringLiteral("port failed: ") + reason); });
    connect(&m_session, &Session::fileStarted, this, [this](const QString &path) {
        m_dataFiles << path;
        line(QStringLiteral("file opened: ") + path);
    });
    connect(
        &m_session, &Session::fileStartFailed, this,
        [this](session::StartResult why, QString error) {
            const auto &s = m_session.settings();
            if (why == session::StartResult::NoFileName)
                fail(kNoFileName, QStringLiteral("no output file name (fName) in the settings"));
            else if (why == session::StartResult::BadFileName)
                fail(kNoFileName,
                     QStringLiteral("fName in the settings holds a control character: ") + error);
            else if (why == session::StartResult::NoColumns)
                fail(kNoFileName,
                     QStringLiteral("no column to log (fOut=%1) in the settings").arg(s.fOut));
            else
                fail(kFileStartFailed, QStringLiteral("file output failed: ") +
                                           error.replace(QLatin1Char('\n'), QStringLiteral(": ")));
        });
    connect(
        &m_session, &Session::writeFailed, this,
        [this](const QString &reason, const QString &path) {
            // The site's records failing leave the data rows going.
            if (path != m_session.filePath()) {
                line(QStringLiteral("write failed: %1: %2; the data rows go on").arg(path, reason));
                return;
            }
            fail(kWriteFailed, QStringLiteral("write failed: %1: %2").arg(path, reason));
        });
    connect(&m_session, &Session::stalled, this, [this](qsizetype rows) {
        line(QStringLiteral("disk stalled: %1 rows have waited over a minute").arg(rows));
    });
    connect(&m_session, &Session::stallEnded, this,
            [this] { line(QStringLiteral("disk answers again: every waiting row written")); });
    connect(&m_session, &Session::outputStatus, this,
            [this](const QString &, const QString &text) { line(text); });
    connect(&m_session, &Session::rejectedFrames, this, [this](quint64 inMinute, quint64 total) {
        if (inMinute >= kRejectedWorthSaying)
            line(QStringLiteral("frames not whole: %1 in the last minute, %2 since the start")
                     .arg(inMinute)
                     .arg(total));
    });
    connect(&m_session, &Session::workChanged, this, [this](site::Work work, const QString &mean) {
        line(QStringLiteral("work: %1 (mean %2 m/s over %3 min)")
                 .arg(site::workName(work), mean)
                 .arg(m_session.settings().site.minutes));
    });
    connect(&m_session, &Session::storm, this, [this](const QString &reading) {
        line(QStringLiteral("storm: instantaneous %1 m/s; inspection needed until acknowledged")
                 .arg(reading));
    });
    connect(&m_session, &Session::stateUnreadable, this,
            [this](const QString &path, const QString &keptAs) {
                line(QStringLiteral("state file cannot be read: %1; the latch is taken as held "
                                    "(inspection needed)%2")
                         .arg(path, keptAs.isEmpty() ? QString()
                                                     : QStringLiteral("; kept as ") + keptAs));
            });
    connect(&m_session, &Session::paused, this, [this](qint64 fromMs, qint64 toMs) {
        line(QStringLiteral("paused: no tick from %1 to %2 (%3 s, a suspend or a stalled "
                            "process); nothing was measured or written in that time")
                 .arg(platform::isoStamp(QDateTime::fromMSecsSinceEpoch(fromMs)),
                      platform::isoStamp(QDateTime::fromMSecsSinceEpoch(toMs)))
                 .arg((toMs - fromMs) / 1000));
    });
    connect(&m_session, &Session::inspectionAcknowledged, this, [this] {
        const site::Inspection &i = m_session.snapshot().site.inspection;
        line(QStringLiteral("inspection acknowledged by %1: %2").arg(i.by, i.result));
    });
    connect(&m_session, &Session::latchNotKept, this, [this](QString error) {
        line(QStringLiteral("storm latch not kept: ") +
             error.replace(QLatin1Char('\n'), QStringLiteral(": ")));
    });
}

Logger::~Logger() = default;

void Logger::start()
{
    basSubMain::Settings settings = basSubMain::readSettings(*m_svc.settings);
    // A port or line setting that can never work is a fault of the settings, not a meter
    // to wait for.
    if (const QString fault = session::settingsFault(settings, *m_svc.settings); !fault.isEmpty()) {
        fail(kSettingsUnreadable, fault);
        return;
    }
    settings.reconnect = true;
    session::compose(m_session, settings, *m_svc.settings,
                     {m_svc.file, m_svc.clock, m_svc.mqttClient, {}, m_svc.sleepInhibitor});
    if (!m_ended)
        m_session.reset();
    if (m_ended) // an output that could not start ended the work
        return;

    m_session.startHeartbeat();
    const QString port = QStringLiteral("COM%1 (%2)")
                             .arg(settings.port)
                             .arg(platform::comPortDevice(settings.port, m_svc.settings));
    platform::PortError error;
    if (m_session.begin(true, true, &error) == session::Begun::Connected)
        line(QStringLiteral("connected to ") + port);
    else
        line(QStringLiteral("cannot open %1: %2; retrying every 3 s").arg(port, error.reason));
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
    m_session.stopHeartbeat();
    // A meter that is sending is told to stop, as a disconnect in the window tells it.
    // The watching's end as recorded and sent: a stop that was asked for (a signal, a
    // shutdown, the service's stop), or the failure that ended it.
    const bool written = m_session.end(
        logging::BackgroundWriter::kFinishBoundMs, session::Session::MeterOnEnd::Stop,
        code == kEndedBySignal ? QStringLiteral("停止要求") : QStringLiteral("異常終了: ") + text);
    if (!written) {
        // Rows per file; the notices still queued are not the disk's and said apart.
        QStringList files;
        for (const auto &[path, rows] : m_session.rowsPerFile())
            files << QStringLiteral("%1 rows not written to %2").arg(rows).arg(path);
        line(QStringLiteral("disk does not answer: ") + files.join(QStringLiteral(", ")));
    }
    if (const qsizetype notices = m_session.noticesWaiting())
        line(QStringLiteral("%1 notices not sent: the web hook or the command did not take them "
                            "before the end")
                 .arg(notices));
    emit finished(code);
}

void Logger::line(const QString &text)
{
    // The same line twice in a row (a broker that keeps refusing) is said once.
    if (text == m_lastLine)
        return;
    m_lastLine = text;
    m_say(platform::isoStamp(m_svc.clock->now()) + QLatin1Char(' ') + text);
}

} // namespace headless
