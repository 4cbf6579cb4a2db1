#include "ui/password_protection.h"

#include "settings/password_rules.h"
#include "settings/settings_record.h"
#include "ui/apply_command.h"
#include "ui/padded_label.h"
#include "ui/reader_names.h"
#include "ui/widget_registry.h"

#include <string>

namespace {

constexpr const char* kPasswordModifyTitle = "Password Modify";
constexpr const char* kPasswordConfirmTitle = "Password Confirm";
constexpr const char* kErrorTitle = "Error";
constexpr const char* kOldPasswordPrompt = "Please input old password:";
constexpr const char* kReentryPrompt = "Please reentry new password:";
constexpr const char* kPasswordPrompt = "Please input password:";

// Text of an entry reached through a handle that may be null (no page built).
std::string text_of(GtkWidget* entry)
{
    return entry ? std::string(gtk_entry_get_text(GTK_ENTRY(entry))) : std::string();
}

void forget_handle(GtkWidget* widget, gpointer handle)
{
    auto slot = static_cast<GtkWidget**>(handle);
    if (*slot == widget)
        *slot = nullptr;
}

// The dialog entries' handles name live entries only: a closed dialog clears its own.
void register_dialog_entry(GtkWidget*& handle, GtkWidget* entry)
{
    handle = entry;
    g_signal_connect(entry, "destroy", G_CALLBACK(forget_handle), &handle);
}

GtkWidget* new_dialog(const char* title)
{
    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    return dialog;
}

void add_row(GtkWidget* dialog, GtkWidget* row, bool visible = true)
{
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE, 0);
    if (visible)
        gtk_widget_show(row);
}

// A hidden-text entry under its prompt, read out as the prompt; Enter in it presses OK.
GtkWidget* add_prompted_entry(GtkWidget* dialog, const char* prompt, bool visible = true)
{
    GtkWidget* label = padded_label(prompt);
    add_row(dialog, label, visible);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
    gtk_entry_set_max_length(GTK_ENTRY(entry), kPasswordMaxLength);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    name_for_reader(entry, prompt, label);
    add_row(dialog, entry, visible);
    return entry;
}

void add_button_row(GtkWidget* dialog, GCallback ok_handler, GCallback cancel_handler)
{
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    GtkWidget* ok = gtk_button_new_with_label("OK");
    GtkWidget* cancel = gtk_button_new_with_label("Cancel");
    g_signal_connect(ok, "clicked", ok_handler, dialog);
    g_signal_connect(cancel, "clicked", cancel_handler, dialog);
    gtk_box_pack_start(GTK_BOX(row), ok, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(row), cancel, FALSE, FALSE, 0);
    gtk_widget_show(ok);
    gtk_widget_show(cancel);
    add_row(dialog, row);
    gtk_widget_set_can_default(ok, TRUE);
    gtk_widget_grab_default(ok);
}

// Shown, modal over the main window (or the dialog below), and holding the input grab
// until it is destroyed.
void show_modal(GtkWidget* dialog, GtkWidget* parent)
{
    if (parent)
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(parent));
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_widget_show(dialog);
    gtk_grab_add(dialog);
}

void open_password_modify()
{
    GtkWidget* dialog = new_dialog(kPasswordModifyTitle);
    register_dialog_entry(passwordentry, add_prompted_entry(dialog, kOldPasswordPrompt));
    add_button_row(dialog, G_CALLBACK(closePassword), G_CALLBACK(cancelPassword));
    show_modal(dialog, window);
}

// The old-password rows exist in both confirm dialogs but show only when a password is
// stored.
void add_old_password_rows(GtkWidget* dialog, const char* prompt)
{
    const bool has_password = !stored_password().empty();
    register_dialog_entry(passwordentry, add_prompted_entry(dialog, prompt, has_password));
}

void open_confirm_with_reentry()
{
    GtkWidget* dialog = new_dialog(kPasswordConfirmTitle);
    add_old_password_rows(dialog, kOldPasswordPrompt);
    register_dialog_entry(passwordreentry, add_prompted_entry(dialog, kReentryPrompt));
    add_button_row(dialog, G_CALLBACK(closeApplyPassword), G_CALLBACK(cancelApplyPassword));
    show_modal(dialog, window);
}

