#include "live_window_support.h"

#include "driver/driver_requests.h"
#include "ui/notification_options.h"
#include "ui/password_protection.h"

#include <filesystem>


static std::string e_times(int n) { return n ? "\xc3\xa9" + e_times(n - 1) : ""; } // characters of two bytes

static GtkWidget* uselog_button() { return button_labelled(gtk_widget_get_parent(filenamebar), "Use log file"); }

// Check boxes (audible, popup, log, password), the entries as shown, each power row's
// state and button.
static std::string page_state(bool with_power = true)
{
    std::string state;
    for (GtkWidget* check : {beepbutton, popupbutton, uselog_button(), passwordbutton})
        state += active(check) ? '1' : '0';
    state += shown(filenamebar) ? " log=" + text_of(filenamebar) : " -";
    state += shown(passwordbar) ? (gtk_entry_get_visibility(GTK_ENTRY(passwordbar)) ? " pw=" : " pw*=") + text_of(passwordbar) : " -";
    for (int p = 0; p < 8 * with_power; ++p)
        state += std::string(" ") + gtk_label_get_text(GTK_LABEL(power_label(p))) + (power_button(p) ? (active(power_button(p)) ? "1" : "0") : "");
    return state;
}

// Apply writes what the page shows; the log file is picked with the file button while
// the log is on. Power buttons only mark a drive, Apply sends the changes in position
// order, and a failed command puts its row back.
TEST_F(WindowTest, OptionPageWritesTheRecordAndSwitchesDrives)
{
    SettingsRecord record = default_record();
    record.syncdisabled = record.synctype = 1;
    std::strcpy(record.syncweekday, "Fri");
    std::strcpy(record.logfile, "/var/log/old.log");
    start_with(record);
    g_autoptr(GList) parts = gtk_container_get_children(GTK_CONTAINER(gtk_widget_get_parent(filenamebar)));
    GtkButton* file_button = GTK_BUTTON(g_list_last(parts)->data);
    gtk_button_clicked(file_button);
    EXPECT_TRUE(open_popups().empty());
    set_active(uselog_button(), true);
    gtk_button_clicked(file_button);
    ASSERT_EQ(open_popups().size(), 1u);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(open_popups()[0]);
    // It proposes "Error.log" in the working directory, once it has read the directory.
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(chooser)), "File selection");
    ASSERT_TRUE(settle_until([&] { g_autofree gchar* name = gtk_file_chooser_get_filename(chooser); return name && dir.file("Error.log") == name; }));
    click(GTK_WIDGET(chooser), "OK");
    EXPECT_EQ(text_of(filenamebar), dir.file("Error.log"));
    type(filenamebar, "/var/log/halvoren-events.log"); // typed over the pick
    set_active(popupbutton, true);
    set_active(beepbutton, true);
    click(notebook, "Apply");
    std::strcpy(record.logfile, "/var/log/halvoren-events.log");
    record.uselogfile = record.popup = record.audible = 1;
    EXPECT_EQ(settings_file(), bytes_of(record));

    // With the log off, the typed path is not taken; a path too long for the field is refused.
    set_active(uselog_button(), false);
    type(filenamebar, "/typed/only.log");
    set_active(beepbutton, false);
    EXPECT_EQ(page_state().substr(0, 6), "0100 -");
    click(notebook, "Apply");
    record.uselogfile = record.audible = 0;
    EXPECT_EQ(settings_file(), bytes_of(record));
    // A path of 51 characters fits the entry, its 101 bytes not the record; a write that fails
    // (a directory in the way) is said in an "Error" box, and what was applied stays.
    set_active(uselog_button(), true);
    for (auto [typed, error, kept] : {std::tuple{"/" + e_times(50), std::string(kPathTooLong), "/var/log/halvoren-events.log"},
                                      {"/var/log/new.log", "The settings could not be saved in quorvex.conf: " + std::string(std::strerror(EISDIR)), "/var/log/new.log"}}) {
        type(filenamebar, typed);
        click(notebook, "Apply");
        EXPECT_EQ(shown_texts(gtk_grab_get_current()), "Error:" + error + "|OK");
        EXPECT_STREQ(option3.logfile, kept);
        click(gtk_grab_get_current(), "OK");
        std::filesystem::remove("quorvex.conf"), std::filesystem::create_directory("quorvex.conf");
    }
    std::filesystem::remove("quorvex.conf");

    // Every setting on, and drives to switch.
    record = default_record();
    record.audible = record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.logfile, "/var/log/raid.log");
    std::strcpy(record.password, "s3cret");
    for (auto& entry : PowerManage)
        entry[0] = entry[1] = 1;
    PowerManage[0][1] = PowerManage[3][0] = 0;
    SystemBusy = 1;
    start_with(record);
    EXPECT_EQ(page_state(), "1111 log=/var/log/raid.log pw*=s3cret Power Off   0 Power On   1 Power On   1 System Busy "
                            "Power On   1 Power On   1 Power On   1 Power On   1");

    card.fail_power[4] = true;
    for (auto [button, on] : {std::pair{PowerButton5, false}, {PowerButton4, false}, {PowerButton0, true}, {PowerButton1, false}, {PowerButton1, true}})
        set_active(button, on);
    click(notebook, "Apply");
    std::string sent;
    for (const SimEvent& e : card.requests_with_code(0x3805))
        sent += std::string{' ', char(e.written[0]), char(e.written[1])};
    EXPECT_EQ(sent, " 11 50 60") << "only Apply switches drives, even while the password is asked";
    click(gtk_grab_get_current(), "Cancel");
    EXPECT_EQ(page_state(), "1111 log=/var/log/raid.log pw*=s3cret Power On   1 Power On   1 Power On   1 System Busy "
                            "Power On   1 Power Off   0 Power On   1 Power On   1");
}

