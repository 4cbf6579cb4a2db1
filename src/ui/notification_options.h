// The notification controls of the "Option" page: audible prompt, popup message box, the
// event log switch and the "File selection" dialog that picks the event log file. Each
// control writes its field of option3 at once; only Apply writes the settings file.
#pragma once

#include <gtk/gtk.h>

inline constexpr const char* kFileSelectionTitle = "File selection";
inline constexpr const char* kProposedLogName = "Error.log";
inline constexpr const char* kPathTooLong = "The path is too long: at most 99 bytes.";

// "clicked" of beepbutton / popupbutton: audible / popup follow the check box.
void setbeep(GtkWidget* widget, gpointer data);
void setpopup(GtkWidget* widget, gpointer data);

// "toggled" of the "Use log file" check box, with the log file entry as user data.
void entry_toggle_editable(GtkWidget* checkbutton, gpointer entry);

// "clicked" of the file button: opens a new, non-modal "File selection" dialog, but only
// while the event log is on.
void fileselect(GtkWidget* widget, gpointer data);

// OK of the dialog: the chosen path goes into logfile and the entry, the dialog closes.
// A path longer than the field is refused in an "Error" box and the dialog stays.
void file_ok_sel(GtkWidget* dialog, gpointer data);
// Cancel of the dialog, and its own "destroy": closes it, changing nothing.
void fileselect_destroy(GtkWidget* dialog, gpointer data);
