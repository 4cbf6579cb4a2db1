// Runs the admin's program for one event: directly, without a shell, with the arguments
// EVENT ARRAY DETAIL and the same values (and the time) in QUORVEX_EVENT, QUORVEX_ARRAY,
// QUORVEX_DETAIL and QUORVEX_TIME. Its output goes to our standard error. One program at a
// time: the call returns when the program has ended or has been killed.
#pragma once

#include "monitor/card_events.h"

#include <csignal>
#include <string>

inline constexpr int kHookLimitMs = 60'000;

struct HookOutcome {
    enum Kind { Exited, Signalled, Killed, NotStarted } kind = NotStarted;
    int value = 0; // exit status, signal number, milliseconds before the kill, or errno
};

// Kills the program (with everything it started) after limit_ms, or as soon as *stop
// becomes non-zero.
HookOutcome run_event_hook(const std::string& program, const CardEvent& event, const std::string& time_text,
                           int limit_ms, const volatile std::sig_atomic_t* stop);

// "exited with status 0", "was killed after ...", "could not be started: ...".
std::string describe_outcome(const HookOutcome& outcome, int limit_ms);
