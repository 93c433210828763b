// File output without windows: the start of a CSV log (name, header), its stop, and a row
// at each due point of the interval; a gap row (time, empty readings) while the link is
// being re-established.
#pragma once

#include "logging/due_rule.h"

#include <QObject>
#include <QString>
#include <array>

namespace platform {
class FileOutput;
class Clock;
} // namespace platform

namespace logging {

class LogWriter : public QObject
{
    Q_OBJECT
public:
    LogWriter(platform::FileOutput *file, platform::Clock *clock, QObject *parent = nullptr);

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    const DueRule &dueRule() const { return m_due; }

    // Opens base + stamp + ".csv" for the chosen name and writes the header line. On
    // failure nothing is left behind and *error says why, for the user.
    bool start(const QString &fName, int mask, QString *error);
    // Closes the file; nothing is written at stop.
    void stop();
    // The count of the due rule restarts from this second (0 to 59).
    void resetCount(int second) { m_due.resetCount(second); }

    // Every tick: once per new clock second the due rule decides; at a due point, while
    // output runs, one row of the readings (or, for a gap, of the time alone) is written.
    // A failed write stops output and is reported by writeFailed.
    void tick(int interval, int mask, const std::array<QString, 4> &readings, bool gap);

signals:
    void rowWritten();
    void writeFailed(const QString &reason, const QString &path);

private:
    platform::FileOutput *m_file;
    platform::Clock *m_clock;
    DueRule m_due;
    bool m_open = false;
    QString m_path;
    qint64 m_lastEpochSecond = -1;
};

} // namespace logging
