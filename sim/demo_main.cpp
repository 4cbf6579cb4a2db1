// The monitor against the simulated card, with the system log in a file the demo writes.
#include "demo_card.h"
#include "monitor/log_watch.h"
#include "ui/startup.h"

#include <glib.h>
#include <string>

int main(int argc, char** argv)
{
    static SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    static const std::string log_path = std::string(g_get_tmp_dir()) + "/quorvex-demo-messages";
    set_system_log_path(log_path.c_str());
    return run_monitor(argc, argv);
}
