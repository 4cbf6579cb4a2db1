#include "live_window_support.h"

#include "demo_card.h"
#include "inventory/inventory_tables.h"
#include "ui/main_notebook.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <cerrno>
#include <cstring>

namespace {

// Runs the program on the card; `action` runs inside its main loop once the window is up.
int run_program_with(SimulatedCard& card, std::function<void()> action)
{
    ensure_gtk();
    install_simulated_driver(card);
    static std::function<void()> inside;
    inside = std::move(action);
    g_idle_add(+[](gpointer) { inside(); return G_SOURCE_REMOVE; }, nullptr);
    char name[] = "quorvex-monitor";
    char* argv[] = {name, nullptr};
    return run_monitor(1, argv);
}

} // namespace

TEST(Startup, CardAnsweringOpensTheMainWindow)
{
    ScopedWorkDir dir;
    SimulatedCard card = make_demo_card();
    std::memset(astring, 0, sizeof astring); // as in a fresh process
    std::string title;
    const int status = run_program_with(card, [&] {
        title = gtk_window_get_title(GTK_WINDOW(window));
        EXPECT_TRUE(shown(window));
        gtkInitGraph(); // the first tick builds the notebook
        ASSERT_TRUE(select_row(tree_of_page(1), PageKind::ChannelDrive, 1));
        EXPECT_EQ(PageInfo[3] * 10 + PageInfo[4], 11) << "the row shows its own drive";
        // The window's close request ends the main loop.
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
        gtk_main_do_event(event);
        gdk_event_free(event);
    });
    EXPECT_EQ(title, "Quorvex Monitor Utility V1.20 Build8");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(card.all_closed());
}

// A card that cannot be reached gets the no-card window, whose button ends the program,
// and one line on stderr saying why; the settings are loaded all the same.
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
    SettingsRecord record = default_record();
    std::strcpy(record.logfile, "/var/log/from-file.log");
    write_file(dir.file("quorvex.conf"), bytes_of(record));
    for (const Case& c : cases) {
        SimulatedCard card;
        card.fail_open = c.fail_open;
        card.fail_version = !c.fail_open;
        card.open_errno = card.version_errno = c.error;
        std::string shown;
        testing::internal::CaptureStderr();
        const int status = run_program_with(card, [&] {
            shown = std::to_string(gtk_container_get_border_width(GTK_CONTAINER(window))) + " " + shown_texts(window);
            card.clear_log();
            click(window, "No Halvoren Card Detected Or No compatible driver");
        });
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.line);
        EXPECT_EQ(shown, "100 No Halvoren Card Detected Or No compatible driver");
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(card.events.empty()) << "nothing polls the driver";
        EXPECT_STREQ(option3.logfile, "/var/log/from-file.log");
        gtk_widget_destroy(window);
    }
}
