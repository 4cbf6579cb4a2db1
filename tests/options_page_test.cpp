#include "options_fixture.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "ui/widget_registry.h"

#include <cstring>

namespace {

GtkWidget* frame_titled(GtkWidget* page, const char* title)
{
    for (GtkWidget* w : descendants(page))
        if (GTK_IS_FRAME(w) && std::strcmp(gtk_frame_get_label(GTK_FRAME(w)), title) == 0)
            return w;
    return nullptr;
}

// left, top, height of a child of the page table.
std::vector<int> cell_of(GtkWidget* page, GtkWidget* child)
{
    int left = -1, top = -1, height = -1;
    gtk_container_child_get(GTK_CONTAINER(page), child, "left-attach", &left, "top-attach", &top, "height", &height,
                            nullptr);
    return {left, top, height};
}

std::string position_label(int position)
{
    std::string label = "Halvoren " + std::to_string(1 + position / 4) + " Channel " +
                        std::to_string(1 + position % 4 / 2) + (position % 2 ? " Slave:" : " Master:");
    return label + std::string(32 - label.size(), ' ');
}

// Counts emissions of a signal that would reach a connected handler.
gboolean count_handled(GSignalInvocationHint* hint, guint, const GValue* params, gpointer counter)
{
    if (g_signal_has_handler_pending(g_value_get_object(&params[0]), hint->signal_id, hint->detail, FALSE))
        ++*static_cast<int*>(counter);
    return TRUE;
}

} // namespace

TEST_F(OptionsPageTest, DefaultPageWithoutSettingsFile)
{
    start_without_file();
    build_page();
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(book), page()), "Option");
    for (GtkWidget* check : {beepbutton, popupbutton, passwordbutton, button_labelled(page(), "Use log file")})
        EXPECT_FALSE(active(check));
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(filenamebar)), 99);
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(passwordbar)), 55);
    EXPECT_EQ(std::string(gtk_button_get_label(GTK_BUTTON(beepbutton))), "Enable audible prompt" + std::string(38, ' '));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(popupbutton)), "Popup message box");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(passwordbutton)), "Enable password");

    EXPECT_EQ(cell_of(page(), frame_titled(page(), "Notification")), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(cell_of(page(), frame_titled(page(), "Power Manage")), (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(cell_of(page(), frame_titled(page(), "Password")), (std::vector<int>{0, 1, 1}));
    GtkWidget* apply_row = gtk_widget_get_parent(button_labelled(page(), "Apply"));
    EXPECT_EQ(cell_of(page(), apply_row), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(label_texts(apply_row), (std::vector<std::string>{"    ", "Apply"}));
    EXPECT_EQ(label_texts(gtk_grid_get_child_at(GTK_GRID(page()), 1, 0)), std::vector<std::string>{"      "});

    const std::string spacer(69, ' ');
    std::vector<std::string> expected{spacer};
    for (int position = 0; position < 8; ++position) {
        expected.insert(expected.end(), {position_label(position), "None", position == 7 ? "" : spacer});
        if (position == 3)
            expected.push_back(spacer);
        EXPECT_EQ(power_button(position), nullptr);
    }
    EXPECT_EQ(label_texts(gtk_bin_get_child(GTK_BIN(frame_titled(page(), "Power Manage")))), expected);
}

TEST_F(OptionsPageTest, EntriesHoldTheirTextsShownOrHidden)
{
    SettingsRecord record = default_record();
    std::strcpy(record.logfile, "/var/log/raid-events.log");
    std::strcpy(record.password, "s3cret");
    start_with(record);
    build_page();
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_EQ(text_of(filenamebar), "/var/log/raid-events.log");
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_TRUE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    EXPECT_EQ(text_of(passwordbar), "s3cret");

    option3.uselogfile = option3.usepassword = 1;
    rebuild_page();
    EXPECT_TRUE(active(button_labelled(page(), "Use log file")));
    EXPECT_TRUE(shown(filenamebar));
    EXPECT_TRUE(active(passwordbutton));
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    EXPECT_EQ(text_of(passwordbar), "s3cret");

    // Loaded texts without a terminator are read up to their field's end only.
    std::memset(option3.logfile, 'L', sizeof option3.logfile);
    std::memset(option3.password, 'P', sizeof option3.password);
    rebuild_page();
    EXPECT_EQ(text_of(filenamebar), std::string(99, 'L'));
    EXPECT_EQ(text_of(passwordbar), std::string(55, 'P'));
}

TEST_F(OptionsPageTest, EachPowerRowShowsItsState)
{
    start_without_file();
    PowerManage[0][0] = 1, PowerManage[0][1] = 1;
    PowerManage[5][0] = 1, PowerManage[5][1] = 0;
    PowerManage[6][0] = 0, PowerManage[6][1] = 0;
    SystemBusy = 1;
    build_page();
    ASSERT_NE(PowerButton0, nullptr);
    EXPECT_TRUE(active(PowerButton0));
    int width = 0, height = 0;
    gtk_widget_get_size_request(PowerButton0, &width, &height);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(12, 8));
    ASSERT_NE(PowerButton5, nullptr);
    EXPECT_FALSE(active(PowerButton5));
    for (int position = 0; position < 8; ++position) {
        // Each label sits in its own position's row.
        GtkWidget* row = gtk_widget_get_parent(power_label(position));
        const char* state = position == 0 ? "Power On   " : position == 5 ? "Power Off   " : "System Busy";
        EXPECT_EQ(label_texts(row), (std::vector<std::string>{position_label(position), state}));
        EXPECT_EQ(power_button(position) != nullptr, position == 0 || position == 5);
    }
}

TEST_F(OptionsPageTest, BuildingRunsNoHandler)
{
    SettingsRecord record = default_record();
    record.audible = record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.password, "pw");
    start_with(record);
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
    for (GtkWidget* check : {beepbutton, popupbutton, passwordbutton, PowerButton0, PowerButton7})
        EXPECT_TRUE(active(check));
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_TRUE(card.requests().empty());
}
