// Start-up and the two top-level windows: the main window with the one-second tick, or,
// when no card answers, the window whose one button ends the program.
#pragma once

#include <gtk/gtk.h>

inline constexpr const char* kMainWindowTitle = "Quorvex Monitor Utility V1.20 Build8";
inline constexpr const char* kNoCardText = "No Halvoren Card Detected Or No compatible driver";

// Record k holds byte k and a NUL; a tree item carries record k as its index.
extern char astring[32][10];

// The whole program: settings, toolkit, first scan, a window, the main loop. Returns 0,
// or 3 when the command line holds what neither the program nor the toolkit takes.
int run_monitor(int argc, char** argv);

// What the window makes of a scan's end and of the log watch's events.
void install_window_hooks();

// The steps of start-up between the toolkit's initialisation and the main loop.
void prepare_startup_state();
void open_main_window();
// After the first scan: the main window, or the no-card window and the reason on stderr.
void open_first_window();
void open_no_card_window();

// Quits the main loop; handler of the main window's close request, the no-card button
// and the "close" button. Returns FALSE so the default close handling stays in place.
// (Named so because `delete` is a keyword.)
gboolean delete_handler();
