// The resident monitor: the window's periodic work without a display, on a GLib main loop.
// The same tick cadence, the same scan, rebuild state, synchronisation schedule and log
// watch; what changes is reported as events, each one line on standard error (or a journal
// entry, see event_output.h) and, when asked, a run of the admin's program from a queue
// that never holds up the ticks (see event_hook.h). SIGTERM and SIGINT end it with status 0
// once the running program is done.
#pragma once

#include "monitor/card_events.h"
#include "monitor/event_hook.h"

#include <glib.h>

#include <ctime>

#include <string>

struct MonitorOptions {
    std::string on_event;   // program run for each event; empty: none
    bool test_event = false; // one TestEvent at start
    int hook_limit_ms = kHookLimitMs;
    // Runs after every scan, answered or not (the metrics file); null: nothing.
    void (*after_scan)() = nullptr;
    int stop_grace_ms = kStopGraceMs;
    // Each event as it is reported, with the time it was detected (the system bus); null: nothing.
    void (*on_report)(const CardEvent& event, std::time_t detected) = nullptr;
};

// Runs before every tick: the demo plays its scripted card so; null: nothing.
void set_every_second_hook(void (*hook)());

// Installs the monitor's hooks with the event programs on context (null: the default
// one), reports the test event, runs the first scan and reports an array that is already
// failing.
void start_monitor(const MonitorOptions& options, GMainContext* context = nullptr);
// One tick of the monitor; the tests call it directly.
void monitor_tick();

// Puts the ticks and the stop signals on the loop's context.
void attach_monitor_sources(GMainLoop* loop);
// What SIGTERM and SIGINT do: no more ticks, stop_event_programs, the loop quits.
void request_monitor_stop();
// Runs the loop until a stop, then the context until the last program is done.
void run_monitor_loop(GMainLoop* loop);

// Resets SIGCHLD, loads the settings file, attach_monitor_sources, start_monitor,
// run_monitor_loop.
// Returns 0.
int run_resident_monitor(const MonitorOptions& options);
