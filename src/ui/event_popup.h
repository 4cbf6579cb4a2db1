// The window's event sink: each message the log watch reports opens a popup and goes to
// the event log file, as the settings ask.
#pragma once

#include <gtk/gtk.h>

void report_event_in_window(const char* message);

// A notice about the watch itself (no source of events readable): a popup of the same kind.
void show_notice_in_window(const char* message);

// Popups wait while held and show, in order, when released: the first scan runs before
// the main window exists, and its popups must not end up behind it.
void hold_popups();
void release_popups();

// "clicked" handler of a popup's OK button: destroys the popup given as user data.
void popup_ok(GtkWidget* button, gpointer dialog);
