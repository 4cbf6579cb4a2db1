// Password protection of the settings: the "Enable password" check box, the "Password
// Modify" dialog that guards turning protection off, the two "Password Confirm" dialogs
// that Apply opens, and their "Error" boxes. Every dialog is modal (input grab).
#pragma once

#include "settings/password_rules.h"

#include <gtk/gtk.h>

inline constexpr const char* kWrongPassword = "Password is wrong, Please input once more !";
inline constexpr const char* kWrongOldPassword = "Old password is wrong, Please input once more !";
inline constexpr const char* kWrongNewPassword = "New password is wrong, Please input once more !";
inline constexpr const char* kPasswordTooLong = "The password is too long: at most 55 bytes.";

// "toggled" of passwordbutton, with passwordbar as user data.
void entry_toggle_password(GtkWidget* checkbutton, gpointer entry);
// Sets the current page's passwordbutton (if any) without running its handler.
void set_passwordbutton_quietly(bool active);

// Password Modify: OK, Cancel, and OK of its error box. User data: the dialog (box).
void closePassword(GtkWidget* widget, gpointer dialog);
void cancelPassword(GtkWidget* widget, gpointer dialog);
void closePassError(GtkWidget* widget, gpointer errorbox);

// Opens the Password Confirm dialog Apply needs: with re-entry when the new password
// taken at Apply differs from the stored password, without it when they are equal.
void open_password_confirm();

// Password Confirm: OK with re-entry, OK without, Cancel of both, OK of their error box.
void closeApplyPassword(GtkWidget* widget, gpointer dialog);
void closeApplyPassword1(GtkWidget* widget, gpointer dialog);
void cancelApplyPassword(GtkWidget* widget, gpointer dialog);
void closeApplyPassError(GtkWidget* widget, gpointer errorbox);

// A modal "Error" box with one message and an "OK" button running ok_handler (which is
// given the box), on top of parent (may be null).
GtkWidget* open_error_box(const char* message, GtkWidget* parent, GCallback ok_handler);
