// Start-up and the two top-level windows: the main window with the one-second tick, or,
// when no card answers, the window whose one button ends the program.
#pragma once

#include <gtk/gtk.h>

inline constexpr const char* kMainWindowTitle = "Quorvex Monitor Utility V1.20 Build8";
inline constexpr const char* kNoCardText = "No Halvoren Card Detected Or No compatible driver";

// Record k holds byte k and a NUL; a tree item carries record k as its index.
extern char astring[32][10];

// The whole program: settings, command line and toolkit, first scan, a window, the main
// loop. Returns 0, or 1 after a bad command line.
int run_monitor(int argc, char** argv);

// Parses the toolkit's options and the program's own (--journal-directory=DIR), removing
// them from argv, and initialises the toolkit. A bad option or no display: the message on
// standard error and false.
bool parse_command_line(int* argc, char*** argv);

// The steps of start-up between the toolkit's initialisation and the main loop.
void prepare_startup_state();
void open_main_window();
void open_no_card_window();

// Quits the main loop; handler of the main window's close request, the no-card button
// and the "close" button. Returns FALSE so the default close handling stays in place.
// (Named so because `delete` is a keyword.)
gboolean delete_handler();
