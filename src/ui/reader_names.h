// Names for assistive technologies: a control whose visible text sits in another widget
// (or in an image) is read out under that text, and the two are related both ways.
#pragma once

#include <gtk/gtk.h>

// Gives `control` the accessible name `name` and, when `label` is given, relates it to
// the widget that shows that text (labelled-by / label-for).
void name_for_reader(GtkWidget* control, const char* name, GtkWidget* label = nullptr);
