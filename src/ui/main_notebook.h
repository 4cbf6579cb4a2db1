// The main window's content: banner, notebook with the "Array", "Controller" and
// "Option" pages, the "close" row and the hidden progress rows; built whole each time
// from the inventory tables, keeping the page that was showing.
#pragma once

#include <gtk/gtk.h>

int initgraph();

// Change detection applied to the window: refreshes the snapshot and, when the arrays
// changed, scans the card and rebuilds the notebook from that scan (an unbuilt notebook is
// built in any case). 1 when they had changed.
int gtkInitGraph();

// Columns of the trees' stores: the label shown, the kind of item (a PageKind of
// ui/info_pages.h) and its index (array, member slot, controller, channel or position).
enum TreeColumn { kTreeLabel, kTreeKind, kTreeIndex, kTreeColumns };

// The tree view on notebook page 0 ("Array") or 1 ("Controller") of the latest build;
// null before the first build or for any other page.
GtkWidget* tree_of_page(int page_number);
