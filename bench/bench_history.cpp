// Opening past logs: a day and a month of one-second rows read, joined and run through the
// site's rule, and what the history window does with them on each zoom (the chart's
// buckets and the figures of the span shown).
#include "history/wind_history.h"
#include "logging/csv_format.h"

#include <benchmark/benchmark.h>
#include <map>

namespace {
// One file per day of one-second rows of all five columns, as the program writes them.
const std::map<QString, QByteArray> &files(int days)
{
    static std::map<int, std::map<QString, QByteArray>> made;
    auto &out = made[days];
    if (!out.empty())
        return out;
    for (int d = 0; d < days; ++d) {
        const QDate day = QDate(2026, 11, 1).addDays(d);
        QString text = logging::headerLine(31);
        text.reserve(86400 * 44);
        for (int s = 0; s < 86400; ++s) {
            const QString v = QString::number(3 + (s * 7 + d) % 150 / 10.0, 'f', 1);
            text += logging::rowLine(31, day.toString(QStringLiteral("yyyy/MM/dd")),
                                     QTime(0, 0).addSecs(s).toString(QStringLiteral("H:mm:ss")),
                                     {v, v, v, v});
        }
        out[QStringLiteral("/bench/wind%1.csv").arg(day.toString(QStringLiteral("yyMMdd0000")))] =
            logging::toCp932(text);
    }
    return out;
}

history::FileReader reader(const std::map<QString, QByteArray> &in)
{
    return [&in](const QString &path, QByteArray *bytes, QDateTime *modified, QString *error) {
        const auto it = in.find(path);
        if (it == in.end()) {
            *error = path;
            return false;
        }
        *bytes = it->second;
        *modified = QDateTime::currentDateTime();
        return true;
    };
}

QStringList paths(const std::map<QString, QByteArray> &in)
{
    QStringList out;
    for (const auto &[p, _] : in)
        out << p;
    return out;
}
} // namespace

static void BM_Open(benchmark::State &state)
{
    const auto &in = files(int(state.range(0)));
    basSubMain::SiteSettings site;
    site.enabled = true;
    qint64 bytes = 0;
    for (const auto &[_, b] : in)
        bytes += b.size();
    for (auto _ : state) {
        history::WindHistory h(site);
        QString error;
        if (!h.load(paths(in), reader(in), &error))
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(h.rows().size());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["rows"] = double(in.size() * 86400);
}
BENCHMARK(BM_Open)->Arg(1)->Arg(31)->Unit(benchmark::kMillisecond)->Iterations(3);

// One zoom of the window over the whole record: the buckets of the lines and the mean at
// about 1,000 buckets, and the figures.
static void BM_Redraw(benchmark::State &state)
{
    const auto &in = files(int(state.range(0)));
    history::WindHistory h;
    QString error;
    h.load(paths(in), reader(in), &error);
    const qint64 bucket = std::max<qint64>(1000, (h.lastMs() - h.firstMs()) / 1000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(h.buckets(h.firstMs(), h.lastMs(), bucket));
        benchmark::DoNotOptimize(h.meanLine(h.firstMs(), h.lastMs(), bucket));
        benchmark::DoNotOptimize(h.figures(h.firstMs(), h.lastMs()));
    }
}
BENCHMARK(BM_Redraw)->Arg(1)->Arg(31)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
