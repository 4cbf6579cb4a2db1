// The cadence of the one-second tick, shared by the window and the resident monitor:
// a counter running 1..39, change detection on even counts, the rebuild refresh (with the
// schedule check) on multiples of 5, the inventory scan on multiples of 8.
#pragma once

// Runs 1..39 and wraps to 1; 0 before the first tick.
extern int secondCount;

// The work a front end hangs on the tick; a null entry is skipped.
struct TickWork {
    void (*every_tick)();
    void (*change_detection)();
    void (*rebuild_refresh)();
    void (*scan)();
};

// One tick: advances secondCount and runs the work due at the new count, in the order
// of the fields above.
void run_tick(const TickWork& work);
