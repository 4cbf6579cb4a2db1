#include "ui/options_page.h"

#include "base/bounded_text.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "ui/apply_command.h"
#include "ui/notification_options.h"
#include "ui/password_protection.h"
#include "ui/power_management.h"
#include "settings/settings_record.h"
#include "ui/images.h"
#include "ui/reader_names.h"
#include "ui/valid_text.h"
#include "ui/widget_registry.h"

#include <string>

namespace {

// The entries take no more than the record's fields hold.
constexpr int kLogFileMaxLength = sizeof(SettingsRecord::logfile) - 1;

constexpr const char* kAudibleLabel = "Enable audible prompt                                      ";
constexpr const char* kSpacer69 = "                                                                     ";
constexpr const char* kColumnSpacer = "      ";
constexpr const char* kApplySpacer = "    ";

constexpr const char* kPositionLabels[kDrivePositions] = {
    "Halvoren 1 Channel 1 Master:    ", "Halvoren 1 Channel 1 Slave:     ",
    "Halvoren 1 Channel 2 Master:    ", "Halvoren 1 Channel 2 Slave:     ",
    "Halvoren 2 Channel 1 Master:    ", "Halvoren 2 Channel 1 Slave:     ",
    "Halvoren 2 Channel 2 Master:    ", "Halvoren 2 Channel 2 Slave:     ",
};

GtkWidget* new_box(GtkOrientation orientation)
{
    return gtk_box_new(orientation, 0);
}

void pack(GtkWidget* box, GtkWidget* child)
{
    gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0);
    gtk_widget_show(child);
}

void pack_label(GtkWidget* box, const char* text)
{
    pack(box, gtk_label_new(text));
}

GtkWidget* new_check_button(const char* label, bool active)
{
    GtkWidget* button = gtk_check_button_new_with_label(label);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), active);
    return button;
}

GtkWidget* new_entry(const char* text, int max_length)
{
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_max_length(GTK_ENTRY(entry), max_length);
    gtk_entry_set_text(GTK_ENTRY(entry), valid_text(text).get());
    return entry;
}

// A frame in the page table; `left`/`top` and spans as in the cells of the layout. The
// frame fills its column and its rows grow with the page.
GtkWidget* attach_frame(GtkWidget* table, const char* title, GtkWidget* content, int left, int top, int height)
{
    GtkWidget* frame = gtk_frame_new(title);
    gtk_container_add(GTK_CONTAINER(frame), content);
    gtk_widget_show(content);
    gtk_widget_set_halign(frame, GTK_ALIGN_FILL);
    gtk_widget_set_valign(frame, GTK_ALIGN_CENTER);
    gtk_widget_set_vexpand(frame, TRUE);
    gtk_grid_attach(GTK_GRID(table), frame, left, top, 1, height);
    gtk_widget_show(frame);
    return frame;
}

void attach_filling(GtkWidget* table, GtkWidget* child, int left, int top)
{
    gtk_widget_set_halign(child, GTK_ALIGN_FILL);
    gtk_widget_set_valign(child, GTK_ALIGN_FILL);
    gtk_grid_attach(GTK_GRID(table), child, left, top, 1, 1);
    gtk_widget_show(child);
}

GtkWidget* log_file_row()
{
    GtkWidget* row = new_box(GTK_ORIENTATION_HORIZONTAL);
    const bool use_log = option3.uselogfile == 1;
    GtkWidget* uselog = new_check_button("Use log file", use_log);
    pack(row, uselog);

    filenamebar = new_entry(field_text(option3.logfile).c_str(), kLogFileMaxLength);
    gtk_editable_set_editable(GTK_EDITABLE(filenamebar), use_log);
    gtk_box_pack_start(GTK_BOX(row), filenamebar, FALSE, FALSE, 0);
    name_for_reader(filenamebar, "Log file", uselog);
    if (use_log)
        gtk_widget_show(filenamebar);
    g_signal_connect(uselog, "toggled", G_CALLBACK(entry_toggle_editable), filenamebar);

    GtkWidget* file_button = gtk_button_new();
    gtk_container_add(GTK_CONTAINER(file_button), CreateWidgetFromXpm(file_button, FileButton));
    name_for_reader(file_button, "Choose log file");
    g_signal_connect(file_button, "clicked", G_CALLBACK(fileselect), nullptr);
    pack(row, file_button);
    return row;
}

GtkWidget* notification_section()
{
    GtkWidget* box = new_box(GTK_ORIENTATION_VERTICAL);
    pack_label(box, "");
    beepbutton = new_check_button(kAudibleLabel, option3.audible == 1);
    g_signal_connect(beepbutton, "clicked", G_CALLBACK(setbeep), nullptr);
    pack(box, beepbutton);
    pack_label(box, "");
    popupbutton = new_check_button("Popup message box", option3.popup == 1);
    g_signal_connect(popupbutton, "clicked", G_CALLBACK(setpopup), nullptr);
    pack(box, popupbutton);
    pack_label(box, "");
    pack(box, log_file_row());
    pack_label(box, "");
    return box;
}

