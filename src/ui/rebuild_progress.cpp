#include "ui/rebuild_progress.h"

#include "inventory/inventory_tables.h"
#include "ui/progress_bar.h"
#include "ui/widget_registry.h"

namespace {

bool bars_exist() { return pbar1 && pbar2 && barlabel1 && barlabel2; }

void update_bar(GtkWidget* label, GtkWidget* bar, const char* text, int bit)
{
    if (!bars_exist())
        return;
    gtk_label_set_text(GTK_LABEL(label), text);
    atk_object_set_name(gtk_widget_get_accessible(bar), text);
    gtk_widget_show(label);
    gtk_widget_show(bar);
    progress_bar_set_value(bar, stringdivide(bit));
}

void clear_bars() { clearrebuild(0); }

void hide_bar(GtkWidget* label, GtkWidget* bar)
{
    gtk_widget_hide(label);
    gtk_widget_hide(bar);
}

// A drive whose rebuild has ended keeps its slot, but its bar goes while other drives are
// still rebuilt: it must not stay, or come back, at its last percentage.
void hide_finished_bars()
{
    const int mask = rebuilding_drive_mask();
    if (!bars_exist() || mask == 0)
        return;
    if ((arrayrebuilddisk[0] & mask) == 0)
        hide_bar(barlabel1, pbar1);
    if ((arrayrebuilddisk[1] & mask) == 0)
        hide_bar(barlabel2, pbar2);
}

} // namespace

int gtkRebuild()
{
    rebuild_refresh(showrebuild, clear_bars);
    hide_finished_bars();
    return 0;
}

void showrebuild(int bit)
{
    const int array_index = rebuild_array_of(bit);
    if (array_index < 0)
        return;
    char text[kRebuildLabelSize];
    rebuild_label_text(array_index, text);
    const int bars = take_rebuild_slots(bit);
    if (bars & 1)
        update_bar(barlabel1, pbar1, text, bit);
    if (bars & 2)
        update_bar(barlabel2, pbar2, text, bit);
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
