// One tick of the main window with nothing due: the record writer's clock read and
// comparison, the snapshot check, the countdown and the blink; live, a frame comes every
// tenth tick, or every tick with the site's rule off and on.
#include "base/globals.h"
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
    // frames: 0 a frame every tenth tick; 1 a frame every tick (10 a second); 2 the same
    // with the site's rule on, the frames going into its rolling mean.
    const int frames = int(state.range(1));
    if (frames == 2) {
        basSubMain::Settings on = w.session().settings();
        on.site.enabled = true;
        w.session().setSettings(on);
    }
    if (live)
        w.mnuFileCom_Click();
    int n = 0;
    for (auto _ : state) {
        if (live && (frames > 0 || ++n % 10 == 0))
            world.port.receive("\x02"
                               "0123,0456,0789,0012,0,0\r");
        w.Timer1_Timer();
    }
}
BENCHMARK(BM_TickNothingDue)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({1, 2})
    ->ArgNames({"live", "frames"});

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
