#include "ui/monitor_tick.h"

#include "inventory/change_detection.h"
#include "ui/main_notebook.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "ui/rebuild_progress.h"
#include "settings/settings_record.h"

int secondCount;
long bells_rung;

void ring_bell()
{
    ++bells_rung;
    gdk_display_beep(gdk_display_get_default());
}

namespace {

constexpr int kLastCount = 39;

// Flags are 1 when set; any other stored value counts as off.
bool bell_wanted() { return option3.audible == 1 && errorBeep == 1; }

} // namespace

gboolean gtkBeepCheck(gpointer)
{
    if (++secondCount > kLastCount)
        secondCount = 1;
    if (bell_wanted())
        ring_bell();
    if (secondCount % 2 == 0)
        gtkInitGraph();
    if (secondCount % 5 == 0)
        gtkRebuild();
    if (secondCount % 8 == 0)
        gtkReadFile();
    return TRUE;
}
