// The cost of one CSV row written and synced to the disk (fdatasync), as at interval 1 s.
// The file lives in the folder given by QV_BENCH_DIR (default: the current folder), so
// that it measures the disk the logs go to, not a tmpfs.
#include "logging/csv_format.h"
#include "platform/file_output.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>

static void BM_SyncedRow(benchmark::State &state)
{
    const QString dir = qEnvironmentVariable("QV_BENCH_DIR", QDir::currentPath());
    const QString path = dir + QStringLiteral("/bench-row-sync.csv");
    QFile::remove(path);
    platform::LocalFileOutput file;
    QString error;
    if (!file.create(path, &error)) {
        state.SkipWithError("cannot create the file");
        return;
    }
    const QByteArray row = logging::toCp932(
        logging::rowLine(31, QStringLiteral("2026/12/07"), QStringLiteral("9:10:00"),
                         {QStringLiteral("12.3"), QStringLiteral("45.6"), QStringLiteral("7.8"),
                          QStringLiteral("9.0")}));
    for (auto _ : state)
        if (!file.write(row, &error))
            state.SkipWithError("write failed");
    file.close();
    QFile::remove(path);
}
BENCHMARK(BM_SyncedRow)->Unit(benchmark::kMicrosecond)->UseRealTime();

BENCHMARK_MAIN();
