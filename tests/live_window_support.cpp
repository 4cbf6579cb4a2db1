#include "live_window_support.h"

#include "settings/settings_file.h"
#include "ui/main_notebook.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <utility>

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

namespace {

// Visits rows depth first; stops when the visitor returns true.
bool visit(GtkTreeModel* model, GtkTreeIter* parent, const std::function<bool(GtkTreeIter&, bool opening)>& visitor)
{
    GtkTreeIter row;
    for (bool more = gtk_tree_model_iter_children(model, &row, parent); more; more = gtk_tree_model_iter_next(model, &row))
        if (visitor(row, true) || visit(model, &row, visitor) || visitor(row, false))
            return true;
    return false;
}

void collect_texts(GtkWidget* widget, gpointer out)
{
    auto& texts = *static_cast<std::string*>(out);
    const char* text = GTK_IS_LABEL(widget) ? gtk_label_get_text(GTK_LABEL(widget)) : "";
    if (gtk_widget_is_visible(widget) && text[std::strspn(text, " ")] != '\0')
        texts += std::string(text) + "|";
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), collect_texts, out);
}

void find_button(GtkWidget* widget, gpointer found)
{
    auto& button = *static_cast<std::pair<const char*, GtkWidget*>*>(found);
    const char* label = GTK_IS_BUTTON(widget) ? gtk_button_get_label(GTK_BUTTON(widget)) : nullptr;
    if (label && std::strcmp(label, button.first) == 0)
        button.second = widget;
    else if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), find_button, found);
}

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

DestroyWatch::DestroyWatch(GtkWidget* widget)
{
    g_signal_connect(widget, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer w) { static_cast<DestroyWatch*>(w)->destroyed = true; }), this);
}

std::string shown_texts(GtkWidget* root)
{
    const char* title = GTK_IS_WINDOW(root) ? gtk_window_get_title(GTK_WINDOW(root)) : nullptr;
    std::string texts = title ? std::string(title) + ":" : "";
    collect_texts(root, &texts);
    return texts.substr(0, texts.size() - (texts.back() == '|'));
}

GtkWidget* button_labelled(GtkWidget* root, const char* label)
{
    std::pair<const char*, GtkWidget*> found{label, nullptr};
    find_button(root, &found);
    return found.second;
}

void click(GtkWidget* root, const char* label)
{
    GtkWidget* button = root ? button_labelled(root, label) : nullptr;
    ASSERT_NE(button, nullptr) << label;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
}

void set_active(GtkWidget* toggle, bool on)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
    drain_events();
}

void type(GtkWidget* entry, const std::string& text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }

void WindowTest::SetUp()
{
    // The text areas' surfaces live for a whole run: each test starts a run of its own.
    for (cairo_surface_t** surface : {&pixmap, &pixmap2})
        if (*surface)
            cairo_surface_destroy(std::exchange(*surface, nullptr));
    install_simulated_driver(card);
    open_test_window();
}

void WindowTest::TearDown()
{
    GList* all = gtk_window_list_toplevels();
    for (GList* item = all; item; item = item->next)
        if (gtk_window_get_window_type(GTK_WINDOW(item->data)) == GTK_WINDOW_TOPLEVEL)
            gtk_widget_destroy(GTK_WIDGET(item->data));
    g_list_free(all);
    clear_build_handles();
    tabletop = notebook = window = nullptr;
    drain_events();
    uninstall_simulated_driver();
}

void WindowTest::start_with(const SettingsRecord& record)
{
    write_file(dir.file("quorvex.conf"), bytes_of(record));
    init_enviorment();
    initgraph();
    drain_events();
}

GtkWidget* WindowTest::option_page() const { return gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), 2); }

SettingsRecord default_record()
{
    SettingsRecord record{};
    std::strcpy(record.hostip, "127.0.0.1");
    record.syncdisabled = 1;
    return record;
}

std::string bytes_of(const SettingsRecord& record) { return std::string(reinterpret_cast<const char*>(&record), sizeof record); }
