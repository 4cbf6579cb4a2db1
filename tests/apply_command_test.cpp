#include "options_fixture.h"

#include "ui/widget_registry.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

TEST_F(OptionsPageTest, ApplyWritesTheExactRecord)
{
    start_without_file();
    build_page();
    set_active(button_labelled(page(), "Use log file"), true);
    type(filenamebar, "/var/log/halvoren-events.log");
    set_active(popupbutton, true);
    click(page(), "Apply");
    SettingsRecord expected = default_record();
    std::strcpy(expected.logfile, "/var/log/halvoren-events.log");
    expected.uselogfile = expected.popup = 1;
    EXPECT_EQ(settings_file(), bytes_of(expected));
    EXPECT_TRUE(windows_titled("Error").empty());

    // With the log off, the typed path is not taken.
    set_active(button_labelled(page(), "Use log file"), false);
    type(filenamebar, "/typed/only.log");
    click(page(), "Apply");
    expected.uselogfile = 0;
    EXPECT_EQ(settings_file(), bytes_of(expected));
}

TEST_F(OptionsPageTest, ApplyKeepsWhatThePageDoesNotShow)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "kept");
    record.syncdisabled = 0;
    record.synctype = 1;
    record.synchour = 11;
    record.syncminute = 45;
    record.syncpm = 1;
    std::memcpy(record.reserved, "\x01\x02\x03\x04", 4);
    std::strcpy(record.syncweekday, "Fri");
    std::strcpy(record.syncdaytext, "Fri");
    std::strcpy(record.hostip, "10.0.0.9");
    start_with(record);
    build_page();
    click(page(), "Apply");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(settings_file(), bytes_of(record));

    type(passwordbar, "");
    click(page(), "Apply");
    std::memset(record.password, 0, sizeof record.password);
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(OptionsPageTest, OverlongTypedTextsAreCutToTheirFields)
{
    SettingsRecord record = default_record();
    std::strcpy(record.password, "a-much-longer-old-password");
    record.uselogfile = 1;
    start_with(record);
    build_page();
    type(filenamebar, std::string(150, 'f'));
    EXPECT_EQ(text_of(filenamebar).size(), 99u);
    // Past the entries' own limits, the copy into the record still cuts.
    gtk_entry_set_max_length(GTK_ENTRY(filenamebar), 0);
    gtk_entry_set_max_length(GTK_ENTRY(passwordbar), 0);
    type(filenamebar, std::string(150, 'f'));
    type(passwordbar, std::string(80, 'p'));
    click(page(), "Apply");
    std::memset(record.logfile, 'f', 99);
    std::memset(record.password, 'p', 55);
    EXPECT_EQ(settings_file(), bytes_of(record));

    // A shorter password leaves nothing of the longer one behind.
    type(passwordbar, "abc");
    click(page(), "Apply");
    std::memset(record.password, 0, sizeof record.password);
    std::strcpy(record.password, "abc");
    EXPECT_EQ(settings_file(), bytes_of(record));
}

TEST_F(OptionsPageTest, FailedWriteIsReportedAndTheRecordKeepsTheAppliedValues)
{
    start_without_file();
    build_page();
    set_active(button_labelled(page(), "Use log file"), true);
    type(filenamebar, "/var/log/new.log");
    type(passwordbar, "pw");
    // A read-only directory stops a normal user; root needs a directory in the way.
    int expected_error = EACCES;
    if (geteuid() == 0) {
        ASSERT_EQ(mkdir(dir.file("quorvex.conf").c_str(), 0700), 0);
        expected_error = EISDIR;
    } else {
        ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
    }
    click(page(), "Apply");
    chmod(dir.path().c_str(), 0700);

    GtkWidget* box = only_window_titled("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gtk_grab_get_current(), box);
    const std::string message = std::string("The settings could not be saved in quorvex.conf: ") +
                                std::strerror(expected_error);
    EXPECT_EQ(label_texts(box, true), (std::vector<std::string>{message, "OK"}));
    EXPECT_STREQ(option3.logfile, "/var/log/new.log");
    EXPECT_STREQ(option3.password, "pw");
    click(box, "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
}
