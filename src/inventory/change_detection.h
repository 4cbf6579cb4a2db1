// Change detection: decides when the notebook must be built anew, from each array's
// member mask and status class compared with the snapshot in lasttime.
#pragma once

// 1 when an array differs from the snapshot; the snapshot is not changed.
int str_cmp();

// Compares, rebuilds the notebook on a difference, then refreshes the snapshot.
int gtkInitGraph();
