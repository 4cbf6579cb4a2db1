#include "settings/apply_command.h"

#include "base/bounded_text.h"
#include "settings/password_protection.h"
#include "settings/power_management.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <string>

namespace {

void report_write_failure(int error)
{
    std::string message = "The settings could not be saved in ";
    message += kSettingsFileName;
    message += ": ";
    message += std::strerror(error);
    open_error_box(message.c_str(), window, G_CALLBACK(closeSaveError));
}

} // namespace

void apply_commit()
{
    if (option3.uselogfile == 1 && filenamebar)
        replace_text(option3.logfile, gtk_entry_get_text(GTK_ENTRY(filenamebar)));
    // The page has no schedule controls, so an enabled schedule keeps the times it was
    // loaded with.
    if (passwordbar) {
        replace_text(option3.password, gtk_entry_get_text(GTK_ENTRY(passwordbar)));
        if (option3.password[0] == '\0')
            option3.usepassword = 0;
    }
    if (int error = write_settings_file())
        report_write_failure(error);
}

void apply_ok(GtkWidget*, gpointer)
{
    if (option3.usepassword == 1)
        open_password_confirm();
    else
        apply_commit();
    apply_power_changes();
}

void closeSaveError(GtkWidget*, gpointer errorbox)
{
    gtk_widget_destroy(GTK_WIDGET(errorbox));
}
