#include "options_fixture.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <algorithm>
#include <cstring>

namespace {

GtkWidget* option_page(GtkWidget* book) { return gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0); }

GtkWidget* frame_titled(GtkWidget* page, const char* title)
{
    for (GtkWidget* w : descendants(page))
        if (GTK_IS_FRAME(w) && std::strcmp(gtk_frame_get_label(GTK_FRAME(w)), title) == 0)
            return w;
    return nullptr;
}

struct Cell {
    int left, top, width, height;
};

Cell cell_of(GtkWidget* page, GtkWidget* child)
{
    Cell c{};
    gtk_container_child_get(GTK_CONTAINER(page), child, "left-attach", &c.left, "top-attach", &c.top, "width",
                            &c.width, "height", &c.height, nullptr);
    return c;
}

// Counts emissions that reach a connected handler of the given toggle-button signal.
gboolean count_handled(GSignalInvocationHint* hint, guint, const GValue* params, gpointer counter)
{
    auto instance = g_value_get_object(&params[0]);
    if (g_signal_has_handler_pending(instance, hint->signal_id, hint->detail, FALSE))
        ++*static_cast<int*>(counter);
    return TRUE;
}

} // namespace

TEST_F(OptionsPageTest, DefaultPageWithoutSettingsFile)
{
    load_settings();
    build_page();
    GtkWidget* page = option_page(book);
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(book), page), "Option");

    for (GtkWidget* check : {beepbutton, popupbutton, passwordbutton})
        EXPECT_FALSE(active(check));
    GtkWidget* uselog = button_labelled(page, "Use log file");
    ASSERT_NE(uselog, nullptr);
    EXPECT_FALSE(active(uselog));
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(filenamebar)), 99);
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(passwordbar)), 55);

    const std::string audible = gtk_button_get_label(GTK_BUTTON(beepbutton));
    EXPECT_EQ(audible, "Enable audible prompt" + std::string(38, ' '));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(popupbutton)), "Popup message box");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(passwordbutton)), "Enable password");

    // Sections at their cells: column 0 Notification over Password, Power Manage over
    // rows 0 and 1 of column 2, the Apply row in row 3.
    auto notification = cell_of(page, frame_titled(page, "Notification"));
    auto power = cell_of(page, frame_titled(page, "Power Manage"));
    auto password = cell_of(page, frame_titled(page, "Password"));
    EXPECT_EQ((std::vector<int>{notification.left, notification.top, notification.height}), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ((std::vector<int>{power.left, power.top, power.height}), (std::vector<int>{2, 0, 2}));
    EXPECT_EQ((std::vector<int>{password.left, password.top, password.height}), (std::vector<int>{0, 1, 1}));
    GtkWidget* apply_row = gtk_widget_get_parent(button_labelled(page, "Apply"));
    auto apply = cell_of(page, apply_row);
    EXPECT_EQ(apply.left, 2);
    EXPECT_EQ(apply.top, 3);
    EXPECT_EQ(label_texts(apply_row, false), (std::vector<std::string>{"    ", "Apply"}));
    EXPECT_EQ(label_texts(gtk_grid_get_child_at(GTK_GRID(page), 1, 0), false), std::vector<std::string>{"      "});

    // The power section: spacers of 69 blanks, 32-character position labels, "None" rows.
    const std::string spacer(69, ' ');
    std::vector<std::string> expected{spacer};
    for (int position = 0; position < 8; ++position) {
        std::string label = "Halvoren " + std::to_string(1 + position / 4) + " Channel " +
                            std::to_string(1 + position % 4 / 2) + (position % 2 ? " Slave:" : " Master:");
        expected.push_back(label + std::string(32 - label.size(), ' '));
        expected.push_back("None");
        expected.push_back(position == 7 ? "" : spacer);
        if (position == 3)
            expected.push_back(spacer);
    }
    EXPECT_EQ(label_texts(gtk_bin_get_child(GTK_BIN(frame_titled(page, "Power Manage"))), false), expected);
    for (int position = 0; position < 8; ++position) {
        EXPECT_EQ(power_button(position), nullptr);
        EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(power_label(position))), "None");
    }
}

TEST_F(OptionsPageTest, LogFileEntryFollowsUseLogFile)
{
    SettingsRecord record = default_record();
    std::strcpy(record.logfile, "/var/log/raid-events.log");
    store_settings(record);
    load_settings();
    build_page();
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_EQ(text_of(filenamebar), "/var/log/raid-events.log");

    record.uselogfile = 1;
    store_settings(record);
    load_settings();
    rebuild_page();
    EXPECT_TRUE(active(button_labelled(option_page(book), "Use log file")));
    EXPECT_TRUE(shown(filenamebar));
    EXPECT_EQ(text_of(filenamebar), "/var/log/raid-events.log");
}

