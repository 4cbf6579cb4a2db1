#include "live_window_support.h"

#include "demo_card.h"
#include "driver/driver_records.h"
#include "inventory/inventory_scan.h"
#include "ui/event_popup.h"
#include "ui/monitor_tick.h"
#include "ui/rebuild_progress.h"
#include "ui/startup.h"

#include <cerrno>
#include <cstdio>
#include <set>
#include <tuple>

// How many of the 14 line places of a text area (baselines 20, 40, ...) show ink on the screen.
static int lines_on_screen(GtkWidget* area)
{
    const int width = std::min(300, gtk_widget_get_allocated_width(area));
    const int height = std::min(286, gtk_widget_get_allocated_height(area));
    g_autoptr(GdkPixbuf) shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(area), 0, 0, width, height);
    const guchar* pixels = shot ? gdk_pixbuf_get_pixels(shot) : nullptr;
    std::set<int> inked;
    for (int y = 6; pixels && y < height; ++y)
        for (int x = 0; x < width; ++x) // black text on white: the red byte tells
            if (pixels[y * gdk_pixbuf_get_rowstride(shot) + x * gdk_pixbuf_get_n_channels(shot)] < 128)
                inked.insert((y - 6) / 20);
    return static_cast<int>(inked.size());
}

TEST_F(WindowTest, TreesListWhatTheScanFoundAndEachRowShowsItsPage)
{
    std::memset(arraydisknames, '&', sizeof arraydisknames); // no drive anywhere but those named below
    std::memset(channeldisknames, '&', sizeof channeldisknames);
    for (auto [name, text] : {std::pair{arraynames[0], "Array 1"}, {arraydisknames[0], "QV-A"}, {arraydisknames[1], "QV-B"},
                              {arraynames[1], "array 2"}, {arraydisknames[12], "QV-HIDDEN"}, {arraynames[3], "Array 4"},
                              {controllernames[0], "Halvoren 1"}, {channelnames[0][0], "Channel 1"}, {channelnames[0][1], "Channel 2"},
                              {channeldisknames[1], "QV-B"}, {channeldisknames[3], "QV-\xff"}, {channeldisknames[4], "QV-E"}})
        std::strcpy(name, text);
    std::memcpy(controllernames[1], "H\0lvoren 2", 11); // one character is no controller's name
    for (auto [lines, count, tag] : {std::tuple{arrayinfo[0], kArrayLines, 'A'}, {arraydiskinfo[1], kDriveLines, 'M'},
                                     {controllerinfo[0], kControllerLines, 'C'}, {channelinfo[0], 4, 'H'}, {channeldiskinfo[3], kDriveLines, 'D'}})
        for (int k = 0; k < count; ++k)
            std::snprintf(lines[k], kLineSize, "%c line %d", tag, k);
    initgraph();
    // Only arrays named "A...", with their members; odd bytes stay readable.
    EXPECT_EQ(describe_tree(treearray), "Array 1<0:0> -QV-A<1:0> -QV-B<1:1> Array 4<0:3> ");
    EXPECT_EQ(describe_tree(tree_of_page(1)), "Halvoren 1<2:0> -Channel 1<3:0> --QV-B<4:1> -Channel 2<3:1> --QV-\xef\xbf\xbd<4:3> ");

    // Each row draws its lines (read out by assistive technologies with the row's name).
    const auto told = [](std::string text, char tag, std::initializer_list<int> lines) {
        for (int k : lines)
            text += (k == *lines.begin() ? ":" : "\n") + std::string(1, tag) + " line " + std::to_string(k);
        return text;
    };
    const auto drive = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    const std::tuple<PageKind, int, std::string, int> cases[] = {
        {PageKind::ArraySummary, 0, told("Array 1", 'A', {0, 2, 3, 4, 5, 6}), 6}, // line 1 is never written
        {PageKind::ArraySummary, 3, "Array 4:\n\n\n\n\n", 0}, // its empty page replaces the drawn one
        {PageKind::MemberDrive, 1, told("QV-B", 'M', drive), 14},
        {PageKind::Controller, 0, told("Halvoren 1", 'C', {0, 1, 2, 3, 4}), 5},
        {PageKind::Channel, 1, told("Channel 2", 'H', {2, 3}), 2},
        {PageKind::ChannelDrive, 3, told("QV-\xef\xbf\xbd", 'D', drive), 14},
    };
    for (const auto& [kind, index, text, lines] : cases) {
        SCOPED_TRACE(text);
        const int page = kind >= PageKind::Controller;
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), page);
        GtkWidget* area = page ? draw_area2 : draw_area;
        ASSERT_TRUE(settle_until([&] { return (page ? pixmap2 : pixmap) && gtk_widget_get_mapped(area); }));
        EXPECT_GE(gtk_widget_get_allocated_width(area), 300);
        settle_until([frames = 0]() mutable { return ++frames > 5; }); // due redraws first: then only the choice redraws
        ASSERT_TRUE(select_row(tree_of_page(page), kind, index));
        AtkObject* accessible = gtk_widget_get_accessible(area);
        EXPECT_EQ(std::string(atk_object_get_name(accessible)) + ":" + atk_object_get_description(accessible), text);
        EXPECT_TRUE(settle_until([&] { return lines_on_screen(area) == lines; })) << lines_on_screen(area);
    }
}

