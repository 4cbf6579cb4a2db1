#include "ui/main_notebook.h"

#include "base/bounded_text.h"
#include "inventory/change_detection.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "ui/images.h"
#include "ui/info_pages.h"
#include "ui/options_page.h"
#include "ui/progress_bar.h"
#include "ui/startup.h"
#include "ui/valid_text.h"
#include "ui/widget_registry.h"

#include <iterator>
#include <memory>

namespace {

constexpr const char* kFocusingKey = "quorvex-focusing";
constexpr const char* kCloseRowFiller = "                              ";

using SelectHandler = void (*)(GtkWidget*, gpointer);

SelectHandler handler_of(PageKind kind)
{
    switch (kind) {
    case PageKind::ArraySummary:
        return showarray;
    case PageKind::MemberDrive:
        return showarraydisk;
    case PageKind::Controller:
        return showcontroller;
    case PageKind::Channel:
        return showchannel;
    case PageKind::ChannelDrive:
        return showchanneldisk;
    }
    return nullptr;
}

GtkTreeIter append_item(GtkTreeStore* store, GtkTreeIter* parent, const char* name, std::size_t capacity,
                        PageKind kind, int index)
{
    UniqueText label = valid_text(name, static_cast<gssize>(field_length(name, capacity)));
    GtkTreeIter item;
    gtk_tree_store_append(store, &item, parent);
    gtk_tree_store_set(store, &item, kTreeLabel, label.get(), kTreeKind, static_cast<int>(kind), kTreeIndex, index, -1);
    return item;
}

bool drive_listed(const char* name) { return name[0] != '&'; }

// The scan clears the whole name of a controller that is gone; a name of less than two
// characters is no controller's either.
bool controller_listed(const char* name) { return name[0] != '\0' && name[1] != '\0'; }

void fill_array_items(GtkTreeStore* store)
{
    for (int a = 0; a < kArrays; ++a) {
        if (arraynames[a][0] != 'A')
            continue;
        GtkTreeIter array = append_item(store, nullptr, arraynames[a], sizeof arraynames[a], PageKind::ArraySummary, a);
        for (int m = 0; m < kDrivePositions; ++m) {
            const int slot = a * kDrivePositions + m;
            if (drive_listed(arraydisknames[slot]))
                append_item(store, &array, arraydisknames[slot], sizeof arraydisknames[slot], PageKind::MemberDrive, slot);
        }
    }
}

void fill_controller_items(GtkTreeStore* store)
{
    for (int c = 0; c < kControllers; ++c) {
        if (!controller_listed(controllernames[c]))
            continue;
        GtkTreeIter controller =
            append_item(store, nullptr, controllernames[c], sizeof controllernames[c], PageKind::Controller, c);
        for (int h = 0; h < 2; ++h) {
            const int channel_index = c * 2 + h;
            GtkTreeIter channel = append_item(store, &controller, channelnames[c][h], sizeof channelnames[c][h],
                                              PageKind::Channel, channel_index);
            for (int k = 0; k < 2; ++k) {
                const int position = channel_index * 2 + k;
                if (drive_listed(channeldisknames[position]))
                    append_item(store, &channel, channeldisknames[position], sizeof channeldisknames[position],
                                PageKind::ChannelDrive, position);
            }
        }
    }
}

// A tree view that takes the keyboard focus without a cursor selects its first row.
// Rows are selected by the user only, so selection changes are refused while the view
// is taking the focus; it then keeps the cursor it set without selecting anything.
void on_grab_focus_begin(GtkWidget* tree, gpointer) { g_object_set_data(G_OBJECT(tree), kFocusingKey, GINT_TO_POINTER(1)); }
void on_grab_focus_end(GtkWidget* tree, gpointer) { g_object_set_data(G_OBJECT(tree), kFocusingKey, nullptr); }

gboolean selectable_now(GtkTreeSelection*, GtkTreeModel*, GtkTreePath*, gboolean, gpointer tree)
{
    return g_object_get_data(G_OBJECT(tree), kFocusingKey) == nullptr;
}

void on_selection_changed(GtkTreeSelection* selection, gpointer)
{
    GtkTreeModel* model = nullptr;
    GtkTreeIter item;
    if (!gtk_tree_selection_get_selected(selection, &model, &item))
        return;
    int kind = 0;
    int index = 0;
    gtk_tree_model_get(model, &item, kTreeKind, &kind, kTreeIndex, &index, -1);
    if (index < 0 || index >= static_cast<int>(std::size(astring)))
        return;
    if (SelectHandler handler = handler_of(static_cast<PageKind>(kind)))
        handler(GTK_WIDGET(gtk_tree_selection_get_tree_view(selection)), astring[index]);
}

GtkWidget* new_tree(GtkTreeStore* store)
{
    GtkWidget* tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(tree), FALSE);
    gtk_tree_view_set_enable_search(GTK_TREE_VIEW(tree), FALSE);
    GtkTreeViewColumn* column =
        gtk_tree_view_column_new_with_attributes("", gtk_cell_renderer_text_new(), "text", kTreeLabel, nullptr);
    gtk_tree_view_append_column(GTK_TREE_VIEW(tree), column);
    GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(tree));
    gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
    gtk_tree_selection_set_select_function(selection, selectable_now, tree, nullptr);
    g_signal_connect(tree, "grab-focus", G_CALLBACK(on_grab_focus_begin), nullptr);
    g_signal_connect_after(tree, "grab-focus", G_CALLBACK(on_grab_focus_end), nullptr);
    g_signal_connect(selection, "changed", G_CALLBACK(on_selection_changed), nullptr);
    gtk_widget_show(tree);
    return tree;
}

