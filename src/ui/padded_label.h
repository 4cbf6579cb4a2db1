// A label with 10 pixels of free space on every side, as the dialogs show their messages.
#pragma once

#include <gtk/gtk.h>

GtkWidget* padded_label(const char* text);
