// Information pages: the text areas beside the trees, each backed by an off-screen
// surface that the select handlers draw into and the draw handler copies to the screen.
#pragma once

#include <gtk/gtk.h>

// Made at the first configure event of their text area and kept for the whole run.
extern cairo_surface_t* pixmap;
extern cairo_surface_t* pixmap2;

gboolean configure_event(GtkWidget* widget, GdkEventConfigure* event, gpointer data);
gboolean configure_event2(GtkWidget* widget, GdkEventConfigure* event, gpointer data);
gboolean expose_event(GtkWidget* widget, cairo_t* cr, gpointer data);
gboolean expose_event2(GtkWidget* widget, cairo_t* cr, gpointer data);

// Select handlers; record is an astring record whose first byte is the item's index.
void showarray(GtkWidget* item, gpointer record);
void showarraydisk(GtkWidget* item, gpointer record);
void showcontroller(GtkWidget* item, gpointer record);
void showchannel(GtkWidget* item, gpointer record);
void showchanneldisk(GtkWidget* item, gpointer record);

// Redraw an open drive page after a scan; PageInfo is left alone.
void ShowArrayDiskInformation(int slot);
void ShowControllerDiskInformation(int position);
