// The monitor against the simulated card, with the system log in a file the demo writes
// and a scripted drive failure and rebuild played on a loop.
#include "base/unique_file.h"
#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/startup.h"

#include <glib.h>
#include <string>
#include <unistd.h>

namespace {

SimulatedCard card = make_demo_card();

// Without a settings file of the user's the demo shows its events in popups.
gboolean demo_tick(gpointer scenario)
{
    static bool first = true;
    if (first && access("quorvex.conf", F_OK) != 0)
        option3.popup = 1;
    first = false;
    // The card's record of driver calls is for tests; the demo runs for days.
    card.clear_log();
    return demo_scenario_tick(scenario);
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
    static DemoScenario scenario(card, log_path);
    g_timeout_add(1000, demo_tick, &scenario);
    return run_monitor(argc, argv);
}
