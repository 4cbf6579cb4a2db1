// Helpers for tests of the live window: an empty main window, painting, pixels and
// tree contents.
#pragma once

#include "ui/info_pages.h"

#include <gtk/gtk.h>
#include <string>

// The main window as start-up leaves it (640 x 480, border 5, shown), without the timer:
// tests step the tick themselves.
void open_test_window();

// Events, then a few frames, so layout and painting are done.
void settle();

struct Rgb {
    int r, g, b;
};
Rgb surface_pixel(cairo_surface_t* surface, int x, int y);
// What the screen shows at (x, y) of a widget's own window.
Rgb screen_pixel(GtkWidget* widget, int x, int y);
Rgb rgb_of(const GdkRGBA& colour);
bool same_colour(Rgb a, Rgb b, int tolerance = 1);

// Dark pixels of a surface inside the rectangle.
int dark_pixels(cairo_surface_t* surface, int x, int y, int width, int height);

// The tree's rows, depth first, as "label<kind:index>" with children in braces.
std::string describe_tree(GtkWidget* tree);

// Selects the first row of a kind and index, as a click would; false when there is none.
bool select_row(GtkWidget* tree, PageKind kind, int index);

// Counts the "destroy" of a widget, e.g. the top table, to tell a rebuild apart.
struct DestroyWatch {
    explicit DestroyWatch(GtkWidget* widget);
    bool destroyed = false;
};
