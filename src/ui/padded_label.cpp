#include "ui/padded_label.h"

#include "ui/valid_text.h"

GtkWidget* padded_label(const char* text)
{
    GtkWidget* label = gtk_label_new(valid_text(text).get());
    gtk_widget_set_margin_start(label, 10);
    gtk_widget_set_margin_end(label, 10);
    gtk_widget_set_margin_top(label, 10);
    gtk_widget_set_margin_bottom(label, 10);
    return label;
}
