#include "event_test_support.h"
#include "live_window_support.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "ui/notification_options.h"
#include "ui/password_protection.h"
#include "ui/widget_registry.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

GtkWidget* uselog_button() { return button_labelled(gtk_widget_get_parent(filenamebar), "Use log file"); }

// Check boxes (audible, popup, log, password), the entries as shown, the power buttons.
std::string page_state()
{
    std::string state;
    for (GtkWidget* check : {beepbutton, popupbutton, uselog_button(), passwordbutton})
        state += active(check) ? '1' : '0';
    state += shown(filenamebar) ? " log=" + text_of(filenamebar) : " -";
    const bool masked = !gtk_entry_get_visibility(GTK_ENTRY(passwordbar));
    state += shown(passwordbar) ? (masked ? " pw*=" : " pw=") + text_of(passwordbar) : " -";
    state += " power=";
    for (int position = 0; position < 8; ++position)
        state += power_button(position) ? (active(power_button(position)) ? '1' : '0') : '-';
    return state;
}

std::string power_rows(const char* states[8])
{
    std::string rows;
    for (int position = 0; position < 8; ++position) {
        std::string label = "Halvoren " + std::to_string(1 + position / 4) + " Channel " +
                            std::to_string(1 + position % 4 / 2) + (position % 2 ? " Slave:" : " Master:");
        rows += "|" + label + std::string(32 - label.size(), ' ') + "|" + states[position];
    }
    return rows;
}

} // namespace

TEST_F(WindowTest, OptionPageShowsTheSettingsAndPowerStates)
{
    const std::string audible = "Enable audible prompt" + std::string(38, ' ');
    const char* none[8] = {"None", "None", "None", "None", "None", "None", "None", "None"};
    start_with(default_record());
    // In the page grid's order: the last attached first.
    EXPECT_EQ(shown_texts(option_page()), "Apply|Enable password|Password" + power_rows(none) + "|Power Manage|" +
                                              audible + "|Popup message box|Use log file|Notification");
    EXPECT_EQ(page_state(), "0000 - - power=--------");
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(filenamebar)), 99);
    EXPECT_EQ(gtk_entry_get_max_length(GTK_ENTRY(passwordbar)), 55);

    SettingsRecord record = default_record();
    record.audible = record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.logfile, "/var/log/raid.log");
    std::strcpy(record.password, "s3cret");
    for (auto& entry : PowerManage)
        entry[0] = entry[1] = 1;
    PowerManage[0][1] = 0;
    PowerManage[3][0] = 0;
    SystemBusy = 1;
    start_with(record);
    const char* states[8] = {"Power Off   ", "Power On   ", "Power On   ", "System Busy",
                             "Power On   ", "Power On   ", "Power On   ", "Power On   "};
    EXPECT_EQ(shown_texts(option_page()), "Apply|Enable password|Password" + power_rows(states) + "|Power Manage|" +
                                              audible + "|Popup message box|Use log file|Notification");
    EXPECT_EQ(page_state(), "1111 log=/var/log/raid.log pw*=s3cret power=011-1111");
    EXPECT_EQ(open_popups().size(), 0u) << "building asks for no password";
    EXPECT_TRUE(card.requests().empty()) << "building switches no drive";
}

