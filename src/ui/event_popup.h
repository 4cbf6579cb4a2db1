// The window's event sink: each message the log watch reports opens a popup and goes to
// the event log file, as the settings ask.
#pragma once

#include <gtk/gtk.h>

void report_event_in_window(const char* message);

// "clicked" handler of a popup's OK button: destroys the popup given as user data.
void popup_ok(GtkWidget* button, gpointer dialog);
