#include "live_window_support.h"
#include "test_support.h"

#include "base/bounded_text.h"
#include "inventory/inventory_tables.h"
#include "ui/main_notebook.h"
#include "ui/progress_bar.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string item(const std::string& label, PageKind kind, int index)
{
    return label + "<" + std::to_string(static_cast<int>(kind)) + ":" + std::to_string(index) + ">";
}

// The names as a scan leaves them: array 0 with members at positions 0 and 1, one
// controller with drives at positions 0, 1 and 3.
void fill_names()
{
    for (auto& name : arraydisknames)
        name[0] = '&';
    for (auto& name : channeldisknames)
        name[0] = '&';
    copy_text(arraynames[0], "Array 1");
    copy_text(arraydisknames[0], "QV-A");
    copy_text(arraydisknames[1], "QV-B");
    copy_text(controllernames[0], "Halvoren 1");
    copy_text(channelnames[0][0], "Channel 1");
    copy_text(channelnames[0][1], "Channel 2");
    copy_text(channeldisknames[0], "QV-A");
    copy_text(channeldisknames[1], "QV-B");
    copy_text(channeldisknames[3], "QV-D");
}

std::string cell_of(GtkWidget* child)
{
    int left = -1, top = -1, width = -1, height = -1;
    gtk_container_child_get(GTK_CONTAINER(tabletop), child, "left-attach", &left, "top-attach", &top, "width", &width,
                            "height", &height, nullptr);
    return std::to_string(left) + "," + std::to_string(top) + " " + std::to_string(width) + "x" + std::to_string(height);
}

GtkWidget* nth_child(GtkWidget* container, unsigned n)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(container));
    GtkWidget* child = n < g_list_length(children) ? GTK_WIDGET(g_list_nth_data(children, n)) : nullptr;
    g_list_free(children);
    return child;
}

int selected_rows(GtkWidget* tree) { return gtk_tree_selection_count_selected_rows(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree))); }

class NotebookTest : public ::testing::Test {
protected:
    void SetUp() override { open_test_window(); }
};

TEST_F(NotebookTest, TreesFollowTheListingRules)
{
    EXPECT_EQ(tree_of_page(0), nullptr);
    fill_names();
    copy_text(arraynames[1], "array 2"); // not an "A": neither it nor its members
    copy_text(arraydisknames[12], "QV-HIDDEN");
    copy_text(arraynames[2], "Array 3"); // no member left
    copy_text(arraynames[3], "Array 4");
    copy_text(arraydisknames[29], "QV-F");
    controllernames[1][0] = 'H'; // NUL second byte: not listed, nor its channels and drives
    copy_text(channelnames[1][0], "Channel 1");
    copy_text(channeldisknames[4], "QV-E");
    std::memcpy(channeldisknames[3], "QV-\xff", 5); // odd bytes stay readable
    initgraph();
    EXPECT_EQ(tree_of_page(0), treearray);
    EXPECT_EQ(describe_tree(treearray),
              item("Array 1", PageKind::ArraySummary, 0) + "{" + item("QV-A", PageKind::MemberDrive, 0) + " " +
                  item("QV-B", PageKind::MemberDrive, 1) + " } " + item("Array 3", PageKind::ArraySummary, 2) + " " +
                  item("Array 4", PageKind::ArraySummary, 3) + "{" + item("QV-F", PageKind::MemberDrive, 29) + " } ");
    EXPECT_EQ(describe_tree(tree_of_page(1)),
              item("Halvoren 1", PageKind::Controller, 0) + "{" + item("Channel 1", PageKind::Channel, 0) + "{" +
                  item("QV-A", PageKind::ChannelDrive, 0) + " " + item("QV-B", PageKind::ChannelDrive, 1) + " } " +
                  item("Channel 2", PageKind::Channel, 1) + "{" + item("QV-\xef\xbf\xbd", PageKind::ChannelDrive, 3) +
                  " } } ");

    // Channels are listed without drives; an unterminated name stops at its field.
    for (auto& name : channeldisknames)
        name[0] = '&';
    std::memset(controllernames[0], 'H', sizeof controllernames[0]);
    initgraph();
    EXPECT_EQ(describe_tree(tree_of_page(1)), item(std::string(40, 'H'), PageKind::Controller, 0) + "{" +
                                                  item("Channel 1", PageKind::Channel, 0) + " " +
                                                  item("Channel 2", PageKind::Channel, 1) + " } ");
}

