// The resident monitor: the window's periodic work without a display. The same tick
// cadence, the same scan, rebuild state, synchronisation schedule and log watch; what
// changes is reported as events, each one line on standard error and, when asked, a run
// of the admin's program. SIGTERM and SIGINT end it with status 0.
#pragma once

#include "monitor/card_events.h"
#include "monitor/event_hook.h"

#include <string>

struct MonitorOptions {
    std::string on_event;   // program run for each event; empty: none
    bool test_event = false; // one TestEvent at start
    int hook_limit_ms = kHookLimitMs;
    // Runs after every scan, complete or not (the metrics file); null: nothing.
    void (*after_scan)() = nullptr;
};

// Runs before every tick: the demo plays its scripted card so; null: nothing.
void set_every_second_hook(void (*hook)());

// Installs the monitor's hooks, reports the test event, runs the first scan and reports
// an array that is already failing.
void start_monitor(const MonitorOptions& options);
// One tick of the monitor; the tests call it directly.
void monitor_tick();
// Loads the settings file, start_monitor, then a tick a second until SIGTERM or SIGINT.
// Returns 0.
int run_resident_monitor(const MonitorOptions& options);

// How an event reads on standard error: "quorvex-monitor: ArrayDegraded array 1: Critical".
std::string event_line(const CardEvent& event);
