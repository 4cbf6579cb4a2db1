// A shown toplevel whose notebook holds the "Option" page, the simulated card behind the
// device port and a fresh working directory; plus lookups for dialogs and widgets.
#pragma once

#include "test_support.h"

#include "settings/settings_record.h"
#include "simulated_driver.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class OptionsPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Writes "quorvex.conf" from a record and loads it, as start-up does.
    void start_with(const SettingsRecord& record);
    void start_without_file();
    void build_page();
    // What a notebook rebuild does to the page: forget the handles, destroy, build again.
    void rebuild_page();
    GtkWidget* page() const { return gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0); }
    std::string settings_file() const { return read_file(dir.file("quorvex.conf")); }

    ScopedWorkDir dir;
    SimulatedCard card;
    GtkWidget* top = nullptr;
    GtkWidget* book = nullptr;
};

// The record of a start without a settings file.
SettingsRecord default_record();
std::string bytes_of(const SettingsRecord& record);

std::vector<GtkWidget*> windows_titled(const char* title);
GtkWidget* only_window_titled(const char* title);
std::vector<GtkWidget*> descendants(GtkWidget* root);
GtkWidget* button_labelled(GtkWidget* root, const char* label);
std::vector<std::string> label_texts(GtkWidget* root, bool visible_only = false);
void click(GtkWidget* root, const char* label);
bool active(GtkWidget* toggle);
void set_active(GtkWidget* toggle, bool on);
void type(GtkWidget* entry, const std::string& text);
std::string text_of(GtkWidget* entry);
inline bool shown(GtkWidget* widget) { return gtk_widget_get_visible(widget); }
