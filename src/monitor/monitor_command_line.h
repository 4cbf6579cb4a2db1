// The command-line options of the resident monitor and of the device path.
#pragma once

#include "monitor/resident_monitor.h"

#include <glib.h>

struct MonitorCommandLine {
    gboolean monitor = FALSE;
    gboolean test_event = FALSE;
    gchar* on_event = nullptr;
    gchar* device = nullptr;
};

// Entries for a GOptionContext, filling `line`; the array ends with the empty entry.
const GOptionEntry* monitor_option_entries(MonitorCommandLine& line);

// Applies --device and turns the rest into the monitor's options.
MonitorOptions monitor_options_from(const MonitorCommandLine& line);
