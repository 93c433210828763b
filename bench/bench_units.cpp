// Throughput of reception and decoding, and the cost of the due rule on a quiet tick.
#include "link/frame_decoder.h"
#include "logging/due_rule.h"

#include "site/wind_rule.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {
// Valid frames mixed with random noise, as a noisy line would carry them.
QByteArray line(size_t bytes)
{
    std::mt19937 rng(475);
    std::uniform_int_distribution<int> byte(0, 255), gap(0, 40);
    QByteArray out;
    out.reserve(qsizetype(bytes));
    while (size_t(out.size()) < bytes) {
        out += "\x02"
               "0123,0456,0789,0012,1,2\r";
        for (int i = gap(rng); i > 0; --i)
            out += char(byte(rng));
    }
    return out;
}
} // namespace

static void BM_ReceptionAndDecoding(benchmark::State &state)
{
    const QByteArray data = line(1 << 20);
    const qsizetype chunk = state.range(0);
    meterlink::Readings readings;
    meterlink::FrameReceiver rx;
    const std::function<void(const meterlink::Frame &)> take =
        [&readings](const meterlink::Frame &f) { readings = meterlink::readingTexts(f); };
    for (auto _ : state) {
        for (qsizetype at = 0; at < data.size(); at += chunk)
            rx.feed(QByteArrayView(data).sliced(at, qMin(chunk, data.size() - at)), take);
        benchmark::DoNotOptimize(readings);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_ReceptionAndDecoding)->Arg(1)->Arg(64)->Arg(4096);

static void BM_DueRuleSameSecond(benchmark::State &state)
{
    logging::DueRule rule;
    const QTime t(12, 0, 0);
    rule.onTick(t, 600);
    for (auto _ : state)
        benchmark::DoNotOptimize(rule.onTick(t, 600));
}
BENCHMARK(BM_DueRuleSameSecond);

// The site's rolling mean at 10 frames a second with a full window (60 minutes) of
// changing values: a frame taken, and the mean and gust asked once a second.
static void BM_RollingMeanFrame(benchmark::State &state)
{
    site::RollingMean mean(qint64(state.range(0)) * 60000);
    qint64 ms = 0;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> wind(0, 300);
    for (int i = 0; i < state.range(0) * 600; ++i, ms += 100)
        mean.frame(ms, wind(rng));
    int n = 0;
    for (auto _ : state) {
        mean.frame(ms, wind(rng));
        if (++n % 10 == 0)
            benchmark::DoNotOptimize(mean.at(ms));
        ms += 100;
    }
}
BENCHMARK(BM_RollingMeanFrame)->Arg(10)->Arg(60)->ArgName("minutes");

BENCHMARK_MAIN();
