#include "ui/event_popup.h"

#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/padded_label.h"

#include <string>
#include <vector>

namespace {

bool popups_held = false;
std::vector<std::string> held_popups;

void show_popup(const char* message)
{
    if (popups_held) {
        held_popups.emplace_back(message);
        return;
    }
    // A window of its own, neither modal nor transient for the main window: window
    // managers hide transient dialogs with their minimised parent, and a drive failure
    // must show while the monitor is minimised.
    GtkWidget* dialog = gtk_dialog_new();
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

void hold_popups() { popups_held = true; }

void release_popups()
{
    popups_held = false;
    std::vector<std::string> waiting;
    waiting.swap(held_popups);
    for (const std::string& message : waiting)
        show_popup(message.c_str());
}

void popup_ok(GtkWidget*, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }
