#include "logging/log_writer.h"

#include "link/frame_decoder.h"
#include "logging/csv_format.h"
#include "platform/clock.h"
#include "platform/file_output.h"

#include <QCoreApplication>
#include <QLocale>

namespace logging {

namespace {
// How long a start waits for the previous file's last rows before it gives up.
constexpr int kStartWaitMs = 3000;
} // namespace

LogWriter::LogWriter(platform::FileOutput *file, platform::Clock *clock, QObject *parent)
    : QObject(parent), m_file(file), m_clock(clock), m_writer(file)
{}

LogWriter::~LogWriter()
{
    stop();
}

bool LogWriter::start(const QString &fName, int mask, QString *error)
{
    const QString stamp = logStamp(m_clock->now());
    const auto base = logBaseName(fName);
    if (!base) {
        *error = QCoreApplication::translate(
            "logging",
            "出力ﾌｧｲﾙ名が正しくありません。ﾌｧｲﾙ名には「.csv」(小文字) を含めてください。");
        return false;
    }
    if (!hasColumns(mask)) {
        *error = kNoColumnsText;
        return false;
    }
    if (m_open)
        stop();
    // The file output is the writer's while it has lines of the previous file.
    if (!m_writer.waitIdle(kStartWaitMs)) {
        *error = QCoreApplication::translate("logging",
                                             "前の出力ﾌｧｲﾙへの書き込みがまだ終わっていません。"
                                             "ﾃﾞｨｽｸが応答するまでお待ちください。\n") +
                 m_path;
        return false;
    }
    checkWriter();
    // An existing log of the same minute is kept; the new one takes the next free name.
    const QString name =
        freeLogFileName(*base, stamp, [this](const QString &path) { return m_file->exists(path); });
    if (name.isEmpty()) {
        *error = QCoreApplication::translate(
                     "logging", "同じ分の記録ﾌｧｲﾙが %1 個あり、新しいﾌｧｲﾙ名を作れません。\n%2")
                     .arg(kMaxLogNames)
                     .arg(*base + stamp + QStringLiteral(".csv"));
        return false;
    }
    QString why;
    if (!m_file->create(name, &why)) {
        *error = why + QLatin1Char('\n') + name;
        return false;
    }
    m_previousPath = m_path;
    m_path = name;
    m_open = true;
    ++m_generation;
    // A header that cannot be written removes the file again and is reported as a
    // failed write.
    m_writer.write(m_generation, toCp932(headerLine(mask)), m_clock->epochMilliseconds(), true);
    return true;
}

void LogWriter::stop()
{
    if (!m_open)
        return;
    m_open = false;
    m_writer.close(m_generation);
}

bool LogWriter::finish(int ms)
{
    stop();
    return flush(ms);
}

bool LogWriter::flush(int ms)
{
    const bool done = m_writer.waitIdle(ms);
    checkWriter();
    return done;
}

void LogWriter::checkWriter()
{
    if (const auto failure = m_writer.takeFailure()) {
        const bool current = failure->generation == m_generation;
        // Stopped before anyone hears of it, so that nothing more is queued meanwhile.
        if (current)
            stop();
        emit writeFailed(failure->reason, current ? m_path : m_previousPath);
    }
    switch (m_writer.checkStall(m_clock->epochMilliseconds())) {
    case logging::BackgroundWriter::Stall::Began: emit stalled(m_writer.waiting()); break;
    case logging::BackgroundWriter::Stall::Ended: emit stallEnded(); break;
    case logging::BackgroundWriter::Stall::None: break;
    }
}

void LogWriter::tick(int interval, int mask, const std::array<int, 4> &tenths, bool gap)
{
    // Within the same second the due rule has nothing to do; reading the local time
    // (which makes the C library look at the time-zone file) waits for a new second.
    const qint64 second = m_clock->epochSeconds();
    if (second == m_lastEpochSecond)
        return;
    checkWriter();
    m_lastEpochSecond = second;
    const QDateTime now = m_clock->now();
    if (!m_due.onTick(now.time(), interval) || !m_open)
        return;
    const QLocale locale = QLocale::system();
    // A gap row keeps the columns (the same commas) with nothing measured in them.
    const QString row = rowLine(mask, locale.toString(now.date(), rowDateFormat(locale)),
                                locale.toString(now.time(), rowTimeFormat(locale)),
                                gap ? meterlink::Readings{} : meterlink::readingTexts(tenths));
    m_writer.write(m_generation, toCp932(row), m_clock->epochMilliseconds());
}

} // namespace logging