TEST_F(NotebookTest, LayoutOfTheTopTable)
{
    initgraph();
    ASSERT_EQ(gtk_bin_get_child(GTK_BIN(window)), tabletop);
    EXPECT_EQ(cell_of(notebook), "0,2 2x1");
    EXPECT_EQ(gtk_notebook_get_tab_pos(GTK_NOTEBOOK(notebook)), GTK_POS_TOP);
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), nth_child(notebook, 0)), "Array");
    EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), nth_child(notebook, 1)), "Controller");
    EXPECT_EQ(cell_of(gtk_grid_get_child_at(GTK_GRID(tabletop), 1, 0)), "1,0 1x1");
    GtkWidget* close_row = gtk_grid_get_child_at(GTK_GRID(tabletop), 0, 5);
    EXPECT_EQ(cell_of(close_row), "0,5 1x1");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(nth_child(close_row, 0))), "close");
    EXPECT_EQ(std::string(gtk_label_get_text(GTK_LABEL(nth_child(close_row, 1)))), std::string(30, ' '));
    for (int row : {1, 3, 4, 8, 9})
        EXPECT_EQ(gtk_grid_get_child_at(GTK_GRID(tabletop), 0, row), nullptr) << "row " << row;

    // Progress rows: present, hidden, each bar with a 1..100 range of its own.
    EXPECT_EQ(cell_of(gtk_widget_get_parent(pbar1)), "0,6 2x1");
    EXPECT_EQ(cell_of(gtk_widget_get_parent(pbar2)), "0,7 2x1");
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(barlabel1)), "label1:");
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(barlabel2)), "label2:");
    for (GtkWidget* widget : {pbar1, pbar2, barlabel1, barlabel2})
        EXPECT_FALSE(gtk_widget_get_visible(widget));
    EXPECT_EQ(adj, progress_bar_range(pbar1));
    EXPECT_EQ(gtk_adjustment_get_lower(progress_bar_range(pbar2)), 1.0);
    EXPECT_EQ(gtk_adjustment_get_upper(progress_bar_range(pbar2)), 100.0);
    progress_bar_set_value(pbar1, 75);
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(pbar2)), 0.0);
}

gboolean press(gpointer button)
{
    gtk_button_clicked(GTK_BUTTON(button));
    return G_SOURCE_REMOVE;
}

TEST_F(NotebookTest, CloseButtonEndsTheMainLoop)
{
    initgraph();
    g_idle_add(press, nth_child(gtk_grid_get_child_at(GTK_GRID(tabletop), 0, 5), 0));
    static bool timed_out = false;
    const guint guard = g_timeout_add(5000, [](gpointer) { timed_out = true; gtk_main_quit(); return G_SOURCE_REMOVE; }, nullptr);
    gtk_main();
    ASSERT_FALSE(timed_out);
    g_source_remove(guard);
}

TEST_F(NotebookTest, RebuildKeepsThePageAndForgetsTheOldBuild)
{
    fill_names();
    initgraph();
    beepbutton = GTK_WIDGET(g_object_ref_sink(gtk_check_button_new())); // left by an older build
    GtkWidget* stale = beepbutton;
    gtk_tree_view_expand_all(GTK_TREE_VIEW(treearray));
    ASSERT_TRUE(select_row(treearray, PageKind::MemberDrive, 1));
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
    DestroyWatch old_table(tabletop);
    initgraph();
    EXPECT_TRUE(old_table.destroyed);
    ASSERT_NE(beepbutton, nullptr);
    EXPECT_NE(beepbutton, stale);
    EXPECT_TRUE(gtk_widget_is_ancestor(beepbutton, tabletop));
    EXPECT_EQ(PageInfo[0], 1);
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook)), 1);
    EXPECT_EQ(selected_rows(treearray), 0);
    GtkTreePath* first = gtk_tree_path_new_first();
    EXPECT_FALSE(gtk_tree_view_row_expanded(GTK_TREE_VIEW(treearray), first));
    gtk_tree_path_free(first);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 0);
    initgraph();
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(notebook)), 0);
    g_object_unref(stale);
}

TEST_F(NotebookTest, TakingTheFocusSelectsNoRow)
{
    fill_names();
    initgraph();
    for (int page : {0, 1}) {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), page);
        GtkWidget* tree = tree_of_page(page);
        ASSERT_TRUE(settle_until([tree] { return gtk_widget_get_realized(tree); }));
        gtk_widget_grab_focus(tree);
        gtk_widget_child_focus(window, GTK_DIR_TAB_FORWARD);
        gtk_widget_grab_focus(tree);
        settle_until([] { return false; });
        EXPECT_TRUE(gtk_widget_is_focus(tree)) << "page " << page;
        EXPECT_EQ(selected_rows(tree), 0) << "page " << page;
    }
    EXPECT_EQ(PageInfo[1] + PageInfo[3], 0) << "no page was drawn";
    EXPECT_TRUE(select_row(tree_of_page(1), PageKind::ChannelDrive, 3)) << "the user still can";
    EXPECT_EQ(PageInfo[3], 1);
    EXPECT_EQ(PageInfo[4], 3);
}

TEST_F(NotebookTest, BannerStaysAtTheRightEndWhenTheWindowGrows)
{
    initgraph();
    GtkWidget* banner = nth_child(gtk_grid_get_child_at(GTK_GRID(tabletop), 1, 0), 0);
    for (int width : {640, 1000}) {
        gtk_window_resize(GTK_WINDOW(window), width, 480);
        // The window may not shrink below what its pages need; the table fills it inside the border.
        settle_until([&] { return gtk_widget_get_allocated_width(window) >= width &&
                                  gtk_widget_get_allocated_width(tabletop) == gtk_widget_get_allocated_width(window) - 10; });
        GtkAllocation table, image;
        gtk_widget_get_allocation(tabletop, &table);
        gtk_widget_get_allocation(banner, &image);
        EXPECT_EQ(table.width, gtk_widget_get_allocated_width(window) - 10);
        EXPECT_EQ(image.width, 128);
        EXPECT_EQ(image.height, 32);
        EXPECT_EQ(image.x + image.width, table.x + table.width) << "window width " << width;
    }
}

} // namespace
