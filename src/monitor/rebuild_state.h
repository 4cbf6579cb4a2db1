// The rebuild state the window's bars show and the resident monitor reports: which array
// a rebuilding drive belongs to, how far it is, and which of the two bar slots
// (arrayrebuilddisk) it holds. Every fifth tick runs the refresh: the schedule check
// first, then each rebuilding drive in ascending position.
#pragma once

inline constexpr int kRebuildLabelSize = 76;

// First array index whose member mask holds the drive bit, or -1.
int rebuild_array_of(int bit);
// Percentage done (0..100) of the first array whose member mask holds the bit.
int stringdivide(int bit);
// "Rebuilding Array #<n> synchronization in progress" for the array index.
void rebuild_label_text(int array_index, char (&text)[kRebuildLabelSize]);

// Gives the drive bit its slot: one it already holds, the free slot 1, else slot 2 taken
// over. Returns the bars that show it: bit 0 for bar 1, bit 1 for bar 2.
int take_rebuild_slots(int bit);

// The schedule check, then show(bit) for each rebuilding drive, or clear() (when given)
// while nothing is rebuilt.
void rebuild_refresh(void (*show)(int bit), void (*clear)());