GtkTreeStore* new_store() { return gtk_tree_store_new(kTreeColumns, G_TYPE_STRING, G_TYPE_INT, G_TYPE_INT); }

// A page: the tree in a scrolled window, a one-space gap, then the text area.
GtkWidget* tree_page(GtkWidget* tree, GtkWidget*& area)
{
    GtkWidget* frame = gtk_frame_new("");
    gtk_container_set_border_width(GTK_CONTAINER(frame), 10);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_container_add(GTK_CONTAINER(frame), box);
    gtk_widget_show(box);

    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_size_request(scrolled, 270, 200);
    gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);
    gtk_widget_show(scrolled);
    gtk_container_add(GTK_CONTAINER(scrolled), tree);

    GtkWidget* gap = gtk_label_new(" ");
    gtk_widget_show(gap);
    gtk_box_pack_start(GTK_BOX(box), gap, TRUE, TRUE, 0);

    area = gtk_drawing_area_new();
    gtk_widget_set_size_request(area, 300, 200);
    gtk_box_pack_start(GTK_BOX(box), area, TRUE, TRUE, 0);
    gtk_widget_show(area);

    gtk_widget_show(frame);
    return frame;
}

void append_page(GtkWidget* page, const char* tab)
{
    gtk_notebook_append_page(GTK_NOTEBOOK(notebook), page, gtk_label_new(tab));
}

// A page's accessible takes its name from the notebook's tab, which the notebook no longer
// has when a rebuild has just removed the page and a screen reader asks: named here, it
// never asks the notebook.
void name_pages_for_reader()
{
    AtkObject* reader = gtk_widget_get_accessible(notebook);
    for (int number = 0; number < gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)); ++number) {
        GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), number);
        AtkObject* page_reader = atk_object_ref_accessible_child(reader, number);
        if (!page_reader)
            continue;
        atk_object_set_name(page_reader, gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), page));
        g_object_unref(page_reader);
    }
}

void attach_banner_row()
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_show(box);
    GtkWidget* banner = CreateWidgetFromXpm(window, compname);
    atk_object_set_name(gtk_widget_get_accessible(banner), "Halvoren");
    gtk_box_pack_end(GTK_BOX(box), banner, FALSE, FALSE, 0);
    gtk_grid_attach(GTK_GRID(tabletop), box, 1, 0, 1, 1);
}

void attach_notebook()
{
    notebook = gtk_notebook_new();
    gtk_notebook_set_tab_pos(GTK_NOTEBOOK(notebook), GTK_POS_TOP);
    gtk_widget_set_hexpand(notebook, TRUE);
    gtk_widget_set_vexpand(notebook, TRUE);
    gtk_grid_attach(GTK_GRID(tabletop), notebook, 0, 2, 2, 1);
    gtk_widget_show(notebook);
}

