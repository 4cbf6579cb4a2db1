#include "monitor/monitor_command_line.h"
#include "ui/startup.h"

#include <cstdio>

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
    const MonitorOptions options = monitor_options_from(line);
    if (line.monitor)
        return run_resident_monitor(options);
    return run_monitor(argc, argv);
}