// Arrays rebuilt at once by the scripted card, each step scanned, checked for a changed
// state (which rebuilds the notebook) and refreshed: each rebuilding drive has its bar.
TEST_F(WindowTest, RebuildBarsFollowTheRebuildingDrives)
{
    const auto step = [&](std::uint8_t status0, std::uint32_t progress0, std::uint16_t mask0, std::uint8_t status1, std::uint32_t progress1, std::uint32_t size1, std::uint16_t mask1) {
        card.arrays[0] = {1, status0, 1, 1024, 16, 63, 100, progress0, 0x03, mask0, std::uint8_t(mask0)};
        card.arrays[1] = {2, status1, 1, 1024, 16, 63, size1, progress1, 0x30, mask1, std::uint8_t(mask1)};
        gtkReadFile();
        gtkInitGraph();
        gtkRebuild();
        std::string text;
        for (auto [label, bar] : {std::pair{barlabel1, pbar1}, {barlabel2, pbar2}})
            text += shown(label) && shown(bar) ? label_text(label).substr(18, 1) + " " + bar_text(bar) + "|" : shown(label) || shown(bar) ? "?|" : "-|";
        return text;
    };
    EXPECT_EQ(step(0x22, 30, 0x02, 0x22, 700, 1000, 0x20), "1 30%|2 70%|");
    // Array 1's rebuild ends, array 2's goes on: bar 1 goes at once, and stays gone.
    EXPECT_EQ(step(0x22, 50, 0, 0x22, 800, 1000, 0x20), "-|2 80%|");
    EXPECT_EQ(step(15, 50, 0, 0x22, 800, 1000, 0x20), "-|2 80%|");
    // Counters past the size or negative, or no size at all.
    EXPECT_EQ(step(15, 0, 0, 0x22, 0x7FFFFFFF, 1000, 0x20), "-|2 100%|");
    EXPECT_EQ(step(15, 0, 0, 0x22, 0xFFFFFFFF, 1000, 0x20), "-|2 0%|");
    EXPECT_EQ(step(0x22, 20, 0x02, 0x22, 10, 0, 0x20), "1 20%|2 0%|");
    EXPECT_EQ(step(15, 0, 0, 15, 0, 1000, 0), "-|-|");
    // A drive that rebuilds again has its bar back with the new figure.
    EXPECT_EQ(step(0x22, 10, 0x02, 15, 0, 1000, 0), "1 10%|-|");
}

