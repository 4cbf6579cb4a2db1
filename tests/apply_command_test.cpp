#include "options_fixture.h"

#include "ui/widget_registry.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(OptionsPageTest, ApplyWritesTheExactRecord)
{
    load_settings();
    build_page();
    set_active(button_labelled(gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0), "Use log file"), true);
    gtk_entry_set_text(GTK_ENTRY(filenamebar), "/var/log/halvoren-events.log");
    set_active(popupbutton, true);
    press_apply();

    SettingsRecord expected = default_record();
    std::strcpy(expected.logfile, "/var/log/halvoren-events.log");
    expected.uselogfile = 1;
    expected.popup = 1;
    EXPECT_EQ(settings_file(), bytes_of(expected));
    EXPECT_TRUE(windows_titled("Error").empty());

    // Nothing changed: the same bytes again.
    press_apply();
    EXPECT_EQ(settings_file(), bytes_of(expected));
}

TEST_F(OptionsPageTest, ApplyIgnoresTheEntryWhileTheLogIsOff)
{
    SettingsRecord record = default_record();
    std::strcpy(record.logfile, "/chosen/in/dialog.log");
    store_settings(record);
    load_settings();
    build_page();
    gtk_entry_set_text(GTK_ENTRY(filenamebar), "/typed/only.log");
    press_apply();
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(OptionsPageTest, StoredPasswordWithProtectionOffStaysStored)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "kept");
    store_settings(record);
    load_settings();
    build_page();
    press_apply();
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(settings_file(), bytes_of(record));

    gtk_entry_set_text(GTK_ENTRY(passwordbar), "");
    press_apply();
    EXPECT_EQ(settings_file(), bytes_of(default_record()));
}

TEST_F(OptionsPageTest, LoadedScheduleAndUnusedFieldsAreWrittenBackUnchanged)
{
    SettingsRecord record = default_record();
    record.syncdisabled = 0;
    record.synctype = 1;
    record.synchour = 11;
    record.syncminute = 45;
    record.syncpm = 1;
    std::memcpy(record.reserved, "\x01\x02\x03\x04", 4);
    std::strcpy(record.syncweekday, "Fri");
    std::strcpy(record.synchourtext, "11");
    std::strcpy(record.syncminutetext, "45");
    std::strcpy(record.syncdaytext, "Fri");
    std::strcpy(record.hostip, "10.0.0.9");
    store_settings(record);
    load_settings();
    build_page();
    press_apply();
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(OptionsPageTest, OverlongTypedTextsAreCutToTheirFields)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "a-much-longer-old-password");
    record.uselogfile = 1;
    store_settings(record);
    load_settings();
    build_page();
    // The entries refuse more than their fields hold; the record's copy cuts as well.
    gtk_entry_set_text(GTK_ENTRY(filenamebar), std::string(150, 'f').c_str());
    EXPECT_EQ(text_of(filenamebar).size(), 99u);
    gtk_entry_set_max_length(GTK_ENTRY(filenamebar), 0);
    gtk_entry_set_max_length(GTK_ENTRY(passwordbar), 0);
    gtk_entry_set_text(GTK_ENTRY(filenamebar), std::string(150, 'f').c_str());
    gtk_entry_set_text(GTK_ENTRY(passwordbar), std::string(80, 'p').c_str());
    press_apply();
    record.uselogfile = 1;
    std::memset(record.logfile, 'f', 99);
    record.logfile[99] = '\0';
    std::memset(record.password, 'p', 55);
    record.password[55] = '\0';
    EXPECT_EQ(settings_file(), bytes_of(record));

    // A shorter password leaves nothing of the longer one behind.
    gtk_entry_set_text(GTK_ENTRY(passwordbar), "abc");
    press_apply();
    std::memset(record.password, 0, sizeof record.password);
    std::strcpy(record.password, "abc");
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(OptionsPageTest, FailedWriteIsReportedAndTheRecordKeepsTheAppliedValues)
{
    load_settings();
    build_page();
    set_active(button_labelled(gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0), "Use log file"), true);
    gtk_entry_set_text(GTK_ENTRY(filenamebar), "/var/log/new.log");
    gtk_entry_set_text(GTK_ENTRY(passwordbar), "pw");
    // A read-only directory stops a normal user; root needs a directory in the way.
    int expected_error = EACCES;
    if (geteuid() == 0) {
        ASSERT_EQ(mkdir(dir.file("quorvex.conf").c_str(), 0700), 0);
        expected_error = EISDIR;
    } else {
        ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    }
    press_apply();
    chmod(dir.path().c_str(), 0700);

    GtkWidget* box = only_window_titled("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gtk_grab_get_current(), box);
    const std::string message =
        std::string("The settings could not be saved in quorvex.conf: ") + std::strerror(expected_error);
    EXPECT_EQ(label_texts(box, true), (std::vector<std::string>{message, "OK"}));
    EXPECT_STREQ(option3.logfile, "/var/log/new.log");
    EXPECT_STREQ(option3.password, "pw");
    click(box, "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
}

TEST_F(OptionsPageTest, FailedWriteAfterThePasswordCheckClosesTheDialog)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "pw");
    record.usepassword = 1;
    store_settings(record);
    load_settings();
    build_page();
    ASSERT_EQ(unlink(dir.file("quorvex.conf").c_str()), 0);
    ASSERT_EQ(mkdir(dir.file("quorvex.conf").c_str(), 0700), 0);
    press_apply();
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "pw");
    click(only_window_titled("Password Confirm"), "OK");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    GtkWidget* box = only_window_titled("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gtk_grab_get_current(), box);
}
