#include "logging/background_writer.h"

#include "platform/file_output.h"
#include "platform/whole_file.h"

#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <chrono>

namespace logging {

BackgroundWriter::BackgroundWriter(platform::FileOutput *file)
    : m_s(std::make_shared<Shared>()), m_thread(&BackgroundWriter::run, m_s, file, nullptr)
{}

BackgroundWriter::BackgroundWriter(std::shared_ptr<platform::FileOutput> file)
    : m_s(std::make_shared<Shared>()), m_thread(&BackgroundWriter::run, m_s, file.get(), file)
{}

namespace {
// Steady-clock milliseconds of the program's end deadline; 0 while none is set.
std::atomic<qint64> g_endDeadline{0};
std::atomic<int> g_stuck{0};

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void BackgroundWriter::setEndDeadline(int msFromNow)
{
    g_endDeadline = steadyMs() + msFromNow;
}

int BackgroundWriter::stuckWriters()
{
    return g_stuck;
}

void BackgroundWriter::noteUnfinishedEnd()
{
    ++g_stuck;
}

BackgroundWriter::~BackgroundWriter()
{
    finish();
}

bool BackgroundWriter::finish()
{
    if (!m_thread.joinable())
        return !m_stuck;
    const qint64 deadline = g_endDeadline;
    const int bound = deadline ? int(std::clamp<qint64>(deadline - steadyMs(), 0, kFinishBoundMs))
                               : kFinishBoundMs;
    const bool drained = waitIdle(bound);
    {
        std::lock_guard lock(m_s->mutex);
        m_s->quit = true;
    }
    m_s->wake.notify_all();
    // A thread blocked in a write that never returns cannot be joined; it holds its own
    // share of the queue and ends with the process.
    if (drained) {
        m_thread.join();
        return true;
    }
    m_thread.detach();
    m_stuck = true;
    ++g_stuck;
    return false;
}

void BackgroundWriter::push(Job job)
{
    {
        std::lock_guard lock(m_s->mutex);
        m_s->jobs.push_back(std::move(job));
    }
    m_s->wake.notify_one();
}

void BackgroundWriter::write(quint64 generation, QByteArray bytes, qint64 queuedAtMs, bool header)
{
    push({header ? Job::Header : Job::Line,
          generation,
          std::move(bytes),
          queuedAtMs,
          {},
          {},
          {},
          {}});
}

void BackgroundWriter::open(quint64 generation, const QString &path, QByteArray header,
                            qint64 queuedAtMs)
{
    push({Job::Open, generation, std::move(header), queuedAtMs, path, {}, {}, {}});
}

void BackgroundWriter::close(quint64 generation)
{
    push({Job::Close, generation, {}, 0, {}, {}, {}, {}});
}

void BackgroundWriter::whenWritten(quint64 generation, std::function<void(bool)> done)
{
    push({Job::Mark, generation, {}, 0, {}, {}, {}, std::move(done)});
}

bool BackgroundWriter::waitIdle(int ms)
{
    std::unique_lock lock(m_s->mutex);
    return m_s->done.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return m_s->jobs.empty() && !m_s->busy; });
}

qsizetype BackgroundWriter::waiting() const
{
    std::lock_guard lock(m_s->mutex);
    qsizetype n = 0;
    for (const Job &j : m_s->jobs)
        n += j.kind != Job::Close && j.kind != Job::Mark;
    return n + (m_s->busy ? 1 : 0);
}

BackgroundWriter::Stall BackgroundWriter::checkStall(qint64 nowMs)
{
    const qint64 oldest = oldestQueuedMs();
    if (oldest == 0 && m_stallReported) {
        m_stallReported = false;
        return Stall::Ended;
    }
    if (oldest != 0 && !m_stallReported && nowMs - oldest > kStallReportMs) {
        m_stallReported = true;
        return Stall::Began;
    }
    return Stall::None;
}

qint64 BackgroundWriter::oldestQueuedMs() const
{
    std::lock_guard lock(m_s->mutex);
    // The line stuck in the disk is the oldest of all.
    if (m_s->busy && m_s->busyQueuedAtMs)
        return m_s->busyQueuedAtMs;
    for (const Job &j : m_s->jobs)
        if (j.kind != Job::Close && j.kind != Job::Mark)
            return j.queuedAtMs;
    return 0;
}

std::optional<BackgroundWriter::Failure> BackgroundWriter::takeFailure()
{
    std::lock_guard lock(m_s->mutex);
    return std::exchange(m_s->failure, std::nullopt);
}

void BackgroundWriter::replaceLine(quint64 generation, const QString &path, QByteArray header,
                                   QByteArray key, QByteArray line, qint64 queuedAtMs)
{
    push({Job::Replace,
          generation,
          std::move(line),
          queuedAtMs,
          path,
          std::move(header),
          std::move(key),
          {}});
}

bool BackgroundWriter::replaceLineIn(const Job &job, QString *reason)
{
    QByteArray old;
    QDateTime modified;
    if (QFileInfo::exists(job.path) && !platform::readWholeFile(job.path, &old, &modified, reason))
        return false;
    if (old.isEmpty())
        old = job.header;
    QByteArray out;
    out.reserve(old.size() + job.bytes.size());
    bool replaced = false;
    for (qsizetype at = 0; at < old.size();) {
        qsizetype end = old.indexOf('\n', at);
        end = end < 0 ? old.size() : end + 1;
        const QByteArrayView line(old.constData() + at, end - at);
        if (!replaced && !job.key.isEmpty() && line.startsWith(job.key)) {
            out += job.bytes;
            replaced = true;
        } else {
            out += line;
        }
        at = end;
    }
    if (!replaced)
        out += job.bytes;
    return platform::replaceFile(job.path, out, reason);
}

void BackgroundWriter::run(std::shared_ptr<Shared> s, platform::FileOutput *file,
                           [[maybe_unused]] std::shared_ptr<platform::FileOutput> owned)
{
    // owned, when given, keeps the file output alive for as long as this thread runs.
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->wake.wait(lock, [&] { return s->quit || !s->jobs.empty(); });
        if (s->jobs.empty())
            return; // quit with nothing left
        Job job = std::move(s->jobs.front());
        s->jobs.pop_front();
        const bool dropped = job.generation == s->failedGeneration;
        s->busy = true;
        s->busyQueuedAtMs = job.kind == Job::Close || job.kind == Job::Mark ? 0 : job.queuedAtMs;
        lock.unlock();
        if (job.kind == Job::Mark) {
            // What was queued before it is written, or was dropped by a failure.
            job.done(!dropped);
            lock.lock();
            s->busy = false;
            if (s->jobs.empty())
                s->done.notify_all();
            continue;
        }

        // The file is touched by this thread alone while jobs are queued.
        QString reason;
        bool ok = true;
        bool empty = false;
        if (job.kind == Job::Close)
            file->close();
        else if (job.kind == Job::Replace)
            ok = dropped || replaceLineIn(job, &reason);
        else if (job.kind == Job::Open)
            ok = dropped || (file->append(job.path, &empty, &reason) &&
                             (!empty || job.bytes.isEmpty() || file->write(job.bytes, &reason)));
        else if (!dropped && !(ok = file->write(job.bytes, &reason)) && job.kind == Job::Header)
            file->discard(); // a file without its header is of no use to anyone

        lock.lock();
        s->busy = false;
        if (!ok) {
            s->failedGeneration = job.generation;
            s->failure = Failure{job.generation, reason};
        }
        if (s->jobs.empty())
            s->done.notify_all();
    }
}

} // namespace logging