void on_close_clicked(GtkButton*, gpointer) { delete_handler(); }

void attach_close_row()
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_show(box);
    GtkWidget* close = gtk_button_new_with_label("close");
    gtk_widget_show(close);
    g_signal_connect(close, "clicked", G_CALLBACK(on_close_clicked), nullptr);
    gtk_box_pack_start(GTK_BOX(box), close, TRUE, TRUE, 0);
    GtkWidget* filler = gtk_label_new(kCloseRowFiller);
    gtk_widget_show(filler);
    gtk_box_pack_start(GTK_BOX(box), filler, TRUE, TRUE, 0);
    gtk_grid_attach(GTK_GRID(tabletop), box, 0, 5, 1, 1);
}

// Each bar has a range of its own, so a value set on one never shows on the other.
// Labels and bars stay hidden until a rebuild is reported.
void attach_progress_row(int row, const char* text, GtkWidget*& label, GtkWidget*& bar)
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_show(box);
    label = gtk_label_new(text);
    bar = progress_bar_new_with_range(gtk_adjustment_new(0, 1, 100, 0, 0, 0));
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), bar); // the label names the bar to a screen reader
    gtk_box_pack_start(GTK_BOX(box), label, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(box), bar, TRUE, TRUE, 0);
    gtk_grid_attach(GTK_GRID(tabletop), box, 0, row, 2, 1);
}

void remove_previous_build()
{
    if (notebook)
        PageInfo[0] = gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook));
    if (tabletop)
        gtk_widget_destroy(tabletop);
    tabletop = nullptr;
    notebook = nullptr;
}

} // namespace

int initgraph()
{
    // Content needs the main window to go into; before it exists there is nothing to build.
    if (!window)
        return 0;
    clear_build_handles();
    remove_previous_build();

    tabletop = gtk_grid_new();
    gtk_container_add(GTK_CONTAINER(window), tabletop);
    attach_banner_row();
    attach_notebook();

    GtkTreeStore* arrays = new_store();
    fill_array_items(arrays);
    treearray = new_tree(arrays);
    append_page(tree_page(treearray, draw_area), "Array");

    GtkTreeStore* controllers = new_store();
    fill_controller_items(controllers);
    append_page(tree_page(new_tree(controllers), draw_area2), "Controller");

    build_options_page(notebook);
    name_pages_for_reader();
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), PageInfo[0]);

    attach_close_row();
    attach_progress_row(6, "label1:", barlabel1, pbar1);
    attach_progress_row(7, "label2:", barlabel2, pbar2);
    adj = progress_bar_range(pbar1);
    gtk_widget_show(tabletop);

    g_signal_connect(draw_area, "draw", G_CALLBACK(expose_event), nullptr);
    g_signal_connect(draw_area, "configure-event", G_CALLBACK(configure_event), nullptr);
    g_signal_connect(draw_area2, "draw", G_CALLBACK(expose_event2), nullptr);
    g_signal_connect(draw_area2, "configure-event", G_CALLBACK(configure_event2), nullptr);
    return 0;
}

GtkWidget* tree_of_page(int page_number)
{
    if (!notebook || page_number < 0 || page_number > 1)
        return nullptr;
    GtkWidget* frame = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), page_number);
    GtkWidget* box = frame ? gtk_bin_get_child(GTK_BIN(frame)) : nullptr;
    if (!box)
        return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(box));
    GtkWidget* scrolled = children ? GTK_WIDGET(children->data) : nullptr;
    g_list_free(children);
    return scrolled ? gtk_bin_get_child(GTK_BIN(scrolled)) : nullptr;
}

int gtkInitGraph()
{
    // An inventory without a functional array or any member would never differ from the
    // all-zero snapshot; the window must not stay empty then, so an unbuilt window is
    // built at the first check whatever the comparison says.
    const bool changed = str_cmp() != 0;
    remember_array_states();
    // The trees must show the card as it is after the change, not as the last scan found
    // it: a changed card is scanned before the rebuild. The snapshot is taken first, so a
    // change that comes during the scan still differs from it at the next check.
    if (changed)
        gtkReadFile();
    if (changed || tabletop == nullptr)
        initgraph();
    return changed ? 1 : 0;
}
