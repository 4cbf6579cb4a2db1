// Drive power switching from the "Power Manage" rows of the "Option" page. A power
// button only marks a wish and relabels its row; Apply's power step sends one power
// command per position whose button disagrees with PowerManage.
#pragma once

#include <gtk/gtk.h>

inline constexpr const char* kPowerOnText = "Power On   ";
inline constexpr const char* kPowerOffText = "Power Off   ";

// "toggled" handlers of PowerButton0..7, each given its own button.
void entry_toggle_PowerButton0(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton1(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton2(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton3(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton4(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton5(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton6(GtkWidget* button, gpointer data);
void entry_toggle_PowerButton7(GtkWidget* button, gpointer data);

// The handler of a drive position's button.
GCallback power_toggle_handler(int position);

// Sends the pending power changes in position order. A failed command puts its row back
// to the recorded state; a position without a button on the current page is skipped.
void apply_power_changes();
