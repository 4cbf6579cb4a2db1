// The one-second tick: the only periodic work of the program.
#pragma once

#include <gtk/gtk.h>

// Runs 1..39 and wraps to 1.
extern int secondCount;

// Timer callback: beeps, runs change detection, the rebuild display and the inventory
// scan at their counts. Always returns TRUE, so the timer is never removed.
gboolean gtkBeepCheck(gpointer data);

// Sounds the display bell once.
void ring_bell();
// How many times ring_bell has sounded the bell since the program started.
extern long bells_rung;
