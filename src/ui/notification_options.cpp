#include "ui/notification_options.h"

#include "base/bounded_text.h"
#include "ui/apply_command.h"
#include "ui/password_protection.h"
#include "settings/settings_record.h"
#include "ui/valid_text.h"
#include "ui/widget_registry.h"

#include <cstring>

namespace {

bool is_on(GtkWidget* checkbutton)
{
    return checkbutton && gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(checkbutton));
}

} // namespace

void setbeep(GtkWidget*, gpointer)
{
    option3.audible = is_on(beepbutton) ? 1 : 0;
}

void setpopup(GtkWidget*, gpointer)
{
    option3.popup = is_on(popupbutton) ? 1 : 0;
}

void entry_toggle_editable(GtkWidget* checkbutton, gpointer entry)
{
    const bool on = is_on(checkbutton);
    gtk_editable_set_editable(GTK_EDITABLE(entry), on);
    option3.uselogfile = on ? 1 : 0;
    // The entry in the user data belongs to the same page as the check box.
    if (on)
        gtk_widget_show(GTK_WIDGET(entry));
    else
        gtk_widget_hide(GTK_WIDGET(entry));
}

void fileselect(GtkWidget*, gpointer)
{
    if (option3.uselogfile != 1)
        return;
    GtkWidget* dialog = gtk_file_chooser_dialog_new(kFileSelectionTitle, GTK_IS_WINDOW(window) ? GTK_WINDOW(window) : nullptr,
                                                    GTK_FILE_CHOOSER_ACTION_SAVE,
                                                    nullptr, nullptr);
    GtkWidget* ok = gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", GTK_RESPONSE_ACCEPT);
    GtkWidget* cancel = gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancel", GTK_RESPONSE_CANCEL);
    g_signal_connect(dialog, "destroy", G_CALLBACK(fileselect_destroy), nullptr);
    g_signal_connect_swapped(ok, "clicked", G_CALLBACK(file_ok_sel), dialog);
    g_signal_connect_swapped(cancel, "clicked", G_CALLBACK(fileselect_destroy), dialog);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), kProposedLogName);
    gtk_widget_show(dialog);
}

void file_ok_sel(GtkWidget* dialog, gpointer)
{
    gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
    // Cut to the field it would name another file.
    if (chosen && std::strlen(chosen) >= sizeof option3.logfile) {
        g_free(chosen);
        open_error_box(kPathTooLong, dialog, G_CALLBACK(closeSaveError));
        return;
    }
    if (chosen) {
        replace_text(option3.logfile, chosen);
        g_free(chosen);
        // The page may have been rebuilt while the dialog was open: the entry is reached
        // through its current handle, never through a pointer kept from the old page.
        if (filenamebar)
            gtk_entry_set_text(GTK_ENTRY(filenamebar), valid_text(option3.logfile).get());
    }
    gtk_widget_destroy(dialog);
}

void fileselect_destroy(GtkWidget* dialog, gpointer)
{
    if (!gtk_widget_in_destruction(dialog))
        gtk_widget_destroy(dialog);
}
