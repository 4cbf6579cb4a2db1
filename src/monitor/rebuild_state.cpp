#include "monitor/rebuild_state.h"

#include "base/bounded_text.h"
#include "inventory/inventory_tables.h"
#include "monitor/sync_schedule.h"

#include <algorithm>
#include <cstdint>

namespace {

// A counter past the size or below zero (a driver's stale or damaged numbers) is shown
// as done or not begun, never as a percentage no rebuild can have.
int clamped_to_percent(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, 100));
}

} // namespace

int rebuild_array_of(int bit)
{
    for (int i = 0; i < kArrays; ++i)
        if (arrayrebuildinfo[i][2] & bit)
            return i;
    return -1;
}

int stringdivide(int bit)
{
    const int array_index = rebuild_array_of(bit);
    if (array_index < 0)
        return 0;
    const std::int32_t progress = arrayrebuildinfo[array_index][0];
    const std::int32_t size = arrayrebuildinfo[array_index][1];
    // No size, no percentage: the bar stays at its minimum.
    if (size == 0)
        return 0;
    // Multiplying first in 64 bits keeps whole percents exact: 29 of 100 is 29.
    return clamped_to_percent(std::int64_t{progress} * 100 / size);
}

void rebuild_label_text(int array_index, char (&text)[kRebuildLabelSize])
{
    copy_text(text, "Rebuilding Array #");
    append_format(text, sizeof text, "%d synchronization in progress", array_index + 1);
}

// A bit that holds a slot keeps it; a new one takes slot 1 when free, otherwise slot 2
// whatever it held.
int take_rebuild_slots(int bit)
{
    int bars = 0;
    if (arrayrebuilddisk[0] == bit)
        bars |= 1;
    if (arrayrebuilddisk[1] == bit)
        bars |= 2;
    if (bars != 0)
        return bars;
    if (arrayrebuilddisk[0] == 0) {
        arrayrebuilddisk[0] = bit;
        return 1;
    }
    arrayrebuilddisk[1] = bit;
    return 2;
}

void rebuild_refresh(void (*show)(int bit), void (*clear)())
{
    gtkSynchronize();
    const int mask = rebuilding_drive_mask();
    if (mask == 0) {
        if (clear)
            clear();
        return;
    }
    for (int position = 0; position < kDrivePositions; ++position)
        if (mask & (1 << position))
            show(1 << position);
}
