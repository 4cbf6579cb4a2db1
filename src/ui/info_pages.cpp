#include "ui/info_pages.h"

cairo_surface_t* pixmap;
cairo_surface_t* pixmap2;

gboolean configure_event(GtkWidget*, GdkEventConfigure*, gpointer) { return TRUE; }
gboolean configure_event2(GtkWidget*, GdkEventConfigure*, gpointer) { return TRUE; }
gboolean expose_event(GtkWidget*, cairo_t*, gpointer) { return FALSE; }
gboolean expose_event2(GtkWidget*, cairo_t*, gpointer) { return FALSE; }
void showarray(GtkWidget*, gpointer) {}
void showarraydisk(GtkWidget*, gpointer) {}
void showcontroller(GtkWidget*, gpointer) {}
void showchannel(GtkWidget*, gpointer) {}
void showchanneldisk(GtkWidget*, gpointer) {}
void ShowArrayDiskInformation(int) {}
void ShowControllerDiskInformation(int) {}
