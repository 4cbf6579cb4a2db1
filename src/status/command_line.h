// The command line: the options every front end accepts, parsed with GLib before any
// toolkit starts, and the answers that need no window (--status, --json, --prometheus,
// --version), given from the core alone.
#pragma once

#include <glib.h>

#include <optional>
#include <string>
#include <vector>

// Parses the program's options, and a front end's own `extra` entries, out of argc/argv. When they ask for an answer without a
// window, gives it and returns the exit status; otherwise returns nothing and leaves in
// argv what the toolkit may still take.
std::optional<int> run_command_line(int& argc, char**& argv, const std::vector<GOptionEntry>& extra = {});

// What the parsers left at argv[1], said for the user ("unknown option --stauts",
// "unexpected argument x"); empty when nothing is left.
std::string leftover_argument(int argc, char** argv);

// Ends a command line holding something no option takes: the reason and a usage line on
// stderr. Returns the exit status to end with (3, UNKNOWN). For the window, whose toolkit
// takes its own options after the program's.
int refuse_command_line(const std::string& why);
