// The system-log watch: reports the driver's recent "HALVOREN|" lines in popups and in
// the event log file. Each pass reads only what the log gained since the last one (see
// log_follower.h, or journal_source.h when the driver's lines are in the journal; which
// source is read is chosen in event_sources.h) and judges each line as log_line_rules.h
// says; with no source readable it says so once. Also the current-time text used by the
// schedule check.
#pragma once

#include "monitor/log_line_rules.h"

#include <ctime>
#include <gtk/gtk.h>

// One pass over the system log.
void geterrordata();

// The local time as ctime text (26 bytes with newline and NUL).
void gettimenow(char* buf);

// "clicked" handler of a popup's OK button: destroys the popup given as user data.
void popup_ok(GtkWidget* button, gpointer dialog);

// The clock behind gettimenow; the product uses time().
using ClockSource = std::time_t (*)();
void set_clock_source(ClockSource clock);

// The system log file; the product reads "/var/log/messages". Choosing a file makes the
// next pass read it from its beginning.
void set_system_log_path(const char* path);
const char* system_log_path();
