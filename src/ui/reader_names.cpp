#include "ui/reader_names.h"

void name_for_reader(GtkWidget* control, const char* name, GtkWidget* label)
{
    AtkObject* reader = gtk_widget_get_accessible(control);
    atk_object_set_name(reader, name);
    if (!label)
        return;
    AtkObject* shown = gtk_widget_get_accessible(label);
    atk_object_add_relationship(reader, ATK_RELATION_LABELLED_BY, shown);
    atk_object_add_relationship(shown, ATK_RELATION_LABEL_FOR, reader);
}
