// A progress bar driven by a value range of its own, as the rebuild rows need: the value
// is clamped into [lower, upper] on the range; the bar shows it as a percentage of 0..100,
// in its text and in its fill alike.
#pragma once

#include <gtk/gtk.h>

// A new progress bar that keeps `range` (it takes a reference) for its whole life.
GtkWidget* progress_bar_new_with_range(GtkAdjustment* range);

GtkAdjustment* progress_bar_range(GtkWidget* bar);

// Sets the value on the bar's own range and shows it, with the value as the bar's text.
void progress_bar_set_value(GtkWidget* bar, double value);
