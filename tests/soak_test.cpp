// Endurance: a hundred thousand ticks against the demo card while its arrays keep failing,
// rebuilding and losing members, so that change detection builds the notebook more than ten
// thousand times, must leave resident memory and the windows where they were after the
// first hundred builds, and bring every event the card logged to the user once.
#include "event_test_support.h"
#include "live_window_support.h"
#include "test_support.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "inventory/inventory_scan.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/main_notebook.h"
#include "ui/monitor_tick.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

long resident_kb() { return std::atol(std::strstr(read_file("/proc/self/status").c_str(), "VmRSS:") + 6); }

long toplevels()
{
    // GTK makes its tooltip window when the pointer crosses ours (other tests' windows share
    // the display): it is not one of the program's.
    GList* all = gtk_window_list_toplevels();
    long count = 0;
    for (GList* l = all; l; l = l->next)
        count += !g_str_equal(G_OBJECT_TYPE_NAME(l->data), "GtkTooltipWindow");
    return g_list_free(all), count;
}

long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST(Soak, HundredThousandTicksOfAChangingCardKeepMemoryAndWindows)
{
    ScopedWorkDir dir;
    const std::string syslog = dir.file("messages"), eventlog = dir.file("events.log");
    write_file(syslog, "");
    open_test_window();
    option3.syncdisabled = option3.audible = option3.popup = option3.uselogfile = 1;
    std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
    set_system_log_path(syslog.c_str());
    use_fixed_clock(utc(2023, 12, 6, 20, 30, 0));
    SimulatedCard card = make_demo_card();
    DemoScenario scenario{card, syslog};
    install_simulated_driver(card);
    ASSERT_EQ(gtkReadFile(), 1);
    const long windows = toplevels();
    long builds = 0, popups = 0, baseline_kb = 0;
    for (int tick = 1; tick <= 100000; ++tick) {
        set_fixed_clock(fixed_clock() + 1);
        scenario.step();
        if (tick % 10 == 0) // a member of the striping array drops out or comes back
            card.arrays[1].member_mask ^= 0x20;
        card.clear_log();
        gtkBeepCheck(nullptr);
        if (tabletop && !g_object_get_data(G_OBJECT(tabletop), "seen")) { // a new build: show its next page
            g_object_set_data(G_OBJECT(tabletop), "seen", tabletop);
            const int page = ++builds % 3;
            gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), page);
            drain_events();
            ASSERT_TRUE(page == 2 || select_row(tree_of_page(page), page == 0 ? PageKind::MemberDrive : PageKind::ChannelDrive, 1));
            if (builds == 100)
                baseline_kb = resident_kb();
        }
        drain_events();
        for (GtkWidget* popup : open_popups()) {
            gtk_button_clicked(GTK_BUTTON(popup_button(popup)));
            ++popups;
        }
    }
    EXPECT_GE(builds, 10000);
    EXPECT_LE(resident_kb() - baseline_kb, 5 * 1024);
    EXPECT_EQ(toplevels(), windows);
    EXPECT_GT(bells_rung, 0);
    const long events = lines(read_file(syslog));
    EXPECT_GE(events, 2L * (100000 / DemoScenario::kLength));
    EXPECT_EQ(popups, events);
    EXPECT_EQ(lines(read_file(eventlog)), 2 * events);
}

} // namespace
