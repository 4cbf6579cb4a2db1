// Helpers for tests of the live window: start-up state with an empty main window,
// painting, pixels and tree contents.
#pragma once

#include "ui/info_pages.h"

#include <gtk/gtk.h>
#include <functional>
#include <string>

// Start-up state and the main window as start-up leaves them, without the timer: tests
// step the tick themselves.
void open_test_window();

// Runs the main loop until the condition holds or about two seconds have passed.
bool settle_until(const std::function<bool()>& condition);

struct Rgb {
    int r, g, b;
};
Rgb surface_pixel(cairo_surface_t* surface, int x, int y);
Rgb screen_pixel(GtkWidget* widget, int x, int y); // from the widget's own window
bool same_colour(Rgb a, Rgb b);
int dark_pixels(cairo_surface_t* surface, int x, int y, int width, int height);

// The tree's rows, depth first, as "label<kind:index>" with children in braces.
std::string describe_tree(GtkWidget* tree);
// Selects the row of this kind and index as a click would; false when there is none.
bool select_row(GtkWidget* tree, PageKind kind, int index);

// Tells whether a widget (an old build's top table, say) has been destroyed.
struct DestroyWatch {
    explicit DestroyWatch(GtkWidget* widget);
    bool destroyed = false;
};
