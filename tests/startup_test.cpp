#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "monitor/log_watch.h"
#include "simulated_driver.h"
#include "test_support.h"
#include "ui/startup.h"
#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>

namespace {

// What a test does once the program's window is up, from inside the main loop.
std::function<void()> inside_main_loop;

gboolean run_inside(gpointer)
{
    inside_main_loop();
    return G_SOURCE_REMOVE;
}

int run_program_with(SimulatedCard& card, std::function<void()> action)
{
    install_simulated_driver(card);
    inside_main_loop = std::move(action);
    g_idle_add(run_inside, nullptr);
    char name[] = "quorvex-monitor";
    char* argv[] = {name, nullptr};
    return run_monitor(1, argv);
}

GtkWidget* only_child(GtkWidget* container)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(container));
    GtkWidget* child = children && !children->next ? GTK_WIDGET(children->data) : nullptr;
    g_list_free(children);
    return child;
}

} // namespace

TEST(Startup, CardAnsweringOpensTheEmptyMainWindow)
{
    ScopedWorkDir dir;
    ensure_gtk();
    SimulatedCard card;
    bool checked = false;
    const int status = run_program_with(card, [&] {
        ASSERT_NE(window, nullptr);
        EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "Quorvex Monitor Utility V1.20 Build8");
        int width = 0, height = 0;
        gtk_widget_get_size_request(window, &width, &height);
        EXPECT_EQ(width, 640);
        EXPECT_EQ(height, 480);
        EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(window)), 5u);
        EXPECT_TRUE(gtk_widget_get_visible(window));
        checked = true;
        // The window's close request ends the main loop.
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(card.all_closed());
    EXPECT_EQ(card.requests_with_code(0x3807).size(), 1u);
}

TEST(Startup, NoDriverShowsTheSingleButtonThatEndsTheProgram)
{
    ScopedWorkDir dir;
    ensure_gtk();
    SimulatedCard card;
    card.fail_version = true;
    bool clicked = false;
    const int status = run_program_with(card, [&] {
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(window)), nullptr);
        EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(window)), 100u);
        int width = 0, height = 0;
        gtk_widget_get_size_request(window, &width, &height);
        EXPECT_EQ(width, 640);
        EXPECT_EQ(height, 480);
        GtkWidget* button = only_child(window);
        ASSERT_TRUE(button && GTK_IS_BUTTON(button));
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(button)), "No Halvoren Card Detected Or No compatible driver");
        EXPECT_TRUE(gtk_widget_get_visible(button));
        card.clear_log();
        clicked = true;
        gtk_button_clicked(GTK_BUTTON(button));
    });
    EXPECT_TRUE(clicked);
    EXPECT_EQ(status, 0);
    // Nothing polls the driver once the no-card window is up.
    EXPECT_TRUE(card.events.empty());
}

// A card that cannot be reached gets the no-card window and one line on stderr saying why.
TEST(Startup, UnreachableCardShowsNoCardAndSaysWhyOnStderr)
{
    struct Case {
        bool fail_open;
        int error;
        const char* line;
    };
    const Case cases[] = {
        {true, EACCES, "quorvex-monitor: cannot open /dev/sda: Permission denied (run as root or as a member of group disk)\n"},
        {true, ENOENT, "quorvex-monitor: cannot open /dev/sda: No such file or directory\n"},
        {false, ENOTTY, "quorvex-monitor: no answer to the version request on /dev/sda: Inappropriate ioctl for device "
                        "(no Halvoren card or no compatible driver)\n"},
    };
    ScopedWorkDir dir;
    ensure_gtk();
    for (const Case& c : cases) {
        SimulatedCard card;
        card.fail_open = c.fail_open;
        card.fail_version = !c.fail_open;
        card.open_errno = card.version_errno = c.error;
        std::string label;
        testing::internal::CaptureStderr();
        run_program_with(card, [&] {
            GtkWidget* button = only_child(window);
            label = button && GTK_IS_BUTTON(button) ? gtk_button_get_label(GTK_BUTTON(button)) : "";
            delete_handler();
        });
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
        EXPECT_EQ(label, "No Halvoren Card Detected Or No compatible driver");
        gtk_widget_destroy(window);
    }
}

TEST(Startup, StateBeforeTheFirstScan)
{
    PageInfo[0] = 2;
    PageInfo[4] = 7;
    arrayrebuilddisk[0] = 4;
    globalhour[0] = '1';
    prepare_startup_state();
    for (int k = 0; k < 32; ++k) {
        EXPECT_EQ(astring[k][0], static_cast<char>(k));
        EXPECT_EQ(astring[k][1], '\0');
    }
    EXPECT_STREQ(astring[0], "");
    EXPECT_EQ(std::string(astring[31]), std::string(1, '\x1f'));
    for (int value : PageInfo)
        EXPECT_EQ(value, 0);
    EXPECT_EQ(arrayrebuilddisk[0], 0);
    EXPECT_EQ(globalhour[0], '\0');
    EXPECT_EQ(rebuilding_drive_mask(), 0);
}

TEST(Startup, SettingsAreLoadedBeforeTheToolkitStarts)
{
    ScopedWorkDir dir;
    std::string record(340, '\0');
    record.replace(0, 8, "from.log");
    write_file(dir.file("quorvex.conf"), record);
    SimulatedCard card;
    card.fail_version = true;
    bool seen = false;
    ensure_gtk();
    run_program_with(card, [&] {
        seen = true;
        delete_handler();
    });
    EXPECT_TRUE(seen);
    EXPECT_STREQ(option3.logfile, "from.log");
}
