#include "live_window_support.h"

#include "settings/settings_file.h"
#include "ui/startup.h"

void open_test_window()
{
    prepare_startup_state();
    open_main_window();
    g_source_remove_by_funcs_user_data(&g_timeout_funcs, nullptr); // tests call the tick themselves
    settle_until([] { return gtk_widget_get_mapped(window); });
}

bool settle_until(const std::function<bool()>& condition)
{
    for (int round = 0; round < 100 && (drain_events(), !condition()); ++round)
        g_usleep(20000);
    return condition();
}

namespace {

using Visitor = std::function<void(GtkWidget*)>;

void walk(GtkWidget* widget, const Visitor& visit)
{
    visit(widget);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), [](GtkWidget* child, gpointer v) { walk(child, *static_cast<Visitor*>(v)); },
                             const_cast<Visitor*>(&visit));
}

// Calls the visitor on every row, depth first, with its kind, index and label, until it returns true.
using RowVisitor = std::function<bool(GtkTreePath*, GtkTreeIter*, int kind, int index, const char* label)>;
void each_row(GtkWidget* tree, const RowVisitor& visitor)
{
    const auto each = [](GtkTreeModel* model, GtkTreePath* path, GtkTreeIter* row, gpointer v) {
        g_autofree gchar* label = nullptr;
        int kind = -1, index = -1;
        gtk_tree_model_get(model, row, kTreeLabel, &label, kTreeKind, &kind, kTreeIndex, &index, -1);
        return gboolean((*static_cast<RowVisitor*>(v))(path, row, kind, index, label));
    };
    gtk_tree_model_foreach(gtk_tree_view_get_model(GTK_TREE_VIEW(tree)), each, const_cast<RowVisitor*>(&visitor));
}

} // namespace

std::string describe_tree(GtkWidget* tree)
{
    std::string out;
    each_row(tree, [&](GtkTreePath* path, GtkTreeIter*, int kind, int index, const char* label) {
        out += std::string(gtk_tree_path_get_depth(path) - 1, '-') + label;
        out += "<" + std::to_string(kind) + ":" + std::to_string(index) + "> ";
        return false;
    });
    return out;
}

bool select_row(GtkWidget* tree, PageKind kind, int index)
{
    bool found = false;
    each_row(tree, [&](GtkTreePath* path, GtkTreeIter* row, int row_kind, int row_index, const char*) {
        if (row_kind != static_cast<int>(kind) || row_index != index)
            return false;
        gtk_tree_view_expand_to_path(GTK_TREE_VIEW(tree), path); // rows under a collapsed one cannot be selected
        gtk_tree_selection_select_iter(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree)), row);
        return found = true;
    });
    return found;
}

std::string shown_texts(GtkWidget* root)
{
    const char* title = GTK_IS_WINDOW(root) ? gtk_window_get_title(GTK_WINDOW(root)) : nullptr;
    std::string texts;
    walk(root, [&](GtkWidget* w) {
        const char* text = GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : "";
        if (gtk_widget_is_visible(w) && text[std::strspn(text, " ")] != '\0')
            texts += (texts.empty() ? "" : "|") + std::string(text);
    });
    return (title ? std::string(title) + ":" : "") + texts;
}

GtkWidget* button_labelled(GtkWidget* root, const char* label)
{
    GtkWidget* found = nullptr;
    walk(root, [&](GtkWidget* w) {
        if (GTK_IS_BUTTON(w) && g_strcmp0(gtk_button_get_label(GTK_BUTTON(w)), label) == 0)
            found = w;
    });
    return found;
}

void click(GtkWidget* root, const char* label)
{
    GtkWidget* button = root ? button_labelled(root, label) : nullptr;
    ASSERT_NE(button, nullptr) << label;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
}

void WindowTest::start_with(const SettingsRecord& record)
{
    write_file(dir.file("quorvex.conf"), bytes_of(record));
    init_enviorment();
    initgraph();
    drain_events();
}
