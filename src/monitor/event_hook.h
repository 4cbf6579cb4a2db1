// Runs the admin's program for each event, one at a time, from a queue on a GLib main
// context, so that the monitor's own work goes on meanwhile. The program runs directly,
// without a shell, as PROGRAM EVENT ARRAY DETAIL, with the same values and the time the
// event was detected in QUORVEX_EVENT, QUORVEX_ARRAY, QUORVEX_DETAIL and QUORVEX_TIME. Its
// output goes to our standard error and it inherits no other descriptor. It runs in a
// process group of its own, which is ended when the program exits (nothing it left in the
// background lives on) or is killed at its time limit. Each outcome is one line on
// standard error.
#pragma once

#include "monitor/card_events.h"

#include <glib.h>

#include <string>

inline constexpr int kHookLimitMs = 60'000;
inline constexpr int kStopGraceMs = 5'000;

struct EventProgram {
    std::string path;
    int limit_ms = kHookLimitMs;
    // After a stop: how long a program has between SIGTERM and SIGKILL.
    int stop_grace_ms = kStopGraceMs;
};

// The program for the events queued from now on, its child watches and timers on context
// (null: the default context). Empties the queue and lets new events start again.
void set_event_program(const EventProgram& program, GMainContext* context);

// Queues the event with the time text of its detection; it starts at once when no program
// runs.
void queue_event_program(const CardEvent& event, const std::string& detected_at);

// No program runs and none waits.
bool event_programs_done();

// Nothing new starts: the running program gets SIGTERM, then SIGKILL after the grace, and
// each queued event is listed on standard error as not delivered.
void stop_event_programs();

struct HookOutcome {
    enum Kind { Exited, Signalled, Killed, KilledAtStop, NotStarted } kind = NotStarted;
    int value = 0; // exit status, signal number, milliseconds before the kill, or errno
};

// "exited with status 0", "was killed after ...", "could not be started: ...".
std::string describe_outcome(const HookOutcome& outcome, int limit_ms);