TEST_F(OptionsPageTest, UnterminatedLoadedTextsStayInTheirFields)
{
    SettingsRecord record = default_record();
    std::memset(record.logfile, 'L', sizeof record.logfile);
    std::memset(record.password, 'P', sizeof record.password);
    record.usepassword = 1;
    store_settings(record);
    load_settings();
    build_page();
    EXPECT_EQ(text_of(filenamebar), std::string(99, 'L'));
    EXPECT_EQ(text_of(passwordbar), std::string(55, 'P'));
}

TEST_F(OptionsPageTest, EnabledPasswordIsShownMasked)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "s3cret");
    record.usepassword = 1;
    store_settings(record);
    load_settings();
    build_page();
    EXPECT_TRUE(active(passwordbutton));
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    EXPECT_EQ(text_of(passwordbar), "s3cret");

    // Protection off: the entry holds the password, hidden and unmasked.
    option3.usepassword = 0;
    rebuild_page();
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_TRUE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    EXPECT_EQ(text_of(passwordbar), "s3cret");
}

TEST_F(OptionsPageTest, EachPowerRowShowsItsState)
{
    load_settings();
    PowerManage[0][0] = 1, PowerManage[0][1] = 1;
    PowerManage[5][0] = 1, PowerManage[5][1] = 0;
    PowerManage[6][0] = 0, PowerManage[6][1] = 0;
    SystemBusy = 1;
    build_page();

    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(PowerLabel0)), "Power On   ");
    ASSERT_NE(PowerButton0, nullptr);
    EXPECT_TRUE(active(PowerButton0));
    int width = 0, height = 0;
    gtk_widget_get_size_request(PowerButton0, &width, &height);
    EXPECT_EQ(width, 12);
    EXPECT_EQ(height, 8);
    EXPECT_EQ(gtk_widget_get_parent(PowerButton0), gtk_widget_get_parent(PowerLabel0));

    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(PowerLabel5)), "Power Off   ");
    ASSERT_NE(PowerButton5, nullptr);
    EXPECT_FALSE(active(PowerButton5));

    for (int position : {1, 2, 3, 4, 6, 7}) {
        EXPECT_EQ(power_button(position), nullptr);
        EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(power_label(position))), "System Busy");
    }
    // Every label sits in its own position's row.
    for (int position = 0; position < 8; ++position) {
        auto row = label_texts(gtk_widget_get_parent(power_label(position)), false);
        EXPECT_EQ(row.front().substr(0, 28), std::string("Halvoren ") + char('1' + position / 4) + " Channel " +
                                                 char('1' + position % 4 / 2) + (position % 2 ? " Slave: " : " Master:"));
    }
}

TEST_F(OptionsPageTest, BuildingRunsNoHandler)
{
    SettingsRecord record = default_record();
    record.audible = record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.password, "pw");
    store_settings(record);
    load_settings();
    for (auto& entry : PowerManage)
        entry[0] = entry[1] = 1;

    int handled = 0;
    g_type_class_ref(GTK_TYPE_TOGGLE_BUTTON);
    const guint toggled = g_signal_lookup("toggled", GTK_TYPE_TOGGLE_BUTTON);
    const guint clicked = g_signal_lookup("clicked", GTK_TYPE_BUTTON);
    const gulong toggled_hook = g_signal_add_emission_hook(toggled, 0, count_handled, &handled, nullptr);
    const gulong clicked_hook = g_signal_add_emission_hook(clicked, 0, count_handled, &handled, nullptr);
    build_page();
    g_signal_remove_emission_hook(toggled, toggled_hook);
    g_signal_remove_emission_hook(clicked, clicked_hook);

    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(active(beepbutton));
    EXPECT_TRUE(active(popupbutton));
    EXPECT_TRUE(active(passwordbutton));
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    for (int position = 0; position < 8; ++position)
        EXPECT_TRUE(active(power_button(position)));
    EXPECT_TRUE(card.requests().empty());
}

TEST_F(OptionsPageTest, RebuildKeepsRecordAndDropsTypedText)
{
    load_settings();
    option3.uselogfile = 1;
    build_page();
    set_active(beepbutton, true);
    gtk_entry_set_text(GTK_ENTRY(filenamebar), "typed-only.log");
    rebuild_page();
    EXPECT_TRUE(active(beepbutton));
    EXPECT_EQ(option3.audible, 1u);
    EXPECT_EQ(text_of(filenamebar), "");
    EXPECT_EQ(gtk_notebook_get_n_pages(GTK_NOTEBOOK(book)), 1);
}
