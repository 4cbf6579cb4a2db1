#include "monitor/monitor_command_line.h"

#include "driver/device_port.h"

const GOptionEntry* monitor_option_entries(MonitorCommandLine& line)
{
    static GOptionEntry entries[5];
    entries[0] = {"monitor", 0, 0, G_OPTION_ARG_NONE, &line.monitor,
                  "Watch the card without a display until SIGTERM or SIGINT, reporting events", nullptr};
    entries[1] = {"on-event", 0, 0, G_OPTION_ARG_FILENAME, &line.on_event,
                  "With --monitor: run PROGRAM (no shell) as PROGRAM EVENT ARRAY DETAIL for each event", "PROGRAM"};
    entries[2] = {"test-event", 0, 0, G_OPTION_ARG_NONE, &line.test_event,
                  "With --monitor: report one TestEvent at start", nullptr};
    entries[3] = {"device", 0, 0, G_OPTION_ARG_FILENAME, &line.device,
                  "The card's device node (default /dev/sda)", "PATH"};
    entries[4] = {};
    return entries;
}

MonitorOptions monitor_options_from(const MonitorCommandLine& line)
{
    if (line.device)
        set_device_path(line.device);
    MonitorOptions options;
    if (line.on_event)
        options.on_event = line.on_event;
    options.test_event = line.test_event;
    return options;
}
