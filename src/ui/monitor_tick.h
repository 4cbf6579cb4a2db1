// The one-second tick: the only periodic work of the program.
#pragma once

#include "monitor/tick_cadence.h"

#include <gtk/gtk.h>

// Timer callback: beeps, runs change detection, the rebuild display and the inventory
// scan at their counts. Always returns TRUE, so the timer is never removed.
gboolean gtkBeepCheck(gpointer data);

// Sounds the display bell once.
void ring_bell();
// How many times ring_bell has sounded the bell since the program started.
extern long bells_rung;
