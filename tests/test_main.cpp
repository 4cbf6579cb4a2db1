#include "test_support.h"

#include "base/clock.h"
#include "driver/device_port.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "monitor/event_sources.h"
#include "monitor/log_line_rules.h"
#include "monitor/log_watch.h"
#include "monitor/resident_monitor.h"
#include "monitor/tick_cadence.h"
#include "settings/settings_record.h"
#include "ui/info_pages.h"
#include "ui/monitor_tick.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

std::string start_directory;

template <typename... Tables> void zero(Tables&... tables) { (std::memset(&tables, 0, sizeof tables), ...); }

void reset_tables()
{
    zero(channeldiskinfo, arraydiskinfo, arrayinfo, controllerinfo, channelinfo, arraynames, arraydisknames,
         controllernames, channelnames, channeldisknames, arrayrebuildinfo, arrayrebuilddisk, PageInfo, lasttime, astring,
         errorBeep, ArrayStatus, SwapInfo, args, version, SystemBusy, Mirror_Sync, option3, globalhour, globalminute,
         globalsecond, globaldate, olderrordata, secondCount, bells_rung);
    for (auto& flag : DiskErrorFlag)
        flag = 2;
    for (auto& power : PowerManage) {
        power[0] = 0;
        power[1] = 1;
    }
}

void ignore_line(const char*, void*) {}

// A pass that reads a file ends a "no source readable" spell, so the next one is told again.
void reset_event_sources()
{
    char now[26];
    gettimenow(now);
    read_driver_events("/dev/null", clock_seconds(), now, ignore_line, nullptr);
    set_system_log_path("/var/log/messages");
    // No test reads the machine's own journal: where the system log is missing, nothing can be read.
    set_journal_directory("/nonexistent/journal");
}

void destroy_windows()
{
    clear_build_handles();
    window = tabletop = notebook = passwordentry = passwordreentry = nullptr;
    for (cairo_surface_t** surface : {&pixmap, &pixmap2}) {
        if (*surface)
            cairo_surface_destroy(*surface);
        *surface = nullptr;
    }
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        g_object_ref(w->data);
    for (GList* w = windows; w; w = w->next)
        if (gtk_window_get_window_type(GTK_WINDOW(w->data)) == GTK_WINDOW_TOPLEVEL)
            gtk_widget_destroy(GTK_WIDGET(w->data));
    g_list_free_full(windows, g_object_unref);
    drain_events();
}

// Every test starts from the state of a freshly started program, whatever ran before it.
void reset_program_state()
{
    if (chdir(start_directory.c_str()) != 0)
        std::abort();
    ensure_gtk();
    destroy_windows();
    install_device_port(system_device_port());
    set_device_path(nullptr);
    set_clock_source(nullptr);
    reset_tables();
    reset_event_sources();
    set_every_second_hook(nullptr);
    // The window's scan hook, event sink and notice sink, as start-up installs them.
    install_window_hooks();
}

class ProgramStateReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { reset_program_state(); }
};

} // namespace

int main(int argc, char** argv)
{
    // Times in the tests are read as UTC, whatever the machine's zone.
    setenv("TZ", "UTC", 1);
    tzset();
    char cwd[4096];
    start_directory = getcwd(cwd, sizeof cwd) ? cwd : "/";
    ::testing::InitGoogleTest(&argc, argv);
    // A warning or critical from GLib, GTK or the program ends the test that caused it.
    g_log_set_always_fatal(GLogLevelFlags(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING));
    ::testing::UnitTest::GetInstance()->listeners().Append(new ProgramStateReset);
    return RUN_ALL_TESTS();
}