// The switch is read out as its drive position, the label's text without its padding.
void name_power_switch(GtkWidget* button, GtkWidget* position_label, int position)
{
    std::string name = kPositionLabels[position];
    name.erase(name.find_last_not_of(' ') + 1);
    name_for_reader(button, name.c_str(), position_label);
}

void add_power_controls(GtkWidget* row, GtkWidget* position_label, int position)
{
    const bool on = PowerManage[position][1] == 1;
    power_label(position) = gtk_label_new(on ? kPowerOnText : kPowerOffText);
    pack(row, power_label(position));
    GtkWidget* button = gtk_toggle_button_new();
    gtk_widget_set_size_request(button, 12, 8);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(button), on);
    name_power_switch(button, position_label, position);
    power_button(position) = button;
    pack(row, button);
    g_signal_connect(button, "toggled", power_toggle_handler(position), button);
}

GtkWidget* power_row(int position)
{
    GtkWidget* row = new_box(GTK_ORIENTATION_HORIZONTAL);
    GtkWidget* position_label = gtk_label_new(kPositionLabels[position]);
    pack(row, position_label);
    if (PowerManage[position][0] == 1) {
        add_power_controls(row, position_label, position);
    } else {
        power_label(position) = gtk_label_new(SystemBusy != 0 ? "System Busy" : "None");
        pack(row, power_label(position));
    }
    return row;
}

GtkWidget* power_section()
{
    GtkWidget* box = new_box(GTK_ORIENTATION_VERTICAL);
    pack_label(box, kSpacer69);
    for (int position = 0; position < kDrivePositions; ++position) {
        pack(box, power_row(position));
        if (position == 7) {
            pack_label(box, "");
            continue;
        }
        pack_label(box, kSpacer69);
        if (position == 3)
            pack_label(box, kSpacer69);
    }
    return box;
}

GtkWidget* password_section()
{
    GtkWidget* box = new_box(GTK_ORIENTATION_VERTICAL);
    pack_label(box, "");
    GtkWidget* row = new_box(GTK_ORIENTATION_HORIZONTAL);
    const bool protect = option3.usepassword == 1;
    passwordbutton = new_check_button("Enable password", protect);
    pack(row, passwordbutton);
    passwordbar = new_entry(field_text(option3.password).c_str(), kPasswordMaxLength);
    gtk_box_pack_start(GTK_BOX(row), passwordbar, FALSE, FALSE, 0);
    name_for_reader(passwordbar, "Password", passwordbutton);
    if (protect) {
        gtk_entry_set_visibility(GTK_ENTRY(passwordbar), FALSE);
        gtk_widget_show(passwordbar);
    }
    g_signal_connect(passwordbutton, "toggled", G_CALLBACK(entry_toggle_password), passwordbar);
    pack(box, row);
    pack_label(box, "");
    return box;
}

GtkWidget* labelled_box(const char* text)
{
    GtkWidget* box = new_box(GTK_ORIENTATION_HORIZONTAL);
    pack_label(box, text);
    return box;
}

GtkWidget* apply_row()
{
    GtkWidget* row = labelled_box(kApplySpacer);
    GtkWidget* apply = gtk_button_new_with_label("Apply");
    g_signal_connect(apply, "clicked", G_CALLBACK(apply_ok), nullptr);
    gtk_box_pack_end(GTK_BOX(row), apply, FALSE, FALSE, 0);
    gtk_widget_show(apply);
    return row;
}

} // namespace

void show_stored_settings()
{
    if (filenamebar)
        gtk_entry_set_text(GTK_ENTRY(filenamebar), valid_text(option3.logfile).get());
    if (!passwordbar)
        return;
    gtk_entry_set_text(GTK_ENTRY(passwordbar), valid_text(option3.password).get());
    const bool protect = option3.usepassword == 1;
    set_passwordbutton_quietly(protect);
    if (protect) {
        gtk_entry_set_visibility(GTK_ENTRY(passwordbar), FALSE);
        gtk_widget_show(passwordbar);
    } else {
        gtk_widget_hide(passwordbar);
    }
}

void build_options_page(GtkWidget* notebook)
{
    GtkWidget* table = gtk_grid_new();
    gtk_widget_show(table);
    attach_frame(table, "Notification", notification_section(), 0, 0, 1);
    attach_frame(table, "Power Manage", power_section(), 2, 0, 2);
    attach_frame(table, "Password", password_section(), 0, 1, 1);
    attach_filling(table, labelled_box(kColumnSpacer), 1, 0);
    attach_filling(table, apply_row(), 2, 3);
    GtkWidget* tab = gtk_label_new("Option");
    gtk_widget_show(tab);
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), table, tab);
}
