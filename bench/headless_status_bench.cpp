// Whole processes, side by side: the demo's --status answer from start to exit, and the
// window's start until its first paint (bench/first_paint), both on the demo card.
#include <benchmark/benchmark.h>
#include <glib.h>

namespace {

// Runs the program to its end; false when it could not be run or said nothing.
bool run_process(const char* program, const char* option)
{
    gchar* argv[] = {const_cast<gchar*>(program), const_cast<gchar*>(option), nullptr};
    gchar* out = nullptr;
    gint status = 0;
    const bool ran = g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, &out, nullptr,
                                  &status, nullptr);
    const bool answered = ran && out && out[0] != '\0';
    g_free(out);
    return answered;
}

void run_whole_process(benchmark::State& state, const char* program, const char* option)
{
    for (auto _ : state)
        if (!run_process(program, option)) {
            state.SkipWithError("the process gave no answer");
            break;
        }
}

} // namespace

static void BM_StatusProcess(benchmark::State& state) { run_whole_process(state, QUORVEX_DEMO_BINARY, "--status"); }
BENCHMARK(BM_StatusProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_WindowProcessUntilFirstPaint(benchmark::State& state)
{
    run_whole_process(state, QUORVEX_FIRST_PAINT_BINARY, nullptr);
}
BENCHMARK(BM_WindowProcessUntilFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
