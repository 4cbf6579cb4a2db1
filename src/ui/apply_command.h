// The "Apply" button: takes the typed values of the "Option" page into option3, writes
// the settings file (after the password check when protection is on) and sends the
// pending drive power commands.
#pragma once

#include <gtk/gtk.h>
#include <string>

// What Apply takes from the page, read when it is pressed: a notebook rebuild while a
// password dialog is open changes none of it.
struct PendingApply {
    bool takes_logfile = false;
    std::string logfile;
    bool takes_password = false;
    std::string password;
};
const PendingApply& pending_apply();

// "clicked" of the "Apply" button. A password or path whose bytes do not fit its field
// is refused in an "Error" box and no setting is applied; the power commands go as always.
void apply_ok(GtkWidget* widget, gpointer data);

// Brings option3 up to date from what Apply took and writes "quorvex.conf". A failed write
// leaves the applied values in memory and tells the user in an "Error" box.
void apply_commit();

// OK of the box that reports a failed write or a refused text.
void closeSaveError(GtkWidget* widget, gpointer errorbox);
