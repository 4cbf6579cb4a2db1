#include "options_fixture.h"

#include "inventory/inventory_tables.h"
#include "ui/apply_command.h"
#include "ui/widget_registry.h"

#include <algorithm>
#include <cstring>

namespace {

bool has_visible_label(GtkWidget* dialog, const std::string& text)
{
    auto labels = label_texts(dialog, true);
    return std::find(labels.begin(), labels.end(), text) != labels.end();
}

// Presses OK in the only "Error" box, which must carry `message` and hold the grab.
void acknowledge(const char* message)
{
    GtkWidget* box = only_window_titled("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(has_visible_label(box, message));
    EXPECT_EQ(gtk_grab_get_current(), box);
    click(box, "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
}

} // namespace

class PasswordTest : public OptionsPageTest {
protected:
    void start_protected(const char* password)
    {
        SettingsRecord record = default_record();
        std::strcpy(record.password, password);
        record.usepassword = 1;
        start_with(record);
        build_page();
    }
    GtkWidget* apply_and_confirm()
    {
        apply_ok(nullptr, nullptr);
        drain_events();
        return only_window_titled("Password Confirm");
    }
    std::string stored_password() const { return settings_file().substr(208, 56).c_str(); }
};

TEST_F(PasswordTest, FirstPasswordNeedsItsReentry)
{
    start_without_file();
    build_page();
    set_active(passwordbutton, true);
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    type(passwordbar, "Secret1");
    GtkWidget* dialog = apply_and_confirm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_EQ(gtk_grab_get_current(), dialog);
    EXPECT_EQ(label_texts(dialog, true), (std::vector<std::string>{"Please reentry new password:", "OK", "Cancel"}));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordreentry)));

    type(passwordreentry, "Secret2");
    click(dialog, "OK");
    acknowledge("New password is wrong, Please input once more !");
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));
    type(passwordreentry, "Secret1");
    click(dialog, "OK");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(stored_password(), "Secret1");
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_EQ(passwordentry, nullptr);
    EXPECT_EQ(passwordreentry, nullptr);
}

TEST_F(PasswordTest, ChangingThePasswordChecksTheOldOneFirst)
{
    start_protected("old-pass");
    type(passwordbar, "new-pass");
    GtkWidget* dialog = apply_and_confirm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(has_visible_label(dialog, "Please input old password:"));
    type(passwordentry, "wrong");
    type(passwordreentry, "also-wrong");
    click(dialog, "OK");
    acknowledge("Old password is wrong, Please input once more !");
    type(passwordentry, "old-pass");
    click(dialog, "OK");
    acknowledge("New password is wrong, Please input once more !");
    EXPECT_EQ(stored_password(), "old-pass");
    type(passwordreentry, "new-pass");
    click(dialog, "OK");
    EXPECT_EQ(stored_password(), "new-pass");
}

TEST_F(PasswordTest, AnswersAreComparedExactly)
{
    start_protected("Pass");
    const std::string before = settings_file();
    set_active(beepbutton, true);
    GtkWidget* dialog = apply_and_confirm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(has_visible_label(dialog, "Please input password:"));
    for (const char* answer : {"pass", "Pass ", "Pas", ""}) {
        type(passwordentry, answer);
        click(dialog, "OK");
        acknowledge("Password is wrong, Please input once more !");
    }
    EXPECT_EQ(settings_file(), before);
    type(passwordentry, "Pass");
    click(dialog, "OK");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    SettingsRecord expected;
    std::memcpy(&expected, before.data(), sizeof expected);
    expected.audible = 1;
    EXPECT_EQ(settings_file(), bytes_of(expected));
}

TEST_F(PasswordTest, CancelStoresNothingButThePowerCommandsWentOut)
{
    PowerManage[0][0] = 1;
    start_protected("pw");
    const std::string before = settings_file();
    set_active(popupbutton, true);
    set_active(PowerButton0, false);
    GtkWidget* dialog = apply_and_confirm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(card.requests_with_code(0x3805).size(), 1u);
    click(dialog, "Cancel");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
    EXPECT_EQ(settings_file(), before);
    EXPECT_EQ(option3.popup, 1u);
    EXPECT_EQ(PowerManage[0][1], 0);
}

