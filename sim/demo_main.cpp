// The monitor against the simulated card, with the system log in a file the demo writes
// and a scripted drive failure and rebuild played on a loop, in the window or, with
// --monitor, without a display.
#include "base/unique_file.h"
#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/log_watch.h"
#include "monitor/monitor_command_line.h"
#include "settings/settings_record.h"
#include "ui/startup.h"

#include <glib.h>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

SimulatedCard card = make_demo_card();
DemoScenario* scenario = nullptr;

void demo_second()
{
    // The card's record of driver calls is for tests; the demo runs for days.
    card.clear_log();
    scenario->step();
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

} // namespace

int main(int argc, char** argv)
{
    MonitorCommandLine line;
    GOptionContext* context = g_option_context_new(nullptr);
    g_option_context_add_main_entries(context, monitor_option_entries(line), nullptr);
    g_option_context_set_ignore_unknown_options(context, TRUE);
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    if (!parsed) {
        std::fprintf(stderr, "quorvex-monitor: %s\n", error->message);
        g_error_free(error);
        return 2;
    }
    install_simulated_driver(card);
    static const std::string log_path = std::string(g_get_tmp_dir()) + "/quorvex-demo-messages";
    {
        // A fresh log for each run.
        UniqueFile fresh(log_path.c_str(), "w");
    }
    set_system_log_path(log_path.c_str());
    static DemoScenario demo(card, log_path);
    scenario = &demo;
    MonitorOptions options = monitor_options_from(line);
    if (line.monitor) {
        options.every_second = demo_second;
        return run_resident_monitor(options);
    }
    g_timeout_add(1000, demo_tick, nullptr);
    return run_monitor(argc, argv);
}
