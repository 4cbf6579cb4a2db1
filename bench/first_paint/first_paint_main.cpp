// The window's start as a whole process, for the benchmark beside --status: the demo
// card, the settings, the toolkit, the first scan and the window as start-up opens them;
// the process prints one line and ends once the window's frame clock has painted.
#include "demo_card.h"
#include "settings/settings_file.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <cstdio>
#include <cstdlib>

namespace {

void on_after_paint(GdkFrameClock*, gpointer)
{
    std::puts("painted");
    std::fflush(stdout);
    std::exit(0);
}

void watch_paint(GtkWidget* widget, gpointer)
{
    g_signal_connect(gdk_window_get_frame_clock(gtk_widget_get_window(widget)), "after-paint", G_CALLBACK(on_after_paint),
                     nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    init_enviorment();
    if (!gtk_init_check(&argc, &argv))
        return 1;
    prepare_startup_state();
    open_first_window();
    if (gtk_widget_get_realized(window))
        watch_paint(window, nullptr);
    else
        g_signal_connect(window, "realize", G_CALLBACK(watch_paint), nullptr);
    gtk_main();
    return 1;
}