// Every tick rings the bell while an array is not functional and the audible prompt is
// on; change detection runs on even counts, the rebuild refresh on multiples of 5 and the
// scan on multiples of 8 of a count running 1..39. A change (every sixth count: an array
// deleted, one created, a member leaving, all back) is scanned before the rebuild, so the
// trees show the card as it is at once.
TEST_F(WindowTest, TickCadenceBellAndTreesAfterEachChange)
{
    card = make_demo_card();
    card.arrays[0] = {1, 0x22, 1, 1024, 16, 63, 500, 100, 0x03, 0x02, 0x02}; // rebuilding drive 2
    const SimArray stripe = card.arrays[1];
    option3.audible = 1;
    gtkReadFile();
    gtkInitGraph();
    const std::string pad(24, ' '), tk064 = "-TELLMARK TK064A" + pad, tk045 = "-TELLMARK TK045A" + pad;
    const std::string pair1 = "Array 1<0:0> " + tk064 + "<1:0> " + tk064 + "<1:1> ", array4 = "Array 4<0:3> " + tk045 + "<1:28> " + tk045 + "<1:29> ";
    const std::pair<std::function<void()>, std::string> changes[] = {
        {[&] { card.arrays[1] = {}; }, pair1},
        {[&] { card.arrays[3] = stripe, card.arrays[3].number = 4; }, pair1 + array4},
        {[&] { card.arrays[0].member_mask = 0x02; }, "Array 1<0:0> " + tk064 + "<1:1> " + array4},
        {[&] { card.arrays[0].member_mask = 0x03, card.arrays[1] = stripe, card.arrays[3] = {}; }, pair1 + "Array 2<0:1> " + tk045 + "<1:12> " + tk045 + "<1:13> "},
    };
    std::string seen, expected;
    for (int tick = 1, k = 0; tick <= 80; ++tick) {
        const int count = (tick - 1) % 39 + 1;
        const bool changed = count % 6 == 0;
        if (changed)
            changes[k % 4].first();
        g_object_set_data(G_OBJECT(tabletop), "old", tabletop); // a rebuilt table has no mark
        gtk_widget_hide(pbar1);
        card.clear_log();
        EXPECT_TRUE(gtkBeepCheck(nullptr));
        seen += std::string(g_object_get_data(G_OBJECT(tabletop), "old") ? "" : "c") + (shown(pbar1) ? "r" : "") +
                (card.requests_with_code(kRequestVersion).empty() ? "" : "s") + (changed ? describe_tree(treearray) : "") + " ";
        expected += std::string(changed ? "c" : "") + (count % 5 ? "" : "r") + (changed || count % 8 == 0 ? "s" : "") + (changed ? changes[k++ % 4].second : "") + " ";
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(bells_rung, 80);
}

// What a screen reader says of a control: its name, "<" the name of the widget labelling
// it, and a bar's value in percent.
static std::string read_out(GtkWidget* widget)
{
    AtkObject* object = gtk_widget_get_accessible(widget);
    g_autoptr(AtkRelationSet) relations = atk_object_ref_relation_set(object);
    AtkRelation* by = atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY);
    std::string out = atk_object_get_name(object) + std::string(by ? "<" : "") + (by ? atk_object_get_name(ATK_OBJECT(g_ptr_array_index(atk_relation_get_target(by), 0))) : "");
    double value = 0;
    g_autofree gchar* value_text = nullptr;
    if (GTK_IS_PROGRESS_BAR(widget))
        atk_value_get_value_and_text(ATK_VALUE(object), &value, &value_text), out += "=" + std::to_string(int(value * 100 + 0.5));
    return out + "|";
}

// A screen reader reads what comes and goes as it is told of it.
static void read_name(AtkObject*, guint, AtkObject* child) { ATK_IS_OBJECT(child) && atk_object_get_name(child); }

