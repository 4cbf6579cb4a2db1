// The "Apply" button: takes the typed values of the "Option" page into option3, writes
// the settings file (after the password check when protection is on) and sends the
// pending drive power commands.
#pragma once

#include <gtk/gtk.h>

// "clicked" of the "Apply" button.
void apply_ok(GtkWidget* widget, gpointer data);

// Brings option3 up to date from the page and writes "quorvex.conf". A failed write
// leaves the applied values in memory and tells the user in an "Error" box.
void apply_commit();

// OK of the box that reports a failed write.
void closeSaveError(GtkWidget* widget, gpointer errorbox);
