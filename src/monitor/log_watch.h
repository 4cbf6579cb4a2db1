// The system-log watch: hands the driver's "HALVOREN|" lines to the event sink the front
// end installs (the window's popups and event log file, or the resident monitor). The
// first pass reports today's recent lines; each later one reads only what the source gained
// since and reports every marked line of it (see log_follower.h, or journal_source.h when
// the driver's lines are in the journal; which source is read is chosen in
// event_sources.h; the rules are in log_line_rules.h). With no source readable it says so
// once, on standard error and to the notice sink.
#pragma once

#include "base/clock.h"
#include "monitor/log_line_rules.h"

// One pass over the system log, when the settings ask for popups or the event log file.
void geterrordata();
// One pass whatever the settings: the resident monitor reports every driver event.
void log_watch_pass();

// Receives each reported message; without a sink a pass reads nothing.
using EventSink = void (*)(const char* message);
void set_event_sink(EventSink sink);
// Receives the one-time notice that no source of driver events can be read.
void set_notice_sink(EventSink sink);

// Appends a message to the event log file named in the settings.
void append_to_event_log(const char* message);

// The system log file; the product reads "/var/log/messages". Choosing a file makes the
// next pass a first pass.
void set_system_log_path(const char* path);
const char* system_log_path();
