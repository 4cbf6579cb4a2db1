#include "live_window_support.h"

#include "test_support.h"
#include "ui/main_notebook.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <cstdint>
#include <cstdlib>

void open_test_window()
{
    ensure_gtk();
    prepare_startup_state();
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_widget_show(window);
    gtk_container_set_border_width(GTK_CONTAINER(window), 5);
    settle_until([] { return gtk_widget_get_mapped(window); });
}

bool settle_until(const std::function<bool()>& condition)
{
    for (int round = 0; round < 100; ++round) {
        drain_events();
        if (condition())
            return true;
        g_usleep(20000);
    }
    return condition();
}

Rgb surface_pixel(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char* row = cairo_image_surface_get_data(surface) + cairo_image_surface_get_stride(surface) * y;
    const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(row)[x];
    return {static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
}

Rgb screen_pixel(GtkWidget* widget, int x, int y)
{
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(widget), x, y, 1, 1);
    if (!shot)
        return {-1, -1, -1};
    const guchar* p = gdk_pixbuf_get_pixels(shot);
    const Rgb colour{p[0], p[1], p[2]};
    g_object_unref(shot);
    return colour;
}

bool same_colour(Rgb a, Rgb b) { return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1; }

int dark_pixels(cairo_surface_t* surface, int x, int y, int width, int height)
{
    int dark = 0;
    for (int row = y; row < std::min(y + height, cairo_image_surface_get_height(surface)); ++row)
        for (int column = x; column < std::min(x + width, cairo_image_surface_get_width(surface)); ++column) {
            const Rgb p = surface_pixel(surface, column, row);
            dark += p.r + p.g + p.b < 3 * 128;
        }
    return dark;
}

namespace {

// Visits rows depth first; stops when the visitor returns true.
bool visit(GtkTreeModel* model, GtkTreeIter* parent, const std::function<bool(GtkTreeIter&, bool opening)>& visitor)
{
    GtkTreeIter row;
    for (bool more = gtk_tree_model_iter_children(model, &row, parent); more; more = gtk_tree_model_iter_next(model, &row)) {
        if (visitor(row, true) || visit(model, &row, visitor) || visitor(row, false))
            return true;
    }
    return false;
}

void mark_destroyed(GtkWidget*, gpointer watch) { static_cast<DestroyWatch*>(watch)->destroyed = true; }

} // namespace

std::string describe_tree(GtkWidget* tree)
{
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(tree));
    std::string out;
    visit(model, nullptr, [&](GtkTreeIter& row, bool opening) {
        const bool parent = gtk_tree_model_iter_has_child(model, &row);
        if (!opening) {
            out += parent ? "} " : " ";
            return false;
        }
        gchar* label = nullptr;
        int kind = -1, index = -1;
        gtk_tree_model_get(model, &row, kTreeLabel, &label, kTreeKind, &kind, kTreeIndex, &index, -1);
        out += std::string(label) + "<" + std::to_string(kind) + ":" + std::to_string(index) + ">" + (parent ? "{" : "");
        g_free(label);
        return false;
    });
    return out;
}

bool select_row(GtkWidget* tree, PageKind kind, int index)
{
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(tree));
    return visit(model, nullptr, [&](GtkTreeIter& row, bool opening) {
        int row_kind = -1, row_index = -1;
        gtk_tree_model_get(model, &row, kTreeKind, &row_kind, kTreeIndex, &row_index, -1);
        if (!opening || row_kind != static_cast<int>(kind) || row_index != index)
            return false;
        GtkTreePath* path = gtk_tree_model_get_path(model, &row);
        gtk_tree_view_expand_to_path(GTK_TREE_VIEW(tree), path); // rows under a collapsed one cannot be selected
        gtk_tree_path_free(path);
        gtk_tree_selection_select_iter(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), &row);
        return true;
    });
}

DestroyWatch::DestroyWatch(GtkWidget* widget) { g_signal_connect(widget, "destroy", G_CALLBACK(mark_destroyed), this); }
