// Endurance: a hundred thousand ticks against the demo card while its arrays keep failing,
// rebuilding and losing members, so that change detection builds the notebook more than
// ten thousand times, must leave resident memory, the widgets of the builds and the
// windows where they were after the first hundred builds.
#include "event_test_support.h"
#include "live_window_support.h"
#include "test_support.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "inventory/inventory_scan.h"
#include "monitor/log_watch.h"
#include "ui/monitor_tick.h"
#include "settings/settings_record.h"
#include "ui/main_notebook.h"
#include "ui/progress_bar.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kTicks = 100000;
constexpr int kMinimumBuilds = 10000;
constexpr int kBaselineBuilds = 100;
constexpr long kAllowedGrowthKb = 5 * 1024;
// A member of the striping array drops out or comes back this often (in ticks).
constexpr int kMemberFlipTicks = 10;

long resident_kb()
{
    const std::string status = read_file("/proc/self/status");
    const std::size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

int toplevel_count()
{
    GList* all = gtk_window_list_toplevels();
    const int count = static_cast<int>(g_list_length(all));
    g_list_free(all);
    return count;
}

long line_count(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

// Counts the objects of the notebook builds that are still alive. Each object carries data
// released only when the object is finalized, so a destroyed widget that something still
// holds a reference to counts as alive (weak references would already fire at destroy).
class BuildWatch {
public:
    // The top table, everything beneath it, internal children included, and the objects
    // the widgets own: tree models, selections, columns, renderers, adjustments, images.
    // Returns how many objects were added.
    long watch(GtkWidget* top)
    {
        const long before = alive_;
        visit(G_OBJECT(top));
        return alive_ - before;
    }
    static bool watched(GtkWidget* top) { return top && g_object_get_data(G_OBJECT(top), kKey) != nullptr; }
    long alive() const { return alive_; }

private:
    static constexpr const char* kKey = "soak-finalize-watch";

    static void finalized(gpointer watch) { --static_cast<BuildWatch*>(watch)->alive_; }
    static void visit_child(GtkWidget* child, gpointer watch) { static_cast<BuildWatch*>(watch)->visit(G_OBJECT(child)); }

    void visit(GObject* object)
    {
        if (!object || g_object_get_data(object, kKey))
            return;
        g_object_set_data_full(object, kKey, this, finalized);
        ++alive_;
        if (GTK_IS_CONTAINER(object))
            gtk_container_forall(GTK_CONTAINER(object), visit_child, this);
        if (GTK_IS_TREE_VIEW(object))
            visit_tree_view(GTK_TREE_VIEW(object));
        if (GTK_IS_SCROLLED_WINDOW(object)) {
            visit(G_OBJECT(gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(object))));
            visit(G_OBJECT(gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(object))));
        }
        if (GTK_IS_PROGRESS_BAR(object))
            visit(G_OBJECT(progress_bar_range(GTK_WIDGET(object))));
        if (GTK_IS_IMAGE(object) && gtk_image_get_storage_type(GTK_IMAGE(object)) == GTK_IMAGE_PIXBUF)
            visit(G_OBJECT(gtk_image_get_pixbuf(GTK_IMAGE(object))));
    }

    void visit_tree_view(GtkTreeView* tree)
    {
        visit(G_OBJECT(gtk_tree_view_get_model(tree)));
        visit(G_OBJECT(gtk_tree_view_get_selection(tree)));
        GList* columns = gtk_tree_view_get_columns(tree);
        for (GList* c = columns; c; c = c->next) {
            visit(G_OBJECT(c->data));
            GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(c->data));
            for (GList* r = cells; r; r = r->next)
                visit(G_OBJECT(r->data));
            g_list_free(cells);
        }
        g_list_free(columns);
    }

    long alive_ = 0;
};

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_test_window();
        option3.syncdisabled = 1;
        option3.audible = 1;
        option3.popup = 1;
        option3.uselogfile = 1;
        copy_event_log_path();
        write_file(syslog, "");
        set_system_log_path(syslog.c_str());
        use_fixed_clock(utc(2023, 12, 6, 20, 30, 0));
        install_simulated_driver(card);
        ASSERT_EQ(gtkReadFile(), 1);
        toplevels_before = toplevel_count();
    }
    void TearDown() override { uninstall_simulated_driver(); }

    void copy_event_log_path()
    {
        const std::string path = dir.file("events.log");
        ASSERT_LT(path.size(), sizeof option3.logfile);
        std::copy(path.begin(), path.end(), option3.logfile);
        option3.logfile[path.size()] = '\0';
    }

    // One second: the card changes, the tick runs, the toolkit handles what the tick asked
    // of it, and the user answers every popup with its OK button.
    void one_second(int tick)
    {
        set_fixed_clock(fixed_clock() + 1);
        scenario.step();
        if (tick % kMemberFlipTicks == 0)
            card.arrays[1].member_mask ^= 0x20;
        card.clear_log(); // as the demo does: the record of driver calls is for protocol tests
        gtkBeepCheck(nullptr);
        const bool built = tabletop && !BuildWatch::watched(tabletop);
        if (built)
            turn_to_next_page();
        drain_events();
        if (built)
            look_at_new_build();
        for (GtkWidget* popup : open_popups()) {
            gtk_button_clicked(GTK_BUTTON(popup_button(popup)));
            ++popups_answered;
        }
    }

    // Each build shows the next page and, on the two tree pages, the information page of
    // an item, so every page is drawn in turn.
    void turn_to_next_page()
    {
        ++builds;
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), static_cast<int>(builds % 3));
    }

    // By the time a build is shown, every object of the earlier builds must be gone.
    void look_at_new_build()
    {
        const int page = gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook));
        if (page < 2) {
            ASSERT_TRUE(select_row(tree_of_page(page), page == 0 ? PageKind::MemberDrive : PageKind::ChannelDrive, 1));
        }
        const long made = watch.watch(tabletop);
        ASSERT_EQ(watch.alive(), made) << "objects of earlier builds still alive after build " << builds;
        if (builds == kBaselineBuilds)
            baseline_kb = resident_kb();
    }

    ScopedWorkDir dir;
    std::string syslog = dir.file("messages");
    SimulatedCard card = make_demo_card();
    DemoScenario scenario{card, syslog};
    BuildWatch watch;
    int toplevels_before = 0;
    long builds = 0;
    long popups_answered = 0;
    long baseline_kb = -1;
};

