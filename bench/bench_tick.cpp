// One tick of the main window with nothing due: the record writer's clock read and
// comparison, the snapshot check, the countdown and the blink; live, a frame comes every
// tenth tick.
#include "app/globals.h"
#include "display/frm_main.h"
#include "fakes.h"

#include <QApplication>
#include <benchmark/benchmark.h>

static void BM_TickNothingDue(benchmark::State &state)
{
    basSubMain::resetGlobals();
    fakes::World world;
    platform::SystemClock clock; // the real clock read, as in the program
    platform::Services services = world.services();
    services.clock = &clock;
    frmMain w(services);
    const bool live = state.range(0) != 0;
    if (live)
        w.mnuFileCom_Click();
    int n = 0;
    for (auto _ : state) {
        if (live && ++n % 10 == 0)
            world.port.receive("\x02"
                               "0123,0456,0789,0012,0,0\r");
        w.Timer1_Timer();
    }
}
BENCHMARK(BM_TickNothingDue)->Arg(0)->Arg(1)->ArgName("live");

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
