#include "ui/startup.h"

#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "monitor/event_sources.h"
#include "monitor/log_watch.h"
#include "monitor/monitor_tick.h"
#include "ui/owned_handles.h"
#include "settings/settings_file.h"
#include "ui/widget_registry.h"

#include <cstdio>
#include <cstring>

char astring[32][10];

gboolean delete_handler()
{
    gtk_main_quit();
    return FALSE;
}

namespace {

void fill_astring()
{
    for (int k = 0; k < 32; ++k) {
        astring[k][0] = static_cast<char>(k);
        astring[k][1] = '\0';
    }
}

gboolean on_quit_signal(GtkWidget*, gpointer) { return delete_handler(); }
gboolean on_delete_event(GtkWidget*, GdkEvent*, gpointer) { return delete_handler(); }

gboolean take_journal_directory(const gchar*, const gchar* value, gpointer, GError**)
{
    set_journal_directory(value);
    return TRUE;
}

const GOptionEntry kOptions[] = {
    {"journal-directory", 0, 0, G_OPTION_ARG_CALLBACK, reinterpret_cast<gpointer>(take_journal_directory),
     "Read the driver's events from the journal files in DIR instead of the local journal", "DIR"},
    {},
};

} // namespace

void prepare_startup_state()
{
    fill_astring();
    arrayrebuilddisk[0] = arrayrebuilddisk[1] = 0;
    globalhour[0] = '\0';
    std::memset(PageInfo, 0, sizeof PageInfo);
}

void open_main_window()
{
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), kMainWindowTitle);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_widget_show(window);
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete_event), nullptr);
    gtk_container_set_border_width(GTK_CONTAINER(window), 5);
    g_timeout_add(1000, gtkBeepCheck, nullptr);
}

void open_no_card_window()
{
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_widget_show(window);
    gtk_container_set_border_width(GTK_CONTAINER(window), 100);
    GtkWidget* button = gtk_button_new_with_label(kNoCardText);
    gtk_container_add(GTK_CONTAINER(window), button);
    gtk_widget_show(button);
    g_signal_connect(button, "clicked", G_CALLBACK(on_quit_signal), nullptr);
    // Closing this window from the window manager ends the program the same way.
    g_signal_connect(window, "delete-event", G_CALLBACK(on_delete_event), nullptr);
}

bool parse_command_line(int* argc, char*** argv)
{
    UniqueOptionContext context(g_option_context_new(nullptr));
    g_option_context_add_main_entries(context.get(), kOptions, nullptr);
    g_option_context_add_group(context.get(), gtk_get_option_group(TRUE));
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context.get(), argc, argv, &error);
    if (!parsed) {
        std::fprintf(stderr, "%s\n", error ? error->message : "The command line cannot be read.");
        g_clear_error(&error);
    }
    return parsed;
}

int run_monitor(int argc, char** argv)
{
    init_enviorment();
    if (!parse_command_line(&argc, &argv))
        return 1;
    prepare_startup_state();
    if (gtkReadFile() == 1)
        open_main_window();
    else
        open_no_card_window();
    gtk_main();
    return 0;
}
