#include "ui/progress_bar.h"

#include "base/bounded_text.h"

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
    const double lower = gtk_adjustment_get_lower(range);
    const double upper = gtk_adjustment_get_upper(range);
    const double clamped = value < lower ? lower : (value > upper ? upper : value);
    gtk_adjustment_set_value(range, clamped);
    const double fraction = upper > lower ? (clamped - lower) / (upper - lower) : 0.0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(bar), fraction);
    char text[16];
    // The text tells the value itself, not the fill, which never drops below the range.
    format_text(text, sizeof text, "%d%%", static_cast<int>(value));
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(bar), text);
}
