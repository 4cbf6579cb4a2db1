#include "monitor/monitor_tick.h"

int secondCount;
long bells_rung;

void ring_bell()
{
    ++bells_rung;
    gdk_display_beep(gdk_display_get_default());
}

gboolean gtkBeepCheck(gpointer)
{
    if (++secondCount > 39)
        secondCount = 1;
    return TRUE;
}
