#include "logging/log_writer.h"

#include "logging/csv_format.h"
#include "platform/clock.h"
#include "platform/file_output.h"

#include <QLocale>

namespace logging {

LogWriter::LogWriter(platform::FileOutput *file, platform::Clock *clock, QObject *parent)
    : QObject(parent), m_file(file), m_clock(clock)
{}

bool LogWriter::start(const QString &fName, int mask, QString *error)
{
    const QString stamp = logStamp(m_clock->now());
    const auto base = logBaseName(fName);
    if (!base) {
        *error = QStringLiteral(
            "出力ﾌｧｲﾙ名が正しくありません。ﾌｧｲﾙ名には「.csv」(小文字) を含めてください。");
        return false;
    }
    // An existing log of the same minute is kept; the new one takes the next free name.
    const QString name =
        freeLogFileName(*base, stamp, [this](const QString &path) { return m_file->exists(path); });
    QString why;
    if (!m_file->create(name, &why)) {
        *error = why + QLatin1Char('\n') + name;
        return false;
    }
    if (!m_file->write(toCp932(headerLine(mask)), &why)) {
        // A start that failed leaves no empty file behind.
        m_file->discard();
        *error = why + QLatin1Char('\n') + name;
        return false;
    }
    m_path = name;
    m_open = true;
    return true;
}

void LogWriter::stop()
{
    m_file->close();
    m_open = false;
}

void LogWriter::tick(int interval, int mask, const std::array<QString, 4> &readings, bool gap)
{
    // Within the same second the due rule has nothing to do; reading the local time
    // (which makes the C library look at the time-zone file) waits for a new second.
    const qint64 second = m_clock->epochSeconds();
    if (second == m_lastEpochSecond)
        return;
    m_lastEpochSecond = second;
    const QDateTime now = m_clock->now();
    if (!m_due.onTick(now.time(), interval) || !m_open)
        return;
    const QLocale locale = QLocale::system();
    // A gap row keeps the columns (the same commas) with nothing measured in them.
    static const std::array<QString, 4> nothing;
    const QString row = rowLine(mask, locale.toString(now.date(), rowDateFormat(locale)),
                                locale.toString(now.time(), rowTimeFormat(locale)),
                                gap ? nothing : readings);
    QString error;
    if (!m_file->write(toCp932(row), &error)) {
        // Stopped before anyone hears of it, so that nothing more is written meanwhile.
        stop();
        emit writeFailed(error, m_path);
        return;
    }
    emit rowWritten();
}

} // namespace logging
