#include "bench_window.h"

#include "settings/settings_record.h"
#include "ui/main_notebook.h"

#include <benchmark/benchmark.h>
#include <glib.h>

// One notebook rebuild on the demo machine's tables, in the shown main window, as the
// user waits for it: from the call to initgraph (old content destroyed, new content made)
// until the window's frame clock has painted the new content, layout included. Between
// iterations, untimed, the program idles for longer than a frame, as it does between
// ticks, so no iteration waits for the previous frame's slot.
// Argument 1: the four check boxes of the Option page ticked (audible prompt, popups, log
// file, password), whose check marks the toolkit draws anew for every build.
static void BM_NotebookRebuildUntilPainted(benchmark::State& state)
{
    SimulatedCard card;
    if (!open_bench_window(card)) {
        state.SkipWithError("no display");
        return;
    }
    if (state.range(0) == 1)
        option3.audible = option3.popup = option3.uselogfile = option3.usepassword = 1;
    initgraph();
    wait_for_paint();
    for (auto _ : state) {
        initgraph();
        if (!wait_for_paint()) {
            state.SkipWithError("the window was not painted");
            break;
        }
        state.PauseTiming();
        g_usleep(20 * 1000);
        drain_events();
        state.ResumeTiming();
    }
    close_bench_window();
}
BENCHMARK(BM_NotebookRebuildUntilPainted)->ArgName("ticked")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// initgraph alone: the widgets destroyed and made, nothing laid out or painted yet.
static void BM_NotebookRebuildCallOnly(benchmark::State& state)
{
    SimulatedCard card;
    if (!open_bench_window(card)) {
        state.SkipWithError("no display");
        return;
    }
    initgraph();
    drain_events();
    for (auto _ : state) {
        initgraph();
        state.PauseTiming();
        drain_events();
        state.ResumeTiming();
    }
    close_bench_window();
}
BENCHMARK(BM_NotebookRebuildCallOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
