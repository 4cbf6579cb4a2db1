// The "Option" page: notification, power and password sections and the "Apply" button.
#pragma once

#include <gtk/gtk.h>

// Builds the page from the settings record and the power table, registers its handles
// and appends it to the notebook with the tab label "Option". Runs no handler.
void build_options_page(GtkWidget* notebook);

// After a commit the page shows what was stored: the log file, the password, and the
// "Enable password" box with its entry as protection now is.
void show_stored_settings();