// Each flow: the stored password (null: protection off), what the user does on the page
// (turns protection off, or types a password and a log file, switches drive 1 off and
// presses Apply), the dialog that opens, whether the page is rebuilt while it is open,
// and a wrong answer with the error box it brings (pressed away, the dialog stays for the
// right answers). Then a second Apply with nothing typed, answered with the stored password,
// keeps the file as it is; then the stored password, protection and log file, and the page.
TEST_F(WindowTest, PasswordFlows)
{
    const std::string old_and_reentry = "Password Confirm:Please input old password:|Please reentry new password:|OK|Cancel";
    const struct {
        const char* stored; bool turn_off; std::string typed, dialog; bool rebuild; std::string wrong; const char* error; std::string after;
    } flows[] = {
        {nullptr, false, "Secret1", "Password Confirm:Please reentry new password:|OK|Cancel", true, "Secret2", kWrongNewPassword, "Secret1 on /new.log|0011 log=/new.log pw*=Secret1"},
        // Nothing typed: no protection, and the page says so.
        {nullptr, false, "", "Password Confirm:OK|Cancel", false, "", nullptr, " off /new.log|0010 log=/new.log -"},
        {"old-pass", false, "new", old_and_reentry, true, "old-Pass", kWrongOldPassword, "new on /new.log|0011 log=/new.log pw*=new"},
        {"Pass", false, "Pass", "Password Confirm:Please input password:|OK|Cancel", false, "Pass ", kWrongPassword, "Pass on /new.log|0011 log=/new.log pw*=Pass"},
        // Refused, the typed texts stay on the page for a shorter try.
        {"pw", false, e_times(28), std::string("Error:") + kPasswordTooLong + "|OK", false, "", nullptr, "pw on /old.log|0011 log=/new.log pw*=" + e_times(28)},
        // Turned off, Apply stores no password; turned on again with none, Apply turns it off.
        {"pw", true, "typed", "Password Modify:Please input old password:|OK|Cancel", false, "PW", kWrongPassword, " off /new.log|0010 log=/new.log -"},
    };
    for (const auto& c : flows) {
        SCOPED_TRACE(c.dialog);
        SettingsRecord record = default_record();
        std::strcpy(record.password, c.stored ? c.stored : "");
        std::strcpy(record.logfile, "/old.log");
        record.usepassword = c.stored != nullptr;
        record.uselogfile = 1;
        PowerManage[0][0] = PowerManage[0][1] = 1;
        start_with(record);
        card.clear_log();
        const std::string before = settings_file();
        type(passwordbar, c.typed);
        type(filenamebar, "/new.log");
        set_active(PowerButton0, false);
        set_active(passwordbutton, !c.turn_off);
        if (!c.turn_off)
            click(notebook, "Apply");
        GtkWidget* dialog = gtk_grab_get_current();
        EXPECT_EQ(shown_texts(dialog), c.dialog);
        if (c.rebuild)
            initgraph();
        for (bool right : {c.error == nullptr, true}) {
            const bool wrong_reentry = !right && c.error == kWrongNewPassword;
            if (passwordentry)
                type(passwordentry, right || wrong_reentry ? (c.stored ? c.stored : "") : c.wrong);
            if (passwordreentry)
                type(passwordreentry, wrong_reentry ? c.wrong : c.typed);
            if (right) { // with Enter, which presses OK once the button has shown itself pressed
                passwordentry ? void(gtk_widget_activate(passwordentry)) : gtk_button_clicked(GTK_BUTTON(button_labelled(dialog, "OK")));
                settle_until([&] { return gtk_grab_get_current() != dialog; });
                break;
            }
            click(dialog, "OK");
            EXPECT_EQ(shown_texts(gtk_grab_get_current()), std::string("Error:") + c.error + "|OK");
            click(gtk_grab_get_current(), "OK");
            EXPECT_EQ(gtk_grab_get_current(), dialog);
            EXPECT_EQ(settings_file(), before);
        }
        EXPECT_EQ(gtk_grab_get_current(), nullptr);
        if (c.turn_off) {
            click(notebook, "Apply");
            set_active(passwordbutton, true);
        }
        EXPECT_EQ(card.requests_with_code(0x3805).size(), 1u) << "the drive is switched whatever the password";
        const std::string file = settings_file();
        click(notebook, "Apply");
        if (GtkWidget* again = gtk_grab_get_current()) { // answered with the stored password, or refused again
            EXPECT_EQ(shown_texts(again).find("reentry"), std::string::npos) << "the stored password is not new";
            if (passwordentry)
                type(passwordentry, file.c_str() + offsetof(SettingsRecord, password));
            click(again, "OK");
        }
        EXPECT_EQ(settings_file(), file);
        EXPECT_EQ(gtk_grab_get_current(), nullptr);
        const std::string use = file[offsetof(SettingsRecord, usepassword)] ? " on " : " off ";
        EXPECT_EQ(file.c_str() + offsetof(SettingsRecord, password) + use + file.c_str() + "|" + page_state(false), c.after);
    }
}