TEST_F(Soak, HundredThousandTicksOfAChangingCardKeepMemoryWidgetsAndWindows)
{
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 1; tick <= kTicks; ++tick) {
        one_second(tick);
        if (HasFatalFailure())
            return;
    }
    const long final_kb = resident_kb();
    std::printf("[   SOAK   ] %d ticks, %ld notebook builds, %ld popups answered in %.1f s\n", kTicks, builds,
                popups_answered, seconds_since(start));
    std::printf("[   SOAK   ] VmRSS after %d builds %ld kB, after the soak %ld kB (%+ld kB)\n", kBaselineBuilds,
                baseline_kb, final_kb, final_kb - baseline_kb);
    std::fflush(stdout);
    RecordProperty("rss_after_100_builds_kb", std::to_string(baseline_kb));
    RecordProperty("rss_after_soak_kb", std::to_string(final_kb));

    EXPECT_GE(builds, kMinimumBuilds);
    EXPECT_GT(baseline_kb, 0);
    EXPECT_LE(final_kb - baseline_kb, kAllowedGrowthKb);
    EXPECT_EQ(toplevel_count(), toplevels_before);
    EXPECT_GT(bells_rung, 0);
    // Every failure and recovery the card logged reached the user once, in a popup and
    // in the event log.
    const long events = line_count(read_file(syslog));
    EXPECT_GE(events, 2L * (kTicks / DemoScenario::kLength));
    EXPECT_EQ(popups_answered, events);
    EXPECT_EQ(line_count(read_file(dir.file("events.log"))), 2 * events);

    // Closing the main window takes the last build with it.
    gtk_widget_destroy(window);
    window = nullptr;
    clear_build_handles();
    tabletop = notebook = nullptr;
    drain_events();
    EXPECT_EQ(watch.alive(), 0);
}

} // namespace
