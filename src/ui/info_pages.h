// Information pages: the text areas beside the trees, each backed by an off-screen
// surface that the select handlers draw into and the draw handler copies to the screen.
// The surfaces are made once, at the first configure event, and outlive every rebuild.
#pragma once

#include <gtk/gtk.h>

// Image surfaces made at the first configure event of their text area, with its size
// then, and kept for the whole run.
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

// What a page shows, by the kind of object selected.
enum class PageKind { ArraySummary, MemberDrive, Controller, Channel, ChannelDrive };

// The lines of a page, top to bottom: line k is drawn with its baseline at 20 + 20 k.
// An empty line keeps its place. An index out of range for the kind gives no lines.
inline constexpr int kMaxPageLines = 14;
struct PageLines {
    const char* line[kMaxPageLines];
    int count;
};
PageLines page_lines(PageKind kind, int index);

// Left edge and baseline spacing of the page text, in pixels.
inline constexpr int kTextLeft = 10;
inline constexpr int kLineStep = 20;

// The colour a text area shows before its first page: the theme's background for an
// insensitive widget.
GdkRGBA insensitive_background_colour();
