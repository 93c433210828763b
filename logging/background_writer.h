// Writes whole lines to the file output on a thread of its own, in the order they were
// queued, so that a disk that stalls (a USB stick, an SD card, a frozen file system)
// delays the rows but never the program. Lines of one file share a generation number;
// a failed write drops the rest of that file's lines and is reported once.
#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace platform {
class FileOutput;
}

namespace logging {

class BackgroundWriter
{
public:
    struct Failure {
        quint64 generation;
        QString reason;
    };

    explicit BackgroundWriter(platform::FileOutput *file);
    // The writer's thread shares the file output: one left stuck in the disk keeps it
    // until it returns, whoever else has let it go.
    explicit BackgroundWriter(std::shared_ptr<platform::FileOutput> file);
    // Waits for the queued lines up to kFinishBoundMs, or up to the program's end
    // deadline when one is set; a thread still stuck in the disk after that is left to
    // end with the process (see stuckWriters).
    ~BackgroundWriter();
    // Waits as the destructor does; false when the thread is stuck and has been left.
    // A file output given by pointer must then outlive the process's end.
    bool finish();

    // The end of the program: every writer waits at most until then, together rather
    // than one bound after another.
    static void setEndDeadline(int msFromNow);
    // Writers left stuck in the disk: the program must then end without destroying what
    // they write to (std::_Exit), so that none wakes on freed memory.
    static int stuckWriters();
    // The end's bound ran out with lines still queued: counted as a stuck writer.
    static void noteUnfinishedEnd();

    // Queues a line of the current file; header: the file's first line (if it fails,
    // the empty file is removed again).
    void write(quint64 generation, QByteArray bytes, qint64 queuedAtMs, bool header = false);
    // Queues the opening of path to add lines at its end (created when missing), with
    // header as its first line when it is empty; lines of generation follow.
    void open(quint64 generation, const QString &path, QByteArray header, qint64 queuedAtMs);
    // Queues the replacement of the line that starts with key in the whole file at path
    // by line (added at its end when there is none, or key is empty; the file made with
    // header when it is missing). The file is replaced whole, never left half written
    // or empty.
    void replaceLine(quint64 generation, const QString &path, QByteArray header, QByteArray key,
                     QByteArray line, qint64 queuedAtMs);
    // Queues the close of the file, after its lines.
    void close(quint64 generation);
    // Calls done on the writer's thread once what was queued before is written: true, or
    // false when a failure of generation dropped it. Never called when the writer is left
    // stuck in the disk.
    void whenWritten(quint64 generation, std::function<void(bool)> done);
    // Waits up to ms for every queued line and close; true when all are done.
    bool waitIdle(int ms);
    // Lines queued and not yet written, and the queue time of the oldest (0 when none).
    qsizetype waiting() const;
    qint64 oldestQueuedMs() const;
    // A failure that the writer met since the last call, if any.
    std::optional<Failure> takeFailure();
    // Whether a stall began or ended since the last call: lines have waited for the disk
    // longer than kStallReportMs (said once per stall), or the last of them got through.
    enum class Stall { None, Began, Ended };
    Stall checkStall(qint64 nowMs);

    static constexpr int kFinishBoundMs = 10000;
    static constexpr qint64 kStallReportMs = 60000;

private:
    bool m_stallReported = false; // by the owner's thread only
    struct Job {
        enum Kind { Header, Line, Close, Open, Replace, Mark } kind;
        quint64 generation;
        QByteArray bytes;
        qint64 queuedAtMs;
        QString path;                   // of Open and Replace
        QByteArray header, key;         // of Replace
        std::function<void(bool)> done; // of Mark
    };
    struct Shared {
        std::mutex mutex;
        std::condition_variable wake, done;
        std::deque<Job> jobs;
        bool busy = false;
        qint64 busyQueuedAtMs = 0; // of the line being written, 0 for a close
        bool quit = false;
        quint64 failedGeneration = 0; // its remaining lines are dropped
        std::optional<Failure> failure;
    };
    static void run(std::shared_ptr<Shared> s, platform::FileOutput *file,
                    std::shared_ptr<platform::FileOutput> owned);
    static bool replaceLineIn(const Job &job, QString *reason);
    void push(Job job);

    std::shared_ptr<Shared> m_s;
    std::thread m_thread;
    bool m_stuck = false;
};

} // namespace logging
