#include "ui/apply_command.h"

#include "settings/apply_rules.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "ui/notification_options.h"
#include "ui/options_page.h"
#include "ui/password_protection.h"
#include "ui/power_management.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <string>

namespace {

PendingApply pending;

PendingApply read_page()
{
    PendingApply read;
    read.takes_logfile = option3.uselogfile == 1 && filenamebar;
    if (read.takes_logfile)
        read.logfile = gtk_entry_get_text(GTK_ENTRY(filenamebar));
    read.takes_password = passwordbar != nullptr;
    if (read.takes_password)
        read.password = gtk_entry_get_text(GTK_ENTRY(passwordbar));
    return read;
}

// The entries count characters, the record bytes: a text that does not fit whole is
// refused rather than cut, which could split a character and lock the user out.
const char* overlong_text_message(const PendingApply& read)
{
    if (read.takes_password && read.password.size() > static_cast<std::size_t>(kPasswordMaxLength))
        return kPasswordTooLong;
    if (read.takes_logfile && read.logfile.size() >= sizeof option3.logfile)
        return kPathTooLong;
    return nullptr;
}

void report_write_failure(int error)
{
    std::string message = "The settings could not be saved in ";
    message += kSettingsFileName;
    message += ": ";
    message += std::strerror(error);
    open_error_box(message.c_str(), window, G_CALLBACK(closeSaveError));
}

} // namespace

const PendingApply& pending_apply() { return pending; }

void apply_commit()
{
    take_typed_settings(pending.takes_logfile ? pending.logfile.c_str() : nullptr,
                        pending.takes_password ? pending.password.c_str() : nullptr);
    // A rebuild while a password dialog was open filled the page from the old record.
    show_stored_settings();
    if (int error = write_settings_file())
        report_write_failure(error);
}

void apply_ok(GtkWidget*, gpointer)
{
    pending = read_page();
    // A text that does not fit is refused; the drives switched on the page still are.
    if (const char* message = overlong_text_message(pending))
        open_error_box(message, window, G_CALLBACK(closeSaveError));
    else if (option3.usepassword == 1)
        open_password_confirm();
    else
        apply_commit();
    apply_power_changes();
}

void closeSaveError(GtkWidget*, gpointer errorbox)
{
    gtk_widget_destroy(GTK_WIDGET(errorbox));
}
