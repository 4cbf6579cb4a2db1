// A shown toplevel with a notebook holding the "Option" page, the simulated card behind
// the device port and a fresh working directory; plus lookups for dialogs and widgets.
#pragma once

#include "test_support.h"

#include "settings/settings_record.h"
#include "simulated_driver.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <string>
#include <vector>

class OptionsPageTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads "quorvex.conf" from the working directory (defaults when missing).
    void load_settings();
    // Writes a settings file from a record, as a previous Apply would have.
    void store_settings(const SettingsRecord& record);
    void build_page();
    // What a notebook rebuild does to the page: forget the handles, destroy, build again.
    void rebuild_page();
    std::string settings_file() const;
    void press_apply();

    ScopedWorkDir dir;
    SimulatedCard card;
    GtkWidget* top = nullptr;
    GtkWidget* book = nullptr;
};

// The settings a start without a file produces.
SettingsRecord default_record();
std::string bytes_of(const SettingsRecord& record);

std::vector<GtkWidget*> windows_titled(const char* title);
GtkWidget* only_window_titled(const char* title);
std::vector<GtkWidget*> descendants(GtkWidget* root);
GtkWidget* button_labelled(GtkWidget* root, const char* label);
std::vector<std::string> label_texts(GtkWidget* root, bool visible_only);
bool shown(GtkWidget* widget);
void click(GtkWidget* root, const char* label);
bool active(GtkWidget* toggle);
void set_active(GtkWidget* toggle, bool on);
std::string text_of(GtkWidget* entry);
