// Set-up shared by the benchmarks of the window: the toolkit on the virtual display, the
// main window as start-up shows it (without its timer: a benchmark steps the tick
// itself), the demo card scanned, and a way to wait until the window has been painted.
#pragma once

#include "simulated_driver.h"

#include <gtk/gtk.h>

// The demo card behind the device port, scanned, with the main window shown and mapped;
// notification flags and the schedule off, the system log out of the way.
// False when there is no display.
bool open_bench_window(SimulatedCard& card);
// Destroys the main window and uninstalls the card.
void close_bench_window();

// Runs the main loop until nothing is pending.
void drain_events();

// Runs the main loop until the main window's frame clock has painted a frame, or a second
// has passed; false on the time-out.
bool wait_for_paint();
