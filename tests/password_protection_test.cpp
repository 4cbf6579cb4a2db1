#include "options_fixture.h"

#include "inventory/inventory_tables.h"
#include "ui/widget_registry.h"

#include <cstring>

namespace {

bool has_visible_label(GtkWidget* dialog, const char* text)
{
    for (const std::string& label : label_texts(dialog, true))
        if (label == text)
            return true;
    return false;
}

std::string stored_password(const std::string& file)
{
    return file.size() == sizeof(SettingsRecord) ? std::string(file.c_str() + 208) : "<no file>";
}

// Presses OK in the only "Error" box, which must carry `message`.
void acknowledge_error(const char* message)
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
    // Starts with a file that holds `password` with protection on (or none at all).
    void start_with(const char* password)
    {
        if (password) {
            SettingsRecord record = default_record();
            std::strcpy(record.password, password);
            record.usepassword = 1;
            store_settings(record);
        }
        load_settings();
        build_page();
    }
    GtkWidget* confirm_dialog()
    {
        GtkWidget* dialog = only_window_titled("Password Confirm");
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
};

TEST_F(PasswordTest, FirstPasswordNeedsItsReentry)
{
    start_with(nullptr);
    set_active(passwordbutton, true);
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordbar)));
    gtk_entry_set_text(GTK_ENTRY(passwordbar), "Secret1");
    press_apply();

    GtkWidget* dialog = confirm_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_EQ(gtk_grab_get_current(), dialog);
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(dialog)), 5u);
    EXPECT_FALSE(has_visible_label(dialog, "Please input old password:"));
    EXPECT_FALSE(gtk_widget_is_visible(passwordentry));
    EXPECT_TRUE(has_visible_label(dialog, "Please reentry new password:"));
    EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(passwordreentry)));

    gtk_entry_set_text(GTK_ENTRY(passwordreentry), "Secret2");
    click(dialog, "OK");
    acknowledge_error("New password is wrong, Please input once more !");
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));
    EXPECT_EQ(gtk_grab_get_current(), dialog);

    gtk_entry_set_text(GTK_ENTRY(passwordreentry), "Secret1");
    click(dialog, "OK");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(stored_password(settings_file()), "Secret1");
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_EQ(passwordentry, nullptr);
    EXPECT_EQ(passwordreentry, nullptr);
}

TEST_F(PasswordTest, ChangingThePasswordChecksTheOldOneFirst)
{
    start_with("old-pass");
    gtk_entry_set_text(GTK_ENTRY(passwordbar), "new-pass");
    press_apply();
    GtkWidget* dialog = confirm_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(has_visible_label(dialog, "Please input old password:"));
    EXPECT_TRUE(has_visible_label(dialog, "Please reentry new password:"));

    gtk_entry_set_text(GTK_ENTRY(passwordentry), "wrong");
    gtk_entry_set_text(GTK_ENTRY(passwordreentry), "also-wrong");
    click(dialog, "OK");
    acknowledge_error("Old password is wrong, Please input once more !");
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "old-pass");
    click(dialog, "OK");
    acknowledge_error("New password is wrong, Please input once more !");
    EXPECT_EQ(stored_password(settings_file()), "old-pass");

    gtk_entry_set_text(GTK_ENTRY(passwordreentry), "new-pass");
    click(dialog, "OK");
    EXPECT_EQ(stored_password(settings_file()), "new-pass");
    EXPECT_STREQ(option3.password, "new-pass");
}

TEST_F(PasswordTest, AnswersAreComparedExactly)
{
    start_with("Pass");
    set_active(beepbutton, true);
    press_apply();
    GtkWidget* dialog = confirm_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(has_visible_label(dialog, "Please input password:"));
    EXPECT_EQ(passwordreentry, nullptr);
    for (const char* answer : {"pass", "Pass ", "Pas", ""}) {
        gtk_entry_set_text(GTK_ENTRY(passwordentry), answer);
        click(dialog, "OK");
        acknowledge_error("Password is wrong, Please input once more !");
    }
    const std::string before = settings_file();
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "Pass");
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
    start_with("pw");
    const std::string before = settings_file();
    set_active(popupbutton, true);
    set_active(PowerButton0, false);
    press_apply();
    EXPECT_EQ(card.requests_with_code(0x3805).size(), 1u);
    EXPECT_EQ(PowerManage[0][1], 0);
    click(confirm_dialog(), "Cancel");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(gtk_grab_get_current(), nullptr);
    EXPECT_EQ(settings_file(), before);
    EXPECT_EQ(option3.popup, 1u);
}

TEST_F(PasswordTest, ProtectionOnWithNothingTypedCommitsAnEmptyPassword)
{
    start_with(nullptr);
    set_active(passwordbutton, true);
    press_apply();
    GtkWidget* dialog = confirm_dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(label_texts(dialog, true), (std::vector<std::string>{"OK", "Cancel"}));
    click(dialog, "OK");
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_EQ(settings_file(), bytes_of(default_record()));
}

TEST_F(PasswordTest, ModifyWithTheRightPasswordTurnsProtectionOff)
{
    start_with("pw");
    set_active(passwordbutton, false);
    GtkWidget* dialog = only_window_titled("Password Modify");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gtk_grab_get_current(), dialog);
    EXPECT_EQ(option3.usepassword, 1u);
    EXPECT_TRUE(shown(passwordbar));

    gtk_entry_set_text(GTK_ENTRY(passwordentry), "PW");
    click(dialog, "OK");
    acknowledge_error("Password is wrong, Please input once more !");
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "pw");
    click(dialog, "OK");
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_FALSE(active(passwordbutton));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(text_of(passwordbar), "");
    EXPECT_EQ(option3.usepassword, 0u);
    EXPECT_STREQ(option3.password, "pw");
    EXPECT_EQ(stored_password(settings_file()), "pw");

    // The next Apply asks nothing and stores the empty password.
    press_apply();
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(settings_file(), bytes_of(default_record()));
}

TEST_F(PasswordTest, ModifyCancelTurnsTheBoxBackOn)
{
    start_with("pw");
    set_active(passwordbutton, false);
    click(only_window_titled("Password Modify"), "Cancel");
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_TRUE(active(passwordbutton));
    EXPECT_TRUE(shown(passwordbar));
    EXPECT_EQ(option3.usepassword, 1u);
}

TEST_F(PasswordTest, DialogsOpenAcrossARebuildWorkOnTheNewPage)
{
    start_with("pw");
    set_active(passwordbutton, false);
    GtkWidget* modify = only_window_titled("Password Modify");
    ASSERT_NE(modify, nullptr);
    rebuild_page();
    ASSERT_TRUE(active(passwordbutton)); // the new page starts from the record
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "pw");
    click(modify, "OK");
    EXPECT_TRUE(windows_titled("Password Modify").empty());
    EXPECT_FALSE(active(passwordbutton));
    EXPECT_FALSE(shown(passwordbar));
    EXPECT_EQ(option3.usepassword, 0u);

    set_active(passwordbutton, true);
    gtk_entry_set_text(GTK_ENTRY(passwordbar), "pw");
    press_apply();
    GtkWidget* confirm = confirm_dialog();
    ASSERT_NE(confirm, nullptr);
    rebuild_page();
    gtk_entry_set_text(GTK_ENTRY(passwordentry), "pw");
    click(confirm, "OK");
    EXPECT_TRUE(windows_titled("Password Confirm").empty());
    EXPECT_EQ(stored_password(settings_file()), "pw");
}
