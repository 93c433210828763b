// File output without windows: the start of a CSV log (name, header), its stop, and a row
// at each due point of the interval; a gap row (time, empty readings) while the link is
// being re-established. The lines are written and synced by a background writer, so a
// stalled disk delays them without stopping the tick; each row keeps its due time.
#pragma once

#include "logging/background_writer.h"
#include "logging/due_rule.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <array>

namespace platform {
class FileOutput;
class Clock;
} // namespace platform

namespace logging {

// Why output cannot start when the settings select no column.
inline const QString kNoColumnsText = QCoreApplication::translate(
    "logging", "出力する項目が選択されていません。設定のﾌｧｲﾙ出力で項目を選んでください。");

class LogWriter : public QObject
{
    Q_OBJECT
public:
    LogWriter(platform::FileOutput *file, platform::Clock *clock, QObject *parent = nullptr);
    ~LogWriter() override;

    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    const DueRule &dueRule() const { return m_due; }

    // Opens base + stamp + ".csv" for the chosen name and queues the header line. On
    // failure nothing is left behind and *error says why, for the user.
    bool start(const QString &fName, int mask, QString *error);
    // Closes the file after the rows queued; nothing is written at stop.
    void stop();
    // Stops and waits up to ms for every queued row to be on the disk; false when the
    // bound ran out (the rows still waiting are then lost with the end of the program).
    bool finish(int ms = BackgroundWriter::kFinishBoundMs);
    // Waits up to ms for the queued rows and reports what the writer met meanwhile
    // (a failure, the end of a stall) at once instead of at the next second.
    bool flush(int ms);
    // Rows queued and not yet on the disk.
    qsizetype rowsWaiting() const { return m_writer.waiting(); }
    // The count of the due rule restarts from this second (0 to 59).
    void resetCount(int second) { m_due.resetCount(second); }

    // Every tick: once per new clock second the due rule decides; at a due point, while
    // output runs, one row of the readings (or, for a gap, of the time alone) is written.
    // A failed write stops output and is reported by writeFailed.
    void tick(int interval, int mask, const std::array<int, 4> &tenths, bool gap);

    // Rows that wait this long for the disk are reported by stalled.
    static constexpr qint64 kStallReportMs = BackgroundWriter::kStallReportMs;

signals:
    // A write failed: output has stopped if path is the file being written (a file
    // stopped earlier can fail with its last rows while the next one runs).
    void writeFailed(const QString &reason, const QString &path);
    // Rows have waited for the disk longer than kStallReportMs (said once per stall),
    // and the disk has taken every waiting row again.
    void stalled(qsizetype rowsWaiting);
    void stallEnded();

private:
    void checkWriter();

    platform::FileOutput *m_file;
    platform::Clock *m_clock;
    BackgroundWriter m_writer;
    DueRule m_due;
    bool m_open = false;
    QString m_path;
    QString m_previousPath;
    quint64 m_generation = 0;
    qint64 m_lastEpochSecond = -1;
};

} // namespace logging
