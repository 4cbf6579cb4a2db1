// Rebuild progress display: up to two labelled bars while drives are rebuilt. The slot
// rules and percentages are the core's (monitor/rebuild_state.h).
#pragma once

#include "monitor/rebuild_state.h"

// Every fifth tick: the schedule check, then the bars brought up to date.
int gtkRebuild();
// Shows or updates the bar of the array holding this drive bit.
void showrebuild(int bit);
// Hides both labels and bars (called with 0 only).
void clearrebuild(int unused);
