#include "ui/startup.h"

#include "base/bounded_text.h"
#include "base/program.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "monitor/log_watch.h"
#include "service/service_client.h"
#include "settings/settings_file.h"
#include "status/card_status.h"
#include "status/command_line.h"
#include "ui/event_popup.h"
#include "ui/info_pages.h"
#include "ui/monitor_tick.h"
#include "ui/owned_handles.h"
#include "ui/widget_registry.h"

#include <cstdio>
#include <cstring>
#include <string>

char astring[32][10];

namespace {

// Set when the system service stands in for the device node: the driver's events then come
// from its signals, since this user may read no source of them.
bool events_from_service = false;
// Why the service could not stand in for a device node that cannot be opened.
std::string service_failure;

} // namespace

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

// The end of a scan in the window: the drive page showing is redrawn, then the log watch
// reports what happened meanwhile.
void after_scan_in_window()
{
    if (PageInfo[1] == 1)
        ShowArrayDiskInformation(PageInfo[2]);
    if (PageInfo[3] == 1)
        ShowControllerDiskInformation(PageInfo[4]);
    if (!events_from_service)
        geterrordata();
}

gboolean on_quit_signal(GtkWidget*, gpointer) { return delete_handler(); }
gboolean on_delete_event(GtkWidget*, GdkEvent*, gpointer) { return delete_handler(); }

} // namespace

void install_window_hooks()
{
    set_after_scan_hook(after_scan_in_window);
    set_event_sink(report_event_in_window);
    set_notice_sink(show_notice_in_window);
}

void prepare_startup_state()
{
    install_window_hooks();
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

void open_first_window()
{
    hold_popups();
    if (gtkReadFile() == 1) {
        open_main_window();
    } else {
        // The window cannot say why; whoever started the program learns it here.
        std::string reason = device_failure_text();
        if (!service_failure.empty())
            reason += "; " + service_failure;
        std::fprintf(stderr, "%s: %s\n", kProgramName, reason.c_str());
        open_no_card_window();
    }
    release_popups();
}

namespace {

// The toolkit takes its own options (--display, --gtk-debug and the like) from what the
// program's parser left; anything else is refused before a window opens.
bool take_toolkit_options(int& argc, char**& argv)
{
    GOptionContext* context = g_option_context_new(nullptr);
    g_option_context_add_group(context, gtk_get_option_group(FALSE));
    g_option_context_set_ignore_unknown_options(context, TRUE);
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    const std::string refused = parsed ? leftover_argument(argc, argv) : std::string(UniqueText(g_utf8_make_valid(error->message, -1)).get());
    g_clear_error(&error);
    if (refused.empty())
        return true;
    refuse_command_line(refused);
    return false;
}

} // namespace

int run_monitor(int argc, char** argv)
{
    init_enviorment();
    if (!take_toolkit_options(argc, argv))
        return kExitUnknown;
    gtk_init(&argc, &argv);
    prepare_startup_state();
    events_from_service = route_requests_through_service(&service_failure);
    if (events_from_service)
        watch_service_driver_events(report_event_in_window);
    open_first_window();
    gtk_main();
    return 0;
}
