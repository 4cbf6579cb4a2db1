// Helpers for tests of the window: the main window as start-up leaves it (tests step the
// tick themselves), its trees, and what the user sees of widgets and dialogs.
#pragma once

#include "event_test_support.h"
#include "test_support.h"

#include "inventory/inventory_tables.h"
#include "settings/settings_record.h"
#include "simulated_driver.h"
#include "ui/info_pages.h"
#include "ui/main_notebook.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <string>

// Start-up state and the empty main window, without the timer.
void open_test_window();
// Runs the main loop until the condition holds or about two seconds have passed.
bool settle_until(const std::function<bool()>& condition);

// The tree's rows, depth first, as "label<kind:index>", each preceded by one '-' per level below the top.
std::string describe_tree(GtkWidget* tree);
// Selects the row of this kind and index as a click would; false when there is none.
bool select_row(GtkWidget* tree, PageKind kind, int index);

// The visible texts under a widget, '|' between them, blank ones left out; a window's
// title comes first, followed by ':'.
std::string shown_texts(GtkWidget* root);
GtkWidget* button_labelled(GtkWidget* root, const char* label);
// Presses the button; what it opens has been shown when this returns.
void click(GtkWidget* root, const char* label);
inline void set_active(GtkWidget* toggle, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on); drain_events(); }
inline void type(GtkWidget* entry, const std::string& text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }
inline bool shown(GtkWidget* widget) { return gtk_widget_get_visible(widget); }
inline bool active(GtkWidget* toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }
inline std::string text_of(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

// The main window with the simulated card, in a fresh working directory.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { install_simulated_driver(card); open_test_window(); }
    // Writes "quorvex.conf", loads it as start-up does and builds the notebook.
    void start_with(const SettingsRecord& record);
    std::string settings_file() const { return read_file(dir.file("quorvex.conf")); }

    ScopedWorkDir dir;
    SimulatedCard card;
};

// The record of a start without a settings file.
inline SettingsRecord default_record() { SettingsRecord r{}; std::strcpy(r.hostip, "127.0.0.1"); r.syncdisabled = 1; return r; }
