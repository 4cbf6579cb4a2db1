// The command line: the options every front end accepts, parsed with GLib before any
// toolkit starts, and the answers that need no window (--status, --json, --prometheus,
// --version), given from the core alone.
#pragma once

#include <glib.h>

#include <optional>
#include <vector>

// Parses the program's options, and a front end's own `extra` entries, out of argc/argv. When they ask for an answer without a
// window, gives it and returns the exit status; otherwise returns nothing and leaves in
// argv what the toolkit may still take.
std::optional<int> run_command_line(int& argc, char**& argv, const std::vector<GOptionEntry>& extra = {});
