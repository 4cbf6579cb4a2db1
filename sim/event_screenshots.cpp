#include "event_screenshots.h"

#include "base/unique_file.h"
#include "demo_card.h"
#include "demo_scenario.h"
#include "inventory/inventory_scan.h"
#include "monitor/log_watch.h"
#include "ui/monitor_tick.h"
#include "settings/settings_record.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace {

// The pictures show an evening in December, whatever the machine's clock says.
std::time_t screenshot_now;
std::time_t screenshot_clock() { return screenshot_now; }

void drain()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

// Lets the windows map and paint before their pixels are read.
void settle()
{
    for (int round = 0; round < 20; ++round) {
        drain();
        g_usleep(10000);
    }
}

GtkWidget* first_popup()
{
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l && !found; l = l->next)
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found = GTK_WIDGET(l->data);
    g_list_free(all);
    return found;
}

void close_popups()
{
    while (GtkWidget* popup = first_popup())
        gtk_widget_destroy(popup);
    drain();
}

bool save_picture(GtkWidget* widget, const std::string& path)
{
    gtk_widget_queue_draw(widget);
    settle();
    GdkWindow* surface = gtk_widget_get_window(widget);
    if (!surface)
        return false;
    GdkPixbuf* pixels =
        gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface), gdk_window_get_height(surface));
    if (!pixels)
        return false;
    GError* error = nullptr;
    const bool saved = gdk_pixbuf_save(pixels, path.c_str(), "png", &error, nullptr);
    if (error)
        g_error_free(error);
    g_object_unref(pixels);
    return saved;
}

void ensure_main_window()
{
    if (window)
        return;
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), kMainWindowTitle);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_container_set_border_width(GTK_CONTAINER(window), 5);
    gtk_widget_show(window);
}

bool rebuild_bar_shown()
{
    return pbar1 && gtk_widget_get_visible(pbar1);
}

} // namespace

void save_event_screenshots(const std::string& dir)
{
    static SimulatedCard card;
    card = make_demo_card();
    install_simulated_driver(card);

    const std::string system_log = std::string(g_get_tmp_dir()) + "/quorvex-screenshot-messages";
    {
        UniqueFile fresh(system_log.c_str(), "w");
    }
    const std::string previous_log = system_log_path();
    set_system_log_path(system_log.c_str());
    screenshot_now = static_cast<std::time_t>(1701894600); // 6 December 2023, 20:30 UTC
    set_clock_source(screenshot_clock);
    const SettingsRecord previous_settings = option3;
    option3.popup = 1;
    option3.uselogfile = 0;

    prepare_startup_state();
    gtkReadFile();
    ensure_main_window();

    DemoScenario scenario(card, system_log);
    bool popup_saved = false, rebuild_saved = false;
    const int halfway = DemoScenario::kRebuildAt + DemoScenario::kRebuildSeconds / 2;
    for (int second = 1; second <= DemoScenario::kLength && !(popup_saved && rebuild_saved); ++second) {
        ++screenshot_now;
        scenario.step();
        gtkBeepCheck(nullptr);
        drain();
        if (GtkWidget* popup = first_popup()) {
            if (!popup_saved)
                popup_saved = save_picture(popup, dir + "/popup.png");
            close_popups();
        }
        if (!rebuild_saved && scenario.second() >= halfway && rebuild_bar_shown())
            rebuild_saved = save_picture(window, dir + "/rebuild.png");
    }
    if (!popup_saved)
        std::fputs("event screenshots: no popup appeared\n", stderr);
    if (!rebuild_saved)
        std::fputs("event screenshots: no rebuild bar appeared\n", stderr);

    option3 = previous_settings;
    set_clock_source(nullptr);
    set_system_log_path(previous_log.c_str());
    std::remove(system_log.c_str());
}
