#include "ui/images.h"

GtkWidget* CreateWidgetFromXpm(GtkWidget*, const char** data)
{
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_xpm_data(data);
    GtkWidget* image = gtk_image_new_from_pixbuf(pixbuf);
    if (pixbuf)
        g_object_unref(pixbuf);
    gtk_widget_show(image);
    return image;
}
