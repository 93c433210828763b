// The register over three years of a site's records: 1,100 days of event logs with a
// storm and a stop a week, read from the disk a day at a time; and the check of the
// sealed files against their manifest.
#include "history/register.h"
#include "logging/csv_format.h"
#include "logging/manifest.h"
#include "platform/whole_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
constexpr int kDays = 1100;
const QDate kFirst(2024, 1, 1);

// The records once, for every run.
const QString &folder()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        made = true;
        for (int d = 0; d < kDays; ++d) {
            const QDate day = kFirst.addDays(d);
            const QString s = day.toString(QStringLiteral("yyyy/MM/dd"));
            QString t =
                logging::eventLogHeader(10) + s + QStringLiteral(",7:00:00,監視開始,,,,\r\n");
            if (d % 7 == 3)
                t += s + QStringLiteral(",10:00:00,作業中止,10.2,15.0,12.0,\r\n") + s +
                     QStringLiteral(",10:40:00,作業中止基準を下回る,9.9,12.0,5.0,\r\n") + s +
                     QStringLiteral(",11:00:00,暴風 点検要,8.0,31.4,31.4,\r\n") + s +
                     QStringLiteral(",13:00:00,点検確認,8.0,9.0,8.5,点検者=鈴木;結果=異常なし\r\n");
            t += s + QStringLiteral(",18:00:00,監視終了,,,,\r\n");
            QFile f(logging::dayFiles(dir.filePath(QStringLiteral("wind")), day)[0]);
            if (f.open(QIODevice::WriteOnly))
                f.write(logging::toCp932(t));
        }
        logging::sealClosedDays(dir.filePath(QStringLiteral("wind")), kFirst.addDays(kDays));
    }
    return *new QString(dir.path());
}
} // namespace

static void BM_RegisterThreeYears(benchmark::State &state)
{
    const QString base = QDir(folder()).filePath(QStringLiteral("wind"));
    qsizetype items = 0;
    for (auto _ : state) {
        const history::Register r = history::buildRegister(
            {base, kFirst, kFirst.addDays(kDays - 1), 10}, &platform::readWholeFile);
        items = r.items.size();
        benchmark::DoNotOptimize(history::registerCsv(r));
    }
    state.counters["items"] = double(items);
}
BENCHMARK(BM_RegisterThreeYears)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_VerifyThreeYears(benchmark::State &state)
{
    const QString dir = folder();
    int checked = 0;
    for (auto _ : state)
        checked = logging::verifyFolder(dir).checked;
    state.counters["files"] = checked;
}
BENCHMARK(BM_VerifyThreeYears)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