TEST_F(WindowTest, ApplyWritesTheRecordWithWhatThePageShows)
{
    SettingsRecord record = default_record();
    record.syncdisabled = 0;
    record.synctype = 1;
    record.synchour = 11;
    std::strcpy(record.syncweekday, "Fri");
    std::strcpy(record.logfile, "/var/log/old.log");
    start_with(record);
    set_active(uselog_button(), true);
    EXPECT_TRUE(shown(filenamebar));
    type(filenamebar, "/var/log/halvoren-events.log");
    set_active(popupbutton, true);
    set_active(beepbutton, true);
    click(option_page(), "Apply");
    std::strcpy(record.logfile, "/var/log/halvoren-events.log");
    record.uselogfile = record.popup = record.audible = 1;
    EXPECT_EQ(settings_file(), bytes_of(record));

    // With the log off, the typed path is not taken; a path too long for the field is refused.
    set_active(uselog_button(), false);
    EXPECT_FALSE(shown(filenamebar));
    type(filenamebar, "/typed/only.log");
    set_active(beepbutton, false);
    click(option_page(), "Apply");
    record.uselogfile = record.audible = 0;
    EXPECT_EQ(settings_file(), bytes_of(record));
    set_active(uselog_button(), true);
    std::string path = "/";
    for (int k = 0; k < 50; ++k)
        path += "\xc3\xa9"; // 51 characters fit the entry, 101 bytes do not fit the record
    type(filenamebar, path);
    click(option_page(), "Apply");
    EXPECT_EQ(shown_texts(gtk_grab_get_current()), std::string("Error:") + kPathTooLong + "|OK");
    click(gtk_grab_get_current(), "OK");
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(WindowTest, AFailedWriteIsReportedInAnErrorBox)
{
    start_with(default_record());
    // A read-only directory stops a normal user; root needs a directory in the way.
    ASSERT_EQ(unlink("quorvex.conf"), 0);
    const int error = geteuid() == 0 ? EISDIR : EACCES;
    ASSERT_EQ(error == EISDIR ? mkdir("quorvex.conf", 0700) : chmod(".", 0555), 0);
    click(option_page(), "Apply");
    chmod(".", 0700);
    EXPECT_EQ(shown_texts(gtk_grab_get_current()),
              std::string("Error:The settings could not be saved in quorvex.conf: ") + std::strerror(error) + "|OK");
    click(gtk_grab_get_current(), "OK");
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
}

TEST_F(WindowTest, FileButtonPicksTheLogFileWhileTheLogIsOn)
{
    start_with(default_record());
    GList* parts = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(filenamebar)));
    GtkWidget* file_button = GTK_WIDGET(g_list_last(parts)->data);
    g_list_free(parts);
    gtk_button_clicked(GTK_BUTTON(file_button));
    EXPECT_TRUE(open_popups().empty());
    set_active(uselog_button(), true);
    gtk_button_clicked(GTK_BUTTON(file_button));
    const auto dialogs = open_popups();
    ASSERT_EQ(dialogs.size(), 1u);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialogs[0]);
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    EXPECT_EQ(std::string(gtk_window_get_title(GTK_WINDOW(chooser))) + " " + name, "File selection Error.log");
    g_free(name);
    gtk_file_chooser_set_current_folder(chooser, dir.path().c_str());
    ASSERT_TRUE(settle_until([&] {
        gchar* folder = gtk_file_chooser_get_current_folder(chooser);
        const bool there = folder && dir.path() == folder;
        g_free(folder);
        return there;
    }));
    gtk_file_chooser_set_current_name(chooser, "events.log");
    click(dialogs[0], "OK");
    EXPECT_TRUE(open_popups().empty());
    EXPECT_EQ(text_of(filenamebar), dir.file("events.log"));
}

// Toggling only marks a drive; Apply sends the changes in position order, and a failed
// command puts its row back.
TEST_F(WindowTest, PowerButtonsSwitchDrivesAtApply)
{
    for (auto& entry : PowerManage)
        entry[0] = entry[1] = 1;
    PowerManage[0][1] = 0;
    card.fail_power[4] = true;
    start_with(default_record());
    set_active(PowerButton5, false);
    set_active(PowerButton4, false);
    set_active(PowerButton0, true);
    set_active(PowerButton1, false);
    set_active(PowerButton1, true);
    EXPECT_EQ(shown_texts(gtk_widget_get_parent(PowerLabel5)), "Halvoren 2 Channel 1 Slave:     |Power Off   ");
    EXPECT_TRUE(card.requests().empty());
    const auto sent = [&] {
        std::string commands;
        for (const SimEvent& e : card.requests_with_code(0x3805))
            commands += std::string{' ', char(e.written[0]), char(e.written[1])};
        card.clear_log();
        return commands;
    };
    click(option_page(), "Apply");
    EXPECT_EQ(sent(), " 11 50 60");
    EXPECT_EQ(page_state(), "0000 - - power=11111011");
    EXPECT_EQ(gtk_label_get_text(GTK_LABEL(PowerLabel4)), std::string("Power On   "));
    EXPECT_FALSE(card.drives[5].powered);
    click(option_page(), "Apply");
    EXPECT_EQ(sent(), "");
    PowerManage[6][1] = 0; // a scan found the drive off: Apply switches it on again
    click(option_page(), "Apply");
    EXPECT_EQ(sent(), " 71");
}
