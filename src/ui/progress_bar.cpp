#include "ui/progress_bar.h"

#include "base/bounded_text.h"

#include <algorithm>

namespace {
constexpr const char* kRangeKey = "quorvex-range";
}

GtkWidget* progress_bar_new_with_range(GtkAdjustment* range)
{
    GtkWidget* bar = gtk_progress_bar_new();
    g_object_ref_sink(range);
    g_object_set_data_full(G_OBJECT(bar), kRangeKey, range, g_object_unref);
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(bar), TRUE);
    return bar;
}

GtkAdjustment* progress_bar_range(GtkWidget* bar)
{
    return GTK_ADJUSTMENT(g_object_get_data(G_OBJECT(bar), kRangeKey));
}

void progress_bar_set_value(GtkWidget* bar, double value)
{
    GtkAdjustment* range = progress_bar_range(bar);
    gtk_adjustment_set_value(range, std::clamp(value, gtk_adjustment_get_lower(range), gtk_adjustment_get_upper(range)));
    const int percent = static_cast<int>(std::clamp(value, 0.0, 100.0));
    // Assistive technologies read the fill as the bar's value: filled to the percentage
    // the text shows, "50%" is also announced as 50 %.
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), percent / 100.0);
    char text[16];
    format_text(text, sizeof text, "%d%%", percent);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
}
