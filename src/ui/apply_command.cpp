#include "ui/apply_command.h"

#include "settings/apply_rules.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"
#include "ui/password_protection.h"
#include "ui/power_management.h"
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
    take_typed_settings(filenamebar ? gtk_entry_get_text(GTK_ENTRY(filenamebar)) : nullptr,
                        passwordbar ? gtk_entry_get_text(GTK_ENTRY(passwordbar)) : nullptr);
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
