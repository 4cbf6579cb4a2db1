// The pictures built into the program, and the image widgets made from them.
#pragma once

#include <gtk/gtk.h>

// Banner at the top right of the main window: 128 x 32.
extern const char* compname[];
// Face of the log-file chooser button: 20 x 19.
extern const char* FileButton[];

// An image widget from built-in XPM data, already shown, not yet placed anywhere.
// The first argument is not used.
GtkWidget* CreateWidgetFromXpm(GtkWidget* unused, const char** data);
