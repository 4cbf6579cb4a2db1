// Helpers shared by the log watch, window, schedule and monitor tests: a fixed clock, log
// lines stamped like the system logger's, the open popups, and what bars and labels show.
#pragma once

#include <gtk/gtk.h>

#include <ctime>
#include <string>
#include <vector>

// Seconds since the epoch of a UTC date and time (the tests run with TZ=UTC).
std::time_t utc(int year, int month, int day, int hour, int minute, int second);

// gettimenow reads this from now on.
void use_fixed_clock(std::time_t now);
void set_fixed_clock(std::time_t now);
std::time_t fixed_clock();

// "Dec  6 10:41:55 " for the given time: the system logger's prefix.
std::string log_prefix(std::time_t when);
// A whole marked log line with its newline; the marker starts at column 32.
std::string marked_line(std::time_t when, const std::string& event);

// The popups open now (shown dialogs), their message label and their button.
std::vector<GtkWidget*> open_popups();
GtkWidget* popup_label(GtkWidget* popup);
GtkWidget* popup_button(GtkWidget* popup);

// Text a progress bar shows.
std::string bar_text(GtkWidget* bar);
std::string label_text(GtkWidget* label);
