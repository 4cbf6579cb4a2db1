#include "bench_window.h"

#include "ui/monitor_tick.h"
#include "ui/main_notebook.h"

#include <benchmark/benchmark.h>

// A whole cycle of the one-second tick, 39 calls of gtkBeepCheck, on the demo machine
// with its notebook built and nothing changing: change detection every second tick, the
// rebuild display every fifth, the inventory scan every eighth. The audible prompt and
// the popups are off and no log file is used, so the system log is not read. After each
// tick the toolkit handles what the tick asked of it, as the main loop would. CPU time of
// the whole process.
static void BM_TickCycleWithoutLog(benchmark::State& state)
{
    SimulatedCard card;
    if (!open_bench_window(card)) {
        state.SkipWithError("no display");
        return;
    }
    initgraph();
    drain_events();
    for (auto _ : state) {
        for (int tick = 0; tick < 39; ++tick) {
            gtkBeepCheck(nullptr);
            drain_events();
        }
        card.clear_log();
    }
    close_bench_window();
}
BENCHMARK(BM_TickCycleWithoutLog)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
