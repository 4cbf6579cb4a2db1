#include "ui/event_popup.h"

#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/padded_label.h"
#include "ui/widget_registry.h"

namespace {

void show_popup(const char* message)
{
    GtkWidget* dialog = gtk_dialog_new();
    // Keeps the window manager (and GTK's check for parentless dialogs) content; the
    // popup stays non-modal.
    if (window && GTK_IS_WINDOW(window))
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window));
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));

    GtkWidget* label = padded_label(message);
    gtk_box_pack_start(GTK_BOX(area), label, TRUE, TRUE, 0);
    gtk_widget_show(label);

    GtkWidget* button = gtk_button_new_with_label("OK");
    gtk_box_pack_start(GTK_BOX(area), button, TRUE, TRUE, 0);
    gtk_widget_show(button);
    g_signal_connect(button, "clicked", G_CALLBACK(popup_ok), dialog);

    gtk_widget_show(dialog);
}

} // namespace

void report_event_in_window(const char* message)
{
    if (option3.popup == 1)
        show_popup(message);
    if (option3.uselogfile == 1)
        append_to_event_log(message);
}

void show_notice_in_window(const char* message) { show_popup(message); }

void popup_ok(GtkWidget*, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }
