// The site's records, an output of the session while [Site] is switched on: the event
// log, one CSV file a day beside the data log (<base>_events_YYYYMMDD.csv, a row per
// change of the work state, storm, acknowledgement, link lost and back, file output
// started and stopped), and the daily summary (<base>_summary.csv, a row per day at
// midnight and when the output stops), and the rule's own record (<base>_rule_YYYYMMDD.csv,
// a row for every ten seconds: the seconds counted, received and spent in each state, the
// highest gust and mean with their seconds, and whether an inspection is due), from which
// the history and the day report take a day's figures as they were decided. Code page
// 932, CR LF, a header in each new file; written and synced by background writers, so a
// slow disk delays the rows only.
#pragma once

#include "model/output.h"

#include <QDate>
#include <QMap>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {
class FileOutput;
class Clock;
} // namespace platform

namespace logging {
class BackgroundWriter;
}

class QLockFile;

namespace session {

class EventLog : public Output
{
    Q_OBJECT
public:
    using FileFactory = std::function<std::unique_ptr<platform::FileOutput>()>;
    // fallbackBase: the files' base when the settings name no CSV file.
    EventLog(FileFactory makeFile, platform::Clock *clock, QString fallbackBase,
             QObject *parent = nullptr);
    ~EventLog() override;

    Runs runs() const override { return Runs::WithSession; }
    bool start(const basSubMain::Settings &settings, QString *error) override;
    // The summary of the day so far is written first.
    void stop() override;
    bool running() const override { return m_running; }
    void settingsChanged(const basSubMain::Settings &settings) override;
    void tick(const Snapshot &s) override;
    void snapshot(const Snapshot &s) override;
    void event(const Event &e) override;
    bool flush(int ms) override;
    qsizetype waiting() const override;
    QList<std::pair<QString, qsizetype>> rowsPerFile() const override;
    // The event log's rows queued so far.
    void whenWritten(std::function<void(bool)> done) override;
    QString where() const override { return m_eventPath; }
    QString name() const override { return QStringLiteral("EventLog"); }

    static QString eventFileName(const QString &base, const QDate &day);
    static QString summaryFileName(const QString &base);
    static QString eventHeader(int minutes = 10);
    static QString summaryHeader(int minutes = 10);
    static QString ruleFileName(const QString &base, const QDate &day);
    // Where the records lie and their base name: the data log's, else beside the settings
    // file (the fallback base for settings without a CSV file).
    static QString fallbackBase(const QString &settingsLocation);
    static QString recordsBase(const QString &fName, const QString &fallbackBase);
    // The seconds one row of the rule's record covers, from a multiple of them.
    static constexpr qint64 kRuleRowSeconds = 10;

private:
    // The counts of one span: a day's for the summary, ten seconds' for the rule's record.
    struct Counts {
        qint64 seconds = 0, receiving = 0, caution = 0, stop = 0, undecided = 0;
        int maxGust = -1, maxMean = -1;
        qint64 maxGustMs = 0, maxMeanMs = 0;
    };
    struct Day {
        QDate date;
        qint64 fromMs = 0;
        qint64 lastMs = 0; // the last second counted in it
        qint64 toMs = 0;   // where its row ends
        QString key;       // the start of its row as first written
        Counts counts;
        QStringList inspections;
        int storms = 0;
    };
    struct File;
    void writeSummary(qint64 toMs);
    void writeRuleRow();
    // A gust or a mean at its moment, counted in the day and in the record's row.
    void noteGust(int tenths, qint64 ms);
    void noteMean(int tenths, qint64 ms);
    void startDay(const QDate &date, qint64 fromMs);
    void check(File &f);
    // Seals the days before today into the manifest, and copies them to the archive.
    void seal(const QDate &today);

    FileFactory m_makeFile;
    platform::Clock *m_clock;
    QString m_fallbackBase;
    QString m_base;
    bool m_running = false;
    std::unique_ptr<File> m_events, m_summary, m_rule;
    std::unique_ptr<QLockFile> m_lock; // held while this program writes the records
    QDate m_ruleDay;
    qint64 m_rowStartMs = 0; // the record's row being counted (0: none)
    Counts m_row;
    bool m_rowLatched = false;
    QDate m_eventDay;
    QString m_eventPath;
    Day m_day;
    QMap<QDate, Day> m_written; // the days this run has written a row for
    int m_minutes = 10;
    qint64 m_lastSecond = -1;
    QString m_archive;
    qint64 m_sealedHour = -1;
    std::shared_ptr<std::atomic_bool> m_sealing = std::make_shared<std::atomic_bool>(false);
};

} // namespace session
