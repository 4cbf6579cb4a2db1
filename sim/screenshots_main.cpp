// Pictures of the monitor running against the demo card, for the documentation.
// Usage: quorvex-screenshots DIRECTORY  (run on a display, e.g. a virtual one)
#include "demo_card.h"
#include "event_screenshots.h"
#include "option_screenshots.h"
#include "inventory/inventory_scan.h"
#include "ui/monitor_tick.h"
#include "ui/info_pages.h"
#include "ui/main_notebook.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

namespace {

// Lets the toolkit lay out and paint: pending events, then a few frames.
void settle()
{
    for (int frame = 0; frame < 20; ++frame) {
        while (gtk_events_pending())
            gtk_main_iteration();
        g_usleep(10000);
    }
}

// The first row of a kind, searched depth first; false when the tree has none.
bool find_row(GtkTreeModel* model, GtkTreeIter* parent, PageKind kind, GtkTreeIter* found)
{
    GtkTreeIter row;
    for (bool more = gtk_tree_model_iter_children(model, &row, parent); more; more = gtk_tree_model_iter_next(model, &row)) {
        int row_kind = -1;
        gtk_tree_model_get(model, &row, kTreeKind, &row_kind, -1);
        if (row_kind == static_cast<int>(kind)) {
            *found = row;
            return true;
        }
        if (find_row(model, &row, kind, found))
            return true;
    }
    return false;
}

void show_page_with_selection(int page, PageKind kind)
{
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), page);
    settle();
    GtkWidget* tree = tree_of_page(page);
    if (!tree)
        return;
    gtk_tree_view_expand_all(GTK_TREE_VIEW(tree));
    GtkTreeModel* model = gtk_tree_view_get_model(GTK_TREE_VIEW(tree));
    GtkTreeIter row;
    if (find_row(model, nullptr, kind, &row))
        gtk_tree_selection_select_iter(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), &row);
    settle();
}

void array_page() { show_page_with_selection(0, PageKind::ArraySummary); }
void controller_page() { show_page_with_selection(1, PageKind::ChannelDrive); }

struct Shot {
    const char* file;
    void (*prepare)();
};

const Shot kShots[] = {
    {"array-page.png", array_page},
    {"controller-page.png", controller_page},
};

bool save_window(const std::string& path)
{
    GdkWindow* surface = gtk_widget_get_window(window);
    GdkPixbuf* picture = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                    gdk_window_get_height(surface));
    if (!picture)
        return false;
    const bool saved = gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
    return saved;
}

bool build_notebook()
{
    for (int tick = 0; tick < 40 && !notebook; ++tick)
        gtkBeepCheck(nullptr);
    return notebook != nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    gtk_init(nullptr, nullptr);
    static SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    prepare_startup_state();
    if (gtkReadFile() != 1) {
        std::fprintf(stderr, "the demo card did not answer\n");
        return 1;
    }
    open_main_window();
    settle();
    if (!build_notebook()) {
        std::fprintf(stderr, "the notebook was never built\n");
        return 1;
    }
    settle();
    for (const Shot& shot : kShots) {
        shot.prepare();
        const std::string path = directory + "/" + shot.file;
        if (!save_window(path)) {
            std::fprintf(stderr, "could not save %s\n", path.c_str());
            return 1;
        }
        std::printf("%s\n", path.c_str());
    }
    save_option_screenshots(directory);
    save_event_screenshots(directory);
    return 0;
}
