#include "ui/rebuild_progress.h"

#include "base/bounded_text.h"
#include "inventory/inventory_tables.h"
#include "monitor/sync_schedule.h"
#include "ui/progress_bar.h"
#include "ui/widget_registry.h"

#include <climits>
#include <cstdint>

namespace {

constexpr int kLabelSize = 76;

bool bars_exist() { return pbar1 && pbar2 && barlabel1 && barlabel2; }

// First array index whose member mask holds the bit, or -1.
int array_of(int bit)
{
    for (int i = 0; i < kArrays; ++i)
        if (arrayrebuildinfo[i][2] & bit)
            return i;
    return -1;
}

int clamped_to_int(std::int64_t value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

void update_bar(GtkWidget* label, GtkWidget* bar, const char* text, int bit)
{
    if (!bars_exist())
        return;
    gtk_label_set_text(GTK_LABEL(label), text);
    gtk_widget_show(label);
    gtk_widget_show(bar);
    progress_bar_set_value(bar, stringdivide(bit));
}

} // namespace

int gtkRebuild()
{
    gtkSynchronize();
    const int mask = rebuilding_drive_mask();
    if (mask == 0) {
        clearrebuild(0);
        return 0;
    }
    for (int position = 0; position < kDrivePositions; ++position)
        if (mask & (1 << position))
            showrebuild(1 << position);
    return 0;
}

void showrebuild(int bit)
{
    const int array_index = array_of(bit);
    if (array_index < 0)
        return;
    char text[kLabelSize];
    copy_text(text, "Rebuilding Array #");
    append_format(text, sizeof text, "%d synchronization in progress", array_index + 1);

    bool shown = false;
    if (arrayrebuilddisk[0] == bit) {
        update_bar(barlabel1, pbar1, text, bit);
        shown = true;
    }
    if (arrayrebuilddisk[1] == bit) {
        update_bar(barlabel2, pbar2, text, bit);
        shown = true;
    }
    if (arrayrebuilddisk[0] == 0 && !shown) {
        arrayrebuilddisk[0] = bit;
        update_bar(barlabel1, pbar1, text, bit);
        shown = true;
    }
    if (!shown) {
        arrayrebuilddisk[1] = bit;
        update_bar(barlabel2, pbar2, text, bit);
    }
}

void clearrebuild(int)
{
    if (!bars_exist())
        return;
    gtk_widget_hide(barlabel1);
    gtk_widget_hide(barlabel2);
    gtk_widget_hide(pbar1);
    gtk_widget_hide(pbar2);
}

int stringdivide(int bit)
{
    const int array_index = array_of(bit);
    if (array_index < 0)
        return 0;
    const std::int32_t progress = arrayrebuildinfo[array_index][0];
    const std::int32_t size = arrayrebuildinfo[array_index][1];
    // No size, no percentage: the bar stays at its minimum.
    if (size == 0)
        return 0;
    // Multiplying first in 64 bits keeps whole percents exact: 29 of 100 is 29.
    return clamped_to_int(std::int64_t{progress} * 100 / size);
}