TEST_F(PasswordTest, ProtectionOnWithNothingTypedCommitsAnEmptyPassword)
{
    start_without_file();
    build_page();
    set_active(passwordbutton, true);
    GtkWidget* dialog = apply_and_confirm();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(label_texts(dialog, true), (std::vector<std::string>{"OK", "Cancel"}));
    click(dialog, "OK");
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_EQ(settings_file(), bytes_of(default_record()));
}

TEST_F(PasswordTest, PasswordModifyGuardsTurningProtectionOff)
{
    start_protected("pw");
    set_active(passwordbutton, false);
    click(only_window_titled("Password Modify"), "Cancel");
    EXPECT_TRUE(active(passwordbutton));
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_EQ(option3.usepassword, 1u);

    set_active(passwordbutton, false);
    GtkWidget* dialog = only_window_titled("Password Modify");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gtk_grab_get_current(), dialog);
    type(passwordentry, "PW");
    click(dialog, "OK");
    acknowledge("Password is wrong, Please input once more !");
    type(passwordentry, "pw");
    click(dialog, "OK");
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_FALSE(active(passwordbutton));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(text_of(passwordbar), "");
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_EQ(stored_password(), "pw");

    // The next Apply asks nothing and stores the empty password.
    click(page(), "Apply");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(settings_file(), bytes_of(default_record()));
}

TEST_F(PasswordTest, DialogsOpenAcrossARebuildWorkOnTheNewPage)
{
    start_protected("pw");
    set_active(passwordbutton, false);
    GtkWidget* modify = only_window_titled("Password Modify");
    ASSERT_NE(modify, nullptr);
    rebuild_page();
    ASSERT_TRUE(active(passwordbutton)); // the new page starts from the record
    type(passwordentry, "pw");
    click(modify, "OK");
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_FALSE(active(passwordbutton));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(option3.usepassword, 0u);

    // The rebuild refills the page from the record; what Apply took stays.
    set_active(passwordbutton, true);
    type(passwordbar, "new");
    option3.uselogfile = 1;
    type(filenamebar, "/var/log/typed.log");
    GtkWidget* confirm = apply_and_confirm();
    ASSERT_NE(confirm, nullptr);
    rebuild_page();
    ASSERT_EQ(text_of(passwordbar), "pw");
    type(passwordentry, "pw");
    type(passwordreentry, "new");
    click(confirm, "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(stored_password(), "new");
    EXPECT_STREQ(option3.logfile, "/var/log/typed.log");
}

TEST_F(PasswordTest, AMultiBytePasswordCanAlwaysBeTypedAgain)
{
    auto e_times = [](int n) {
        std::string out;
        for (int k = 0; k < n; ++k)
            out += "\xc3\xa9";
        return out;
    };
    // Stored whole, then typed to turn protection off.
    start_protected("");
    set_active(passwordbutton, true);
    type(passwordbar, e_times(27));
    GtkWidget* confirm = apply_and_confirm();
    ASSERT_NE(confirm, nullptr);
    type(passwordreentry, e_times(27));
    click(confirm, "OK");
    ASSERT_EQ(stored_password(), e_times(27));
    set_active(passwordbutton, false);
    type(passwordentry, e_times(27));
    click(only_window_titled("Password Modify"), "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
    EXPECT_EQ(option3.usepassword, 0u);

    // A password an older version cut inside its 28th character: typing all of it matches.
    start_protected((e_times(27) + "\xc3").c_str());
    set_active(passwordbutton, false);
    type(passwordentry, e_times(28));
    click(only_window_titled("Password Modify"), "OK");
    EXPECT_TRUE(windows_titled("Error").empty());
    EXPECT_EQ(option3.usepassword, 0u);
}
