// Rebuild progress display: up to two labelled bars while drives are rebuilt.
#pragma once

// Every fifth tick: the schedule check, then the bars brought up to date.
int gtkRebuild();
// Shows or updates the bar of the array holding this drive bit.
void showrebuild(int bit);
// Hides both labels and bars (called with 0 only).
void clearrebuild(int unused);
// Percentage done of the first array whose member mask holds the bit.
int stringdivide(int bit);
