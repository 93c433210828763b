// The site's records over a day: what the event log, the summary and the rule's own
// record (a row per ten seconds) cost in CPU per second of the session and in bytes a day.
// The files go to a counter, not a disk: the disk's own cost is bench_row_sync's.
#include "fakes.h"
#include "platform/file_output.h"
#include "session/event_log.h"

#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>

namespace {
std::atomic<qint64> g_bytes{0};

class CountingFile : public platform::FileOutput
{
public:
    bool exists(const QString &) const override { return false; }
    bool create(const QString &, QString *) override { return m_open = true; }
    bool append(const QString &, bool *empty, QString *) override
    {
        *empty = true;
        return m_open = true;
    }
    bool write(const QByteArray &bytes, QString *) override
    {
        g_bytes += bytes.size();
        return true;
    }
    void close() override { m_open = false; }
    void discard() override { m_open = false; }
    bool isOpen() const override { return m_open; }

private:
    bool m_open = false;
};
} // namespace

// One day of the session's seconds (86,400 ticks that count a second each), the wind
// changing every few seconds and the state every ten minutes.
static void BM_SiteRecordsADay(benchmark::State &state)
{
    fakes::Clock clock;
    QTemporaryDir dir; // the summary is replaced whole on the disk, once a day
    basSubMain::Settings settings;
    settings.fName = dir.filePath(QStringLiteral("wind.csv"));
    settings.site.enabled = true;
    qint64 perDay = 0;
    for (auto _ : state) {
        g_bytes = 0;
        session::EventLog log([] { return std::make_unique<CountingFile>(); }, &clock,
                              QStringLiteral("/bench/QV475"));
        clock.current = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 0));
        QString error;
        log.start(settings, &error);
        session::Snapshot s;
        s.receiving = true;
        s.site.on = true;
        s.site.stats.valid = true;
        for (int second = 0; second < 86400; ++second) {
            const int tenths = 30 + second * 7 % 90;
            s.tenths[0] = tenths;
            s.frameSecond = clock.current.toSecsSinceEpoch();
            s.site.stats.meanTenths = 40 + second / 600 % 70;
            s.site.stats.gustTenths = tenths;
            s.site.stats.gustMs = s.frameSecond * 1000;
            s.site.work = site::Work(second / 600 % 3);
            log.snapshot(s);
            log.tick(s);
            clock.current = clock.current.addSecs(1);
        }
        log.stop();
        log.flush(10000);
        perDay = g_bytes;
    }
    state.counters["bytes_per_day"] = double(perDay);
    state.counters["us_per_second"] =
        benchmark::Counter(86400.0 * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SiteRecordsADay)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