void open_confirm_without_reentry()
{
    GtkWidget* dialog = new_dialog(kPasswordConfirmTitle);
    add_old_password_rows(dialog, kPasswordPrompt);
    add_button_row(dialog, G_CALLBACK(closeApplyPassword1), G_CALLBACK(cancelApplyPassword));
    show_modal(dialog, window);
}

// The hidden entry of a dialog without a stored password is not read.
bool current_password_wrong() { return typed_password_wrong(text_of(passwordentry)); }

} // namespace

void set_passwordbutton_quietly(bool active)
{
    if (!passwordbutton)
        return;
    const auto handler = reinterpret_cast<gpointer>(entry_toggle_password);
    g_signal_handlers_block_matched(passwordbutton, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr, handler, nullptr);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(passwordbutton), active);
    g_signal_handlers_unblock_matched(passwordbutton, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr, handler, nullptr);
}

GtkWidget* open_error_box(const char* message, GtkWidget* parent, GCallback ok_handler)
{
    GtkWidget* box = new_dialog(kErrorTitle);
    add_row(box, padded_label(message));
    GtkWidget* ok = gtk_button_new_with_label("OK");
    g_signal_connect(ok, "clicked", ok_handler, box);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(box))), ok, FALSE, FALSE, 0);
    gtk_widget_show(ok);
    show_modal(box, parent);
    return box;
}

void entry_toggle_password(GtkWidget* checkbutton, gpointer entry)
{
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(checkbutton))) {
        gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
        gtk_widget_show(GTK_WIDGET(entry));
        option3.usepassword = 1;
    } else if (stored_password().empty()) {
        gtk_widget_hide(GTK_WIDGET(entry));
        option3.usepassword = 0;
    } else {
        open_password_modify();
    }
}

void closePassword(GtkWidget*, gpointer dialog)
{
    if (typed_password_wrong(text_of(passwordentry))) {
        open_error_box(kWrongPassword, GTK_WIDGET(dialog), G_CALLBACK(closePassError));
        return;
    }
    // A rebuild while the dialog was open shows the box on again: turning it off must
    // not ask for the password a second time.
    set_passwordbutton_quietly(false);
    if (passwordbar)
        gtk_widget_hide(passwordbar);
    gtk_widget_destroy(GTK_WIDGET(dialog));
    if (passwordbar)
        gtk_entry_set_text(GTK_ENTRY(passwordbar), "");
    option3.usepassword = 0;
}

void cancelPassword(GtkWidget*, gpointer dialog)
{
    if (passwordbutton)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(passwordbutton), TRUE);
    gtk_widget_destroy(GTK_WIDGET(dialog));
}

void closePassError(GtkWidget*, gpointer errorbox)
{
    gtk_widget_destroy(GTK_WIDGET(errorbox));
}

void open_password_confirm()
{
    if (pending_apply().password != stored_password())
        open_confirm_with_reentry();
    else
        open_confirm_without_reentry();
}

void closeApplyPassword(GtkWidget*, gpointer dialog)
{
    if (current_password_wrong()) {
        open_error_box(kWrongOldPassword, GTK_WIDGET(dialog), G_CALLBACK(closeApplyPassError));
        return;
    }
    // The new password as Apply took it: a rebuild meanwhile refills the page's entry.
    if (pending_apply().password != text_of(passwordreentry)) {
        open_error_box(kWrongNewPassword, GTK_WIDGET(dialog), G_CALLBACK(closeApplyPassError));
        return;
    }
    apply_commit();
    gtk_widget_destroy(GTK_WIDGET(dialog));
}

void closeApplyPassword1(GtkWidget*, gpointer dialog)
{
    if (current_password_wrong()) {
        open_error_box(kWrongPassword, GTK_WIDGET(dialog), G_CALLBACK(closeApplyPassError));
        return;
    }
    apply_commit();
    gtk_widget_destroy(GTK_WIDGET(dialog));
}

void cancelApplyPassword(GtkWidget*, gpointer dialog)
{
    gtk_widget_destroy(GTK_WIDGET(dialog));
}

void closeApplyPassError(GtkWidget*, gpointer errorbox)
{
    gtk_widget_destroy(GTK_WIDGET(errorbox));
}
