#include "ui/monitor_tick.h"

#include "inventory/change_detection.h"
#include "ui/main_notebook.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "ui/rebuild_progress.h"
#include "settings/settings_record.h"

long bells_rung;

void ring_bell()
{
    ++bells_rung;
    gdk_display_beep(gdk_display_get_default());
}

namespace {

// Flags are 1 when set; any other stored value counts as off.
void bell_if_wanted()
{
    if (option3.audible == 1 && errorBeep == 1)
        ring_bell();
}

void change_detection() { gtkInitGraph(); }
void rebuild_refresh() { gtkRebuild(); }
void scan() { gtkReadFile(); }

constexpr TickWork kWindowTick{bell_if_wanted, change_detection, rebuild_refresh, scan};

} // namespace

gboolean gtkBeepCheck(gpointer)
{
    run_tick(kWindowTick);
    return TRUE;
}
