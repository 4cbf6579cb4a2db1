#include "live_window_support.h"

#include "test_support.h"
#include "ui/main_notebook.h"
#include "ui/widget_registry.h"

#include <cstdint>

void open_test_window()
{
    ensure_gtk();
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_size_request(window, 640, 480);
    gtk_widget_show(window);
    gtk_container_set_border_width(GTK_CONTAINER(window), 5);
    settle();
}

void settle()
{
    for (int frame = 0; frame < 15; ++frame) {
        drain_events();
        g_usleep(10000);
    }
    drain_events();
}

Rgb surface_pixel(cairo_surface_t* surface, int x, int y)
{
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const std::uint32_t pixel = reinterpret_cast<const std::uint32_t*>(data + stride * y)[x];
    return {static_cast<int>((pixel >> 16) & 0xff), static_cast<int>((pixel >> 8) & 0xff), static_cast<int>(pixel & 0xff)};
}

Rgb screen_pixel(GtkWidget* widget, int x, int y)
{
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(widget), x, y, 1, 1);
    if (!shot)
        return {-1, -1, -1};
    const guchar* p = gdk_pixbuf_get_pixels(shot);
    Rgb colour{p[0], p[1], p[2]};
    g_object_unref(shot);
    return colour;
}

Rgb rgb_of(const GdkRGBA& colour)
{
    return {static_cast<int>(colour.red * 255 + 0.5), static_cast<int>(colour.green * 255 + 0.5),
            static_cast<int>(colour.blue * 255 + 0.5)};
}

bool same_colour(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

int dark_pixels(cairo_surface_t* surface, int x, int y, int width, int height)
{
    const int right = std::min(x + width, cairo_image_surface_get_width(surface));
    const int bottom = std::min(y + height, cairo_image_surface_get_height(surface));
    int dark = 0;
    for (int row = std::max(y, 0); row < bottom; ++row)
        for (int column = std::max(x, 0); column < right; ++column) {
            const Rgb p = surface_pixel(surface, column, row);
            if (p.r + p.g + p.b < 3 * 128)
                ++dark;
        }
    return dark;
}

namespace {

void describe_rows(GtkTreeModel* model, GtkTreeIter* parent, std::string& out)
{
    GtkTreeIter row;
    for (bool more = gtk_tree_model_iter_children(model, &row, parent); more; more = gtk_tree_model_iter_next(model, &row)) {
        gchar* label = nullptr;
        int kind = -1;
        int index = -1;
        gtk_tree_model_get(model, &row, kTreeLabel, &label, kTreeKind, &kind, kTreeIndex, &index, -1);
        out += std::string(label ? label : "") + "<" + std::to_string(kind) + ":" + std::to_string(index) + ">";
        g_free(label);
        if (gtk_tree_model_iter_has_child(model, &row)) {
            out += "{";
            describe_rows(model, &row, out);
            out += "}";
        }
        out += " ";
    }
}

bool find_row(GtkTreeModel* model, GtkTreeIter* parent, int kind, int index, GtkTreeIter* found)
{
    GtkTreeIter row;
    for (bool more = gtk_tree_model_iter_children(model, &row, parent); more; more = gtk_tree_model_iter_next(model, &row)) {
        int row_kind = -1;
        int row_index = -1;
        gtk_tree_model_get(model, &row, kTreeKind, &row_kind, kTreeIndex, &row_index, -1);
        if (row_kind == kind && row_index == index) {
            *found = row;
            return true;
        }
        if (find_row(model, &row, kind, index, found))
            return true;
    }
    return false;
}

void mark_destroyed(GtkWidget*, gpointer watch) { static_cast<DestroyWatch*>(watch)->destroyed = true; }

} // namespace

std::string describe_tree(GtkWidget* tree)
{
    std::string out;
    describe_rows(gtk_tree_view_get_model(GTK_TREE_VIEW(tree)), nullptr, out);
    return out;
}

bool select_row(GtkWidget* tree, PageKind kind, int index)
{
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(tree));
    GtkTreeIter row;
    if (!find_row(model, nullptr, static_cast<int>(kind), index, &row))
        return false;
    GtkTreePath* path = gtk_tree_model_get_path(model, &row);
    gtk_tree_view_expand_to_path(GTK_TREE_VIEW(tree), path);
    gtk_tree_path_free(path);
    gtk_tree_selection_select_iter(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), &row);
    return true;
}

DestroyWatch::DestroyWatch(GtkWidget* widget)
{
    g_signal_connect(widget, "destroy", G_CALLBACK(mark_destroyed), this);
}
