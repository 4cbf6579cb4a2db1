// The window's event sink: each message the log watch reports opens a popup and goes to
// the event log file, as the settings ask.
#pragma once

#include <gtk/gtk.h>

void report_event_in_window(const char* message);

// A notice about the watch itself (no source of events readable): a popup of the same kind.
void show_notice_in_window(const char* message);

// "clicked" handler of a popup's OK button: destroys the popup given as user data.
void popup_ok(GtkWidget* button, gpointer dialog);
