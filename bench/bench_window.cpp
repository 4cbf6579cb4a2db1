#include "bench_window.h"

#include "demo_card.h"
#include "inventory/inventory_scan.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

namespace {

bool painted;

void on_after_paint(GdkFrameClock*, gpointer) { painted = true; }

gboolean on_paint_timeout(gpointer expired)
{
    *static_cast<bool*>(expired) = true;
    return G_SOURCE_REMOVE;
}

bool toolkit_ready()
{
    static const bool ready = gtk_init_check(nullptr, nullptr);
    return ready;
}

} // namespace

void drain_events()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

bool open_bench_window(SimulatedCard& card)
{
    if (!toolkit_ready())
        return false;
    card = make_demo_card();
    install_simulated_driver(card);
    set_system_log_path("/dev/null");
    option3.audible = 0;
    option3.popup = 0;
    option3.uselogfile = 0;
    option3.syncdisabled = 1;
    prepare_startup_state();
    gtkReadFile();
    card.clear_log();

    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), kMainWindowTitle);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_container_set_border_width(GTK_CONTAINER(window), 5);
    gtk_widget_show(window);
    while (!gtk_widget_get_mapped(window))
        gtk_main_iteration();
    g_signal_connect(gtk_widget_get_frame_clock(window), "after-paint", G_CALLBACK(on_after_paint), nullptr);
    drain_events();
    return true;
}

void close_bench_window()
{
    gtk_widget_destroy(window);
    window = nullptr;
    clear_build_handles();
    tabletop = notebook = nullptr;
    drain_events();
    uninstall_simulated_driver();
}

bool wait_for_paint()
{
    painted = false;
    bool expired = false;
    const guint timeout = g_timeout_add(1000, on_paint_timeout, &expired);
    while (!painted && !expired)
        gtk_main_iteration();
    if (!expired)
        g_source_remove(timeout);
    return painted;
}
