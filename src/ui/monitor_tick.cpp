#include "ui/monitor_tick.h"

#include "inventory/change_detection.h"
#include "ui/main_notebook.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "monitor/log_watch.h"
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
// A complete scan ends with the log watch; lines the driver logged while it did not
// answer are read all the same.
void scan()
{
    if (gtkReadFile() != 1)
        geterrordata();
}

constexpr TickWork kWindowTick{bell_if_wanted, change_detection, rebuild_refresh, scan};

} // namespace

gboolean gtkBeepCheck(gpointer)
{
    run_tick(kWindowTick);
    return TRUE;
}
