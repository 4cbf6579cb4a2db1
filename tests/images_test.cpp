#include "live_window_support.h"

#include "ui/images.h"
#include "ui/main_notebook.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

// Header, distinct codes and colours, one transparent colour, every row of the right
// length and made of declared codes, every colour used.
void expect_xpm(const char** xpm, int width, int height, int colours, int chars_per_pixel)
{
    int w = 0, h = 0, n = 0, cpp = 0;
    ASSERT_EQ(std::sscanf(xpm[0], "%d %d %d %d", &w, &h, &n, &cpp), 4);
    ASSERT_EQ(std::vector<int>({w, h, n, cpp}), std::vector<int>({width, height, colours, chars_per_pixel}));
    std::set<std::string> codes, values, used;
    for (int c = 1; c <= n; ++c) {
        const std::string line = xpm[c];
        codes.insert(line.substr(0, cpp));
        values.insert(line.substr(line.rfind(' ') + 1));
    }
    EXPECT_EQ(codes.size(), std::size_t(n));
    EXPECT_EQ(values.size(), std::size_t(n));
    EXPECT_EQ(values.count("None"), 1u);
    for (int row = 0; row < h; ++row) {
        const std::string pixels = xpm[1 + n + row];
        ASSERT_EQ(pixels.size(), std::size_t(w * cpp)) << "row " << row;
        for (std::size_t x = 0; x < pixels.size(); x += cpp)
            used.insert(pixels.substr(x, cpp));
    }
    EXPECT_EQ(used, codes);
}

TEST(Images, Data)
{
    expect_xpm(compname, 128, 32, 40, 1);
    expect_xpm(FileButton, 20, 19, 66, 2);
}

TEST(Images, WidgetsKeepSizeAndTransparency)
{
    open_test_window();
    for (const auto& [xpm, width, height] : {std::tuple{static_cast<const char**>(compname), 128, 32}, {static_cast<const char**>(FileButton), 20, 19}}) {
        GtkWidget* image = GTK_WIDGET(g_object_ref_sink(CreateWidgetFromXpm(window, xpm)));
        EXPECT_TRUE(gtk_widget_get_visible(image));
        ASSERT_EQ(gtk_image_get_storage_type(GTK_IMAGE(image)), GTK_IMAGE_PIXBUF);
        GdkPixbuf* picture = gtk_image_get_pixbuf(GTK_IMAGE(image));
        EXPECT_EQ(gdk_pixbuf_get_width(picture), width);
        EXPECT_EQ(gdk_pixbuf_get_height(picture), height);
        ASSERT_TRUE(gdk_pixbuf_get_has_alpha(picture));
        EXPECT_EQ(gdk_pixbuf_get_pixels(picture)[3], 0) << "the top left corner is transparent";
        g_object_unref(image);
    }

    initgraph();
    GList* parts = gtk_container_get_children(GTK_CONTAINER(gtk_grid_get_child_at(GTK_GRID(tabletop), 1, 0)));
    GtkWidget* banner = GTK_WIDGET(parts->data);
    g_list_free(parts);
    ASSERT_TRUE(settle_until([banner] { return gtk_widget_get_allocated_width(banner) == 128; }));
    GtkAllocation at;
    gtk_widget_get_allocation(banner, &at);
    const auto blue_at = [&](int x, int y) {
        const Rgb p = screen_pixel(window, x, y);
        return p.b > p.r + 40;
    };
    ASSERT_TRUE(settle_until([&] { return blue_at(at.x + 64, at.y + 16); })) << "the plate is opaque";
    EXPECT_FALSE(blue_at(at.x - 3, at.y + 16));
    EXPECT_TRUE(same_colour(screen_pixel(window, at.x, at.y), screen_pixel(window, at.x - 3, at.y + 16)))
        << "a transparent corner shows the row behind it";
}

} // namespace
