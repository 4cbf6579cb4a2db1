// Shared set-up for tests: the display, a fresh working directory, the main loop.
#pragma once

#include "settings/settings_record.h"

#include <gtk/gtk.h>
#include <string>

// Initialises the toolkit once per process (tests run under a virtual display).
void ensure_gtk();

// Runs the main loop until nothing is pending.
void drain_events();

// A fresh temporary directory made the working directory for the test's lifetime.
class ScopedWorkDir {
public:
    ScopedWorkDir();
    ~ScopedWorkDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::string previous_;
};

std::string read_file(const std::string& path);
// The bytes of a settings record, as "quorvex.conf" holds them.
inline std::string bytes_of(const SettingsRecord& r) { return std::string(reinterpret_cast<const char*>(&r), sizeof r); }
void write_file(const std::string& path, const std::string& content);