// The window as a screen reader reads it, across rebuilds (no warning or critical): bytes
// that are no UTF-8 in a popup and the entries, a name for each control.
TEST_F(WindowTest, AScreenReaderReadsEveryControlByName)
{
    gtkReadFile();
    PowerManage[0][0] = PowerManage[5][0] = 1;
    SettingsRecord record = default_record();
    record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.logfile, "/var/log/\xfe.log");
    std::strcpy(record.password, "pw\xff");
    start_with(record);
    hold_popups(); // as start-up does during the first scan, until the main window is shown
    report_event_in_window("HALVOREN|drive \xff failed");
    EXPECT_TRUE(open_popups().empty());
    release_popups();
    EXPECT_EQ(label_text(popup_label(open_popups().at(0))), "HALVOREN|drive \xef\xbf\xbd failed");
    std::tie(arrayrebuildinfo[1][0], arrayrebuildinfo[1][1], arrayrebuildinfo[1][2], rebuilding_drive_mask()) = std::tuple(50, 100, 0x30, 0x20);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 2); // a rebuild keeps the page showing
    for (int rebuild = 0; rebuild < 3; ++rebuild) {
        AtkObject* tabs = gtk_widget_get_accessible(notebook); // the reader knows the pages, and hears of their going
        for (int k = 0; k < atk_object_get_n_accessible_children(tabs); ++k)
            g_object_unref(atk_object_ref_accessible_child(tabs, k));
        g_signal_connect(tabs, "children-changed", G_CALLBACK(read_name), nullptr);
        initgraph();
        gtkRebuild();
        g_autoptr(GList) parts = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(filenamebar)));
        const std::string bar = "Rebuilding Array #2 synchronization in progress", master = "Halvoren 1 Channel 1 Master:";
        EXPECT_EQ(read_out(PowerButton0) + read_out(PowerButton5) + read_out(GTK_WIDGET(g_list_last(parts)->data)) + read_out(filenamebar) +
                      read_out(passwordbar) + read_out(pbar1) + text_of(filenamebar) + " " + text_of(passwordbar) + " " +
                      std::to_string(gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook))),
                  master + "<" + master + "    |Halvoren 2 Channel 1 Slave:<Halvoren 2 Channel 1 Slave:     |Choose log file|Log file<Use log file|"
                  "Password<Enable password|" + bar + "<" + bar + "=50|/var/log/\xef\xbf\xbd.log pw\xef\xbf\xbd 2");
    }
}

// A card that cannot be reached gets the no-card window, whose button ends the program,
// and one line on stderr saying why. The settings file is loaded first either way.
TEST(Startup, MainWindowOrNoCardWindow)
{
    const char* no_card = "No Halvoren Card Detected Or No compatible driver";
    const std::tuple<bool, int, std::string> cases[] = {
        {false, 0, ""},
        {true, EACCES, "cannot open /dev/sda: Permission denied (run as root or as a member of group disk); the system "
                       "service org.quorvex.Monitor1 is not running (sudo systemctl enable --now quorvex-monitor)"},
        {false, ENOTTY, "no answer to the version request on /dev/sda: Inappropriate ioctl for device (no Halvoren card or no compatible driver)"},
    };
    ScopedWorkDir dir;
    SettingsRecord record = default_record();
    std::strcpy(record.logfile, "/var/log/from-file.log");
    write_file(dir.file("quorvex.conf"), bytes_of(record));
    for (const auto& [fail_open, error, why] : cases) {
        SCOPED_TRACE(why);
        SimulatedCard card = make_demo_card();
        (fail_open ? card.fail_open : card.fail_version) = error != 0;
        card.open_errno = card.version_errno = error;
        install_simulated_driver(card);
        static std::function<void()> inside;
        std::string seen;
        inside = [&] {
            seen = std::to_string(gtk_container_get_border_width(GTK_CONTAINER(window))) + " " + shown_texts(window);
            if (GtkWidget* button = button_labelled(window, no_card))
                return gtk_button_clicked(GTK_BUTTON(button));
            gtkInitGraph(); // the first tick builds the notebook
            ASSERT_TRUE(select_row(tree_of_page(1), PageKind::ChannelDrive, 1));
            EXPECT_EQ(PageInfo[3] * 10 + PageInfo[4], 11) << "the row shows its own drive";
            click(tabletop, "close"); // ends the program
        };
        g_idle_add(+[](gpointer) { inside(); return G_SOURCE_REMOVE; }, nullptr);
        char name[] = "quorvex-monitor", *argv[] = {name, nullptr};
        testing::internal::CaptureStderr();
        EXPECT_EQ(run_monitor(1, argv), 0);
        EXPECT_EQ(g_source_remove_by_funcs_user_data(&g_timeout_funcs, nullptr), why.empty()) << "the main window's tick";
        EXPECT_EQ(testing::internal::GetCapturedStderr(), why.empty() ? "" : "quorvex-monitor: " + why + "\n");
        EXPECT_EQ(seen, why.empty() ? "5 Quorvex Monitor Utility V1.20 Build8:" : "100 " + std::string(no_card)); // border, title or button
        EXPECT_STREQ(option3.logfile, "/var/log/from-file.log");
    }
}
