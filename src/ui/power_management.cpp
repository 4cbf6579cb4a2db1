#include "ui/power_management.h"

#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "settings/apply_rules.h"
#include "ui/widget_registry.h"

namespace {

void show_power_state(int position, bool on)
{
    if (GtkWidget* label = power_label(position))
        gtk_label_set_text(GTK_LABEL(label), on ? kPowerOnText : kPowerOffText);
}

void power_toggled(int position, GtkWidget* button)
{
    show_power_state(position, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)));
}

void restore_recorded_state(int position, GtkWidget* button)
{
    const bool on = PowerManage[position][1] != 0;
    // The toggled handler writes the matching label.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), on);
}

void apply_power_change(int position)
{
    if (PowerManage[position][0] != 1)
        return;
    // A position that became manageable after the page was built has no button yet.
    GtkWidget* button = power_button(position);
    if (!button)
        return;
    std::int32_t& powered_on = PowerManage[position][1];
    if (!power_change_pending(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)), powered_on))
        return;
    const char switch_character = powered_on == 0 ? '1' : '0';
    const char position_character = static_cast<char>('1' + position);
    if (ioctl3805(position_character, switch_character) == 0)
        powered_on = powered_on == 0 ? 1 : 0;
    else
        restore_recorded_state(position, button);
}

} // namespace

void entry_toggle_PowerButton0(GtkWidget* button, gpointer) { power_toggled(0, button); }
void entry_toggle_PowerButton1(GtkWidget* button, gpointer) { power_toggled(1, button); }
void entry_toggle_PowerButton2(GtkWidget* button, gpointer) { power_toggled(2, button); }
void entry_toggle_PowerButton3(GtkWidget* button, gpointer) { power_toggled(3, button); }
void entry_toggle_PowerButton4(GtkWidget* button, gpointer) { power_toggled(4, button); }
void entry_toggle_PowerButton5(GtkWidget* button, gpointer) { power_toggled(5, button); }
void entry_toggle_PowerButton6(GtkWidget* button, gpointer) { power_toggled(6, button); }
void entry_toggle_PowerButton7(GtkWidget* button, gpointer) { power_toggled(7, button); }

GCallback power_toggle_handler(int position)
{
    static const GCallback handlers[kDrivePositions] = {
        G_CALLBACK(entry_toggle_PowerButton0), G_CALLBACK(entry_toggle_PowerButton1),
        G_CALLBACK(entry_toggle_PowerButton2), G_CALLBACK(entry_toggle_PowerButton3),
        G_CALLBACK(entry_toggle_PowerButton4), G_CALLBACK(entry_toggle_PowerButton5),
        G_CALLBACK(entry_toggle_PowerButton6), G_CALLBACK(entry_toggle_PowerButton7),
    };
    return handlers[position];
}

void apply_power_changes()
{
    for (int position = 0; position < kDrivePositions; ++position)
        apply_power_change(position);
}
