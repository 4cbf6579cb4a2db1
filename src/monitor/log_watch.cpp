#include "monitor/log_watch.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "monitor/log_follower.h"
#include "settings/settings_record.h"
#include "ui/padded_label.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <string>

namespace {

std::time_t system_clock_now() { return std::time(nullptr); }

ClockSource clock_source = system_clock_now;
std::string log_path = "/var/log/messages";

void show_popup(const char* message)
{
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

void append_to_event_log(const char* message)
{
    UniqueFile file(field_text(option3.logfile).c_str(), "a");
    if (file)
        std::fputs(message, file.get());
}

void report(const char* message, void*)
{
    if (option3.popup == 1)
        show_popup(message);
    if (option3.uselogfile == 1)
        append_to_event_log(message);
}

} // namespace

void set_clock_source(ClockSource clock) { clock_source = clock ? clock : system_clock_now; }
void set_system_log_path(const char* path)
{
    log_path = path;
    forget_log_position();
}
const char* system_log_path() { return log_path.c_str(); }

void gettimenow(char* buf)
{
    std::time_t now = clock_source();
    char text[26] = {};
    if (!ctime_r(&now, text))
        std::memset(text, 0, sizeof text);
    std::memcpy(buf, text, sizeof text);
}

void popup_ok(GtkWidget*, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }

// With both flags off nothing is opened and the read position stays: lines appended
// meanwhile are read once a flag is on again, as a reading of the whole file would find them.
void geterrordata()
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return;
    char now[26];
    gettimenow(now);
    follow_system_log(log_path.c_str(), now, report, nullptr);
}
