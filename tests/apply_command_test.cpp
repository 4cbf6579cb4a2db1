#include "options_fixture.h"

#include "ui/notification_options.h"
#include "ui/password_protection.h"
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

// The record holds bytes, the entries count characters: what does not fit whole is
// refused, and nothing of that Apply is stored.
TEST_F(OptionsPageTest, TextsWhoseBytesDoNotFitAreRefusedWhole)
{
    SettingsRecord record = default_record();
    record.uselogfile = 1;
    start_with(record);
    build_page();
    auto e_times = [](int n) {
        std::string out;
        for (int k = 0; k < n; ++k)
            out += "\xc3\xa9"; // one character, two bytes
        return out;
    };
    struct Case {
        std::string logfile, password;
        const char* refusal;
    };
    const Case cases[] = {
        {std::string(99, 'f'), std::string(55, 'p'), nullptr},
        {"/log", e_times(28), kPasswordTooLong},
        {"/" + e_times(50), "pw", kPathTooLong},
        {"/" + e_times(49), e_times(27), nullptr},
        {"/log", "abc", nullptr}, // a shorter password leaves nothing of the longer one
    };
    for (const Case& c : cases) {
        const std::string before = settings_file();
        type(filenamebar, c.logfile);
        type(passwordbar, c.password);
        click(page(), "Apply");
        if (c.refusal) {
            GtkWidget* box = only_window_titled("Error");
            ASSERT_NE(box, nullptr) << c.refusal;
            EXPECT_EQ(label_texts(box, true), (std::vector<std::string>{c.refusal, "OK"}));
            click(box, "OK");
            EXPECT_EQ(settings_file(), before);
            continue;
        }
        EXPECT_TRUE(windows_titled("Error").empty());
        std::memset(record.logfile, 0, sizeof record.logfile);
        std::memset(record.password, 0, sizeof record.password);
        std::memcpy(record.logfile, c.logfile.data(), c.logfile.size());
        std::memcpy(record.password, c.password.data(), c.password.size());
        EXPECT_EQ(settings_file(), bytes_of(record)) << c.password;
    }
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
