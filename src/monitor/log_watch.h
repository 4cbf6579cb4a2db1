// The system-log watch: reports the driver's recent "HALVOREN|" lines in popups and in
// the event log file. Also the current-time text used by the schedule check.
#pragma once

#include <ctime>
#include <gtk/gtk.h>

// Time of day of the newest marked line seen; an empty globalhour means none yet.
extern char globalhour[5];
extern char globalminute[5];
extern char globalsecond[5];
// Month name and day of that line as the log writes them ("Dec  6"): a line of a later
// day is newer whatever its time of day.
extern char globaldate[7];
// The last reported message.
extern char olderrordata[400];

// One pass over the system log.
void geterrordata();

// The local time as ctime text (26 bytes with newline and NUL).
void gettimenow(char* buf);

// "clicked" handler of a popup's OK button: destroys the popup given as user data.
void popup_ok(GtkWidget* button, gpointer dialog);

// The clock behind gettimenow; the product uses time().
using ClockSource = std::time_t (*)();
void set_clock_source(ClockSource clock);

// The system log file; the product reads "/var/log/messages".
void set_system_log_path(const char* path);
const char* system_log_path();
