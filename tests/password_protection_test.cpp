#include "live_window_support.h"

#include "ui/password_protection.h"
#include "ui/widget_registry.h"

#include <cstring>

namespace {

std::string e_times(int n)
{
    std::string out;
    for (int k = 0; k < n; ++k)
        out += "\xc3\xa9"; // one character, two bytes
    return out;
}

// Each flow: the stored password (null: protection off), what the user does on the page
// (turns protection off, or types a password and presses Apply), the dialog that opens,
// the answers typed into it and the error box they bring; pressed away, the dialog
// stays for the right answers. Then the stored password, protection and the entry.
struct Flow {
    const char* name;
    const char* stored;
    bool turn_off;
    std::string typed, dialog, old_answer, reentry;
    const char* error;
    std::string after;
};

const std::string kReentry = "Password Confirm:Please reentry new password:|OK|Cancel";
const std::string kOldAndReentry = "Password Confirm:Please input old password:|Please reentry new password:|OK|Cancel";
const std::string kCurrent = "Password Confirm:Please input password:|OK|Cancel";
const std::string kModify = "Password Modify:Please input old password:|OK|Cancel";

const Flow kFlows[] = {
    {"first password", nullptr, false, "Secret1", kReentry, "", "Secret1", nullptr, "Secret1 on shown"},
    {"re-entry differs", nullptr, false, "Secret1", kReentry, "", "Secret2", kWrongNewPassword, "Secret1 on shown"},
    {"protection on, nothing typed", nullptr, false, "", "Password Confirm:OK|Cancel", "", "", nullptr, " off shown"},
    {"change, old right", "old-pass", false, "new-pass", kOldAndReentry, "old-pass", "new-pass", nullptr, "new-pass on shown"},
    {"change, old wrong", "old-pass", false, "new-pass", kOldAndReentry, "old-Pass", "new-pass", kWrongOldPassword,
     "new-pass on shown"},
    {"same password, right", "Pass", false, "Pass", kCurrent, "Pass", "", nullptr, "Pass on shown"},
    {"same password, wrong", "Pass", false, "Pass", kCurrent, "Pass ", "", kWrongPassword, "Pass on shown"},
    {"too long", "pw", false, e_times(28), std::string("Error:") + kPasswordTooLong + "|OK", "", "", nullptr, "pw on shown"},
    {"longest", "pw", false, e_times(27), kOldAndReentry, "pw", e_times(27), nullptr, e_times(27) + " on shown"},
    // Turned off, Apply stores no password; protection can be turned on again.
    {"modify, right", "pw", true, "", kModify, "pw", "", nullptr, " off shown"},
    {"modify, wrong", "pw", true, "", kModify, "PW", "", kWrongPassword, " off shown"},
};

} // namespace

TEST_F(WindowTest, PasswordFlows)
{
    const auto answer = [](GtkWidget* dialog, const std::string& old_answer, const std::string& reentry) {
        if (passwordentry)
            type(passwordentry, old_answer);
        if (passwordreentry)
            type(passwordreentry, reentry);
        click(dialog, "OK");
    };
    for (const Flow& c : kFlows) {
        SCOPED_TRACE(c.name);
        SettingsRecord record = default_record();
        if (c.stored) {
            std::strcpy(record.password, c.stored);
            record.usepassword = 1;
        }
        start_with(record);
        const std::string before = settings_file();
        set_active(passwordbutton, !c.turn_off);
        if (!c.turn_off) {
            type(passwordbar, c.typed);
            click(notebook, "Apply");
        }
        GtkWidget* dialog = gtk_grab_get_current();
        EXPECT_EQ(shown_texts(dialog), c.dialog);
        answer(dialog, c.old_answer, c.reentry);
        if (c.error) {
            EXPECT_EQ(shown_texts(gtk_grab_get_current()), std::string("Error:") + c.error + "|OK");
            click(gtk_grab_get_current(), "OK");
            EXPECT_EQ(gtk_grab_get_current(), dialog);
            EXPECT_EQ(settings_file(), before);
            answer(dialog, c.stored ? c.stored : "", c.typed);
        }
        EXPECT_EQ(gtk_grab_get_current(), nullptr);
        if (c.turn_off) {
            click(notebook, "Apply");
            set_active(passwordbutton, true);
        }
        SettingsRecord after;
        std::memcpy(&after, settings_file().data(), sizeof after);
        EXPECT_EQ(std::string(after.password) + (after.usepassword ? " on " : " off ") + (shown(passwordbar) ? "shown" : "hidden"),
                  c.after);
    }
}
