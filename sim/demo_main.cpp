// The monitor against the simulated card (its command-line answers and the resident
// watch too), with the system log in a file the demo writes and a scripted drive failure
// and rebuild played on a loop.
#include "base/unique_file.h"
#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/log_watch.h"
#include "monitor/resident_monitor.h"
#include "settings/settings_record.h"
#include "status/command_line.h"
#include "status/window_loader.h"

#include <glib.h>
#include <cstdio>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

SimulatedCard card = make_demo_card();
DemoScenario* scenario = nullptr;
UniqueFile tick_times;

void demo_second()
{
    // The card's record of driver calls is for tests; the demo runs for days.
    card.clear_log();
    scenario->step();
    if (tick_times) {
        std::fprintf(tick_times.get(), "%lld\n", static_cast<long long>(g_get_monotonic_time()));
        std::fflush(tick_times.get());
    }
}

// Without a settings file of the user's the demo shows its events in popups.
gboolean demo_tick(gpointer)
{
    static bool first = true;
    if (first && access("quorvex.conf", F_OK) != 0)
        option3.popup = 1;
    first = false;
    demo_second();
    return TRUE;
}

// --demo-state: the card as it is during the scripted failure and rebuild.
gboolean set_demo_state(const gchar*, const gchar* value, gpointer, GError** error)
{
    if (DemoScenario::put_in_state(card, value))
        return TRUE;
    g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE, "--demo-state takes healthy, degraded or rebuilding");
    return FALSE;
}

// --demo-hang: the driver never answers, as a wedged card does.
gboolean hang_driver(const gchar*, const gchar*, gpointer, GError**)
{
    card.tamper = [](unsigned long, std::uint8_t*) {
        for (;;)
            pause();
    };
    return TRUE;
}

// --demo-tick-times: the benchmarks time the monitor's ticks from outside.
gboolean log_tick_times(const gchar*, const gchar* value, gpointer, GError** error)
{
    tick_times = UniqueFile(value, "we");
    if (!tick_times)
        g_set_error(error, G_OPTION_ERROR, G_OPTION_ERROR_BAD_VALUE, "--demo-tick-times: cannot write %s", value);
    return static_cast<bool>(tick_times);
}

} // namespace

int main(int argc, char** argv)
{
    install_simulated_driver(card);
    static const std::string log_path = std::string(g_get_tmp_dir()) + "/quorvex-demo-messages";
    {
        // A fresh log for each run.
        UniqueFile fresh(log_path.c_str(), "w");
    }
    set_system_log_path(log_path.c_str());
    static DemoScenario demo(card, log_path);
    scenario = &demo;
    // --monitor plays the scenario too.
    set_every_second_hook(demo_second);
    const std::vector<GOptionEntry> demo_options = {
        {"demo-state", 0, 0, G_OPTION_ARG_CALLBACK, reinterpret_cast<gpointer>(set_demo_state),
         "Put the demo card in STATE first: healthy, degraded or rebuilding", "STATE"},
        {"demo-hang", 0, G_OPTION_FLAG_NO_ARG, G_OPTION_ARG_CALLBACK, reinterpret_cast<gpointer>(hang_driver),
         "Make the demo card's driver never answer a request", nullptr},
        {"demo-tick-times", 0, 0, G_OPTION_ARG_CALLBACK, reinterpret_cast<gpointer>(log_tick_times),
         "Write the monotonic time in microseconds of every tick to FILE, one per line", "FILE"},
    };
    if (const auto status = run_command_line(argc, argv, demo_options))
        return *status;
    g_timeout_add(1000, demo_tick, nullptr);
    return run_window(argc, argv);
}
