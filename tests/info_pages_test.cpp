#include "live_window_support.h"

#include "base/bounded_text.h"
#include "inventory/inventory_tables.h"
#include "ui/info_pages.h"
#include "ui/main_notebook.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

template <std::size_t Lines>
std::vector<const char*> rows(char (&table)[Lines][kLineSize], std::vector<int> which)
{
    std::vector<const char*> out;
    for (int k : which)
        out.push_back(table[k]);
    return out;
}

std::vector<const char*> lines_of(PageKind kind, int index)
{
    const PageLines page = page_lines(kind, index);
    return {page.line, page.line + page.count};
}

TEST(PageLines, EachKindDrawsItsTableLines)
{
    const std::vector<int> drive{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(lines_of(PageKind::ArraySummary, 2), rows(arrayinfo[2], {0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(lines_of(PageKind::MemberDrive, 13), rows(arraydiskinfo[13], drive));
    EXPECT_EQ(lines_of(PageKind::Controller, 1), rows(controllerinfo[1], {0, 1, 2, 3, 4}));
    EXPECT_EQ(lines_of(PageKind::Channel, 3), rows(channelinfo[1], {2, 3}));
    EXPECT_EQ(lines_of(PageKind::ChannelDrive, 6), rows(channeldiskinfo[6], drive));
    for (const auto& [kind, index] : {std::pair{PageKind::ArraySummary, 4}, {PageKind::MemberDrive, 32},
                                      {PageKind::Controller, 2}, {PageKind::Channel, 4}, {PageKind::ChannelDrive, -1}})
        EXPECT_EQ(page_lines(kind, index).count, 0) << static_cast<int>(kind) << " " << index;
}

const Rgb kWhite{255, 255, 255};

// Ink of the line whose baseline is at y: capitals sit just above it.
int ink_at(cairo_surface_t* surface, int baseline) { return dark_pixels(surface, 0, baseline - 14, 1000, 14); }

class InfoPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_test_window();
        initgraph();
        settle_until([] { return pixmap != nullptr; });
    }
    void show_controller_page()
    {
        gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 1);
        settle_until([] { return pixmap2 != nullptr; });
    }
};

TEST_F(InfoPageTest, InsensitiveBackgroundBeforeAnySelection)
{
    ASSERT_NE(pixmap, nullptr);
    EXPECT_EQ(pixmap2, nullptr) << "the Controller page was never shown";
    const GdkRGBA theme = insensitive_background_colour();
    const Rgb background{int(theme.red * 255 + 0.5), int(theme.green * 255 + 0.5), int(theme.blue * 255 + 0.5)};
    EXPECT_FALSE(same_colour(background, kWhite)) << "would look like an empty page";
    EXPECT_EQ(cairo_image_surface_get_width(pixmap), gtk_widget_get_allocated_width(draw_area));
    EXPECT_EQ(cairo_image_surface_get_height(pixmap), gtk_widget_get_allocated_height(draw_area));
    EXPECT_TRUE(same_colour(surface_pixel(pixmap, 150, 100), background));
    EXPECT_TRUE(settle_until([&] { return same_colour(screen_pixel(draw_area, 150, 100), background); }))
        << "the draw handler copies the surface";
    show_controller_page();
    ASSERT_NE(pixmap2, nullptr);
    EXPECT_TRUE(same_colour(surface_pixel(pixmap2, 10, 10), background));
}

TEST_F(InfoPageTest, ArraySummaryBlackOnWhiteWithoutLineOne)
{
    copy_text(arrayinfo[1][0], "HHHH");
    copy_text(arrayinfo[1][1], "HHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHHH");
    copy_text(arrayinfo[1][3], "HHHH");
    showarray(nullptr, astring[1]);
    EXPECT_EQ(PageInfo[1], 0);
    EXPECT_TRUE(same_colour(surface_pixel(pixmap, 2, 2), kWhite));
    EXPECT_TRUE(same_colour(surface_pixel(pixmap, 250, 190), kWhite));
    EXPECT_GT(ink_at(pixmap, 20), 0);
    EXPECT_EQ(ink_at(pixmap, 40), 0) << "line 2 is empty";
    EXPECT_GT(ink_at(pixmap, 60), 0) << "line 3 is the third drawn";
    EXPECT_EQ(dark_pixels(pixmap, 80, 0, 1000, 200), 0) << "line 1 is never drawn";
    // The text sits on its baseline at y = 20, from x = 10.
    int top = 99, bottom = -1, left = 99;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x)
            if (dark_pixels(pixmap, x, y, 1, 1)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
            }
    EXPECT_TRUE(bottom >= 18 && bottom <= 20 && top >= 4) << top << ".." << bottom;
    EXPECT_TRUE(left >= 10 && left <= 13) << left;
}

TEST_F(InfoPageTest, SelectingEachKindOfRow)
{
    for (auto& name : arraydisknames)
        name[0] = '&';
    for (auto& name : channeldisknames)
        name[0] = '&';
    copy_text(arraynames[1], "Array 2");
    copy_text(arraydisknames[13], "QV-B");
    copy_text(controllernames[1], "Halvoren 2");
    copy_text(channeldisknames[6], "QV-G");
    for (int k = 0; k < kDriveLines; ++k)
        copy_text(arraydiskinfo[13][k], "HHHH");
    for (int k = 0; k < kControllerLines; ++k)
        copy_text(controllerinfo[1][k], "HHHH");
    copy_text(channelinfo[1][2], "HHHH");
    copy_text(channeldiskinfo[6][13], "HHHH");
    initgraph();
    settle_until([] { return gtk_widget_get_allocated_width(draw_area) > 1; });

    ASSERT_TRUE(select_row(treearray, PageKind::MemberDrive, 13));
    EXPECT_EQ(PageInfo[1], 1);
    EXPECT_EQ(PageInfo[2], 13);
    for (int k = 0; k < 14; ++k)
        EXPECT_GT(ink_at(pixmap, 20 + 20 * k), 0) << "drive line " << k;
    EXPECT_EQ(dark_pixels(pixmap, 0, 281, 1000, 30), 0) << "line 14 is never shown";
    // A screen reader gets the item's name and the lines the page shows.
    AtkObject* accessible = gtk_widget_get_accessible(draw_area);
    EXPECT_STREQ(atk_object_get_name(accessible), "QV-B");
    std::string lines = "HHHH";
    for (int k = 1; k < 14; ++k)
        lines += "\nHHHH";
    EXPECT_EQ(atk_object_get_description(accessible), lines);
    ASSERT_TRUE(select_row(treearray, PageKind::ArraySummary, 1));
    EXPECT_EQ(PageInfo[1], 0);

    show_controller_page();
    GtkWidget* controllers = tree_of_page(1);
    ASSERT_TRUE(select_row(controllers, PageKind::Controller, 1));
    EXPECT_EQ(PageInfo[3], 0);
    EXPECT_GT(ink_at(pixmap2, 100), 0);
    EXPECT_EQ(ink_at(pixmap2, 120), 0);
    ASSERT_TRUE(select_row(controllers, PageKind::ChannelDrive, 6));
    EXPECT_EQ(PageInfo[3], 1);
    EXPECT_EQ(PageInfo[4], 6);
    EXPECT_EQ(ink_at(pixmap2, 20), 0);
    EXPECT_GT(ink_at(pixmap2, 280), 0);
    ASSERT_TRUE(select_row(controllers, PageKind::Channel, 3));
    EXPECT_EQ(PageInfo[3], 0);
    EXPECT_EQ(PageInfo[4], 6);
    EXPECT_GT(ink_at(pixmap2, 20), 0);
    EXPECT_EQ(ink_at(pixmap2, 280), 0);
}

TEST_F(InfoPageTest, OpenDrivePageIsRedrawnAndSurvivesARebuild)
{
    show_controller_page();
    copy_text(arraydiskinfo[9][0], "HHHH");
    copy_text(controllerinfo[0][0], "HHHH");
    showarraydisk(nullptr, astring[9]);
    showcontroller(nullptr, astring[0]);
    const std::vector<std::int32_t> page_info(PageInfo, PageInfo + 5);
    cairo_surface_t* const surfaces[2] = {pixmap, pixmap2};

    // A scan rewrote the drive's lines and redraws the open drive page.
    copy_text(arraydiskinfo[9][0], "");
    copy_text(arraydiskinfo[9][1], "HHHHHHHHHH");
    ShowArrayDiskInformation(9);
    EXPECT_EQ(ink_at(pixmap, 20), 0);
    EXPECT_GT(ink_at(pixmap, 40), 0);
    copy_text(channeldiskinfo[2][4], "HHHH");
    ShowControllerDiskInformation(2);
    EXPECT_GT(ink_at(pixmap2, 100), 0);
    EXPECT_EQ(std::vector<std::int32_t>(PageInfo, PageInfo + 5), page_info);

    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), 0);
    initgraph();
    EXPECT_EQ(pixmap, surfaces[0]);
    EXPECT_EQ(pixmap2, surfaces[1]);
    EXPECT_EQ(std::vector<std::int32_t>(PageInfo + 1, PageInfo + 5), std::vector<std::int32_t>(page_info.begin() + 1, page_info.end()));
    const auto ink_on_screen = [] {
        GdkPixbuf* shot = gdk_pixbuf_get_from_window(gtk_widget_get_window(draw_area), 0, 0, 100, 60);
        bool ink = false;
        for (int y = 26; y < 40 && shot; ++y)
            for (int x = 10; x < 100; ++x)
                ink = ink || gdk_pixbuf_get_pixels(shot)[y * gdk_pixbuf_get_rowstride(shot) + x * gdk_pixbuf_get_n_channels(shot)] < 128;
        if (shot)
            g_object_unref(shot);
        return ink;
    };
    EXPECT_TRUE(settle_until(ink_on_screen)) << "the new area shows the old page";
    EXPECT_TRUE(settle_until([] {
        const char* told = atk_object_get_description(gtk_widget_get_accessible(draw_area));
        return told && std::string(told).rfind("\nHHHHHHHHHH\n", 0) == 0;
    })) << "and tells it";
}

TEST_F(InfoPageTest, ARedrawRightAfterARebuildLeavesNothingOfTheOldPage)
{
    copy_text(arraydiskinfo[9][0], "Status              :Functional");
    showarraydisk(nullptr, astring[9]);
    ASSERT_GT(ink_at(pixmap, 20), 0);
    // A scan right after a rebuild redraws before the new text area has its size.
    initgraph();
    copy_text(arraydiskinfo[9][0], "");
    ShowArrayDiskInformation(9);
    EXPECT_EQ(dark_pixels(pixmap, 0, 0, cairo_image_surface_get_width(pixmap), cairo_image_surface_get_height(pixmap)), 0);
}

TEST_F(InfoPageTest, SurfaceIsMadeOnceAndNeverResized)
{
    const int width = cairo_image_surface_get_width(pixmap);
    cairo_surface_t* kept = pixmap;
    gtk_window_resize(GTK_WINDOW(window), 1000, 700);
    ASSERT_TRUE(settle_until([width] { return gtk_widget_get_allocated_width(draw_area) > width; }));
    EXPECT_EQ(pixmap, kept);
    EXPECT_EQ(cairo_image_surface_get_width(pixmap), width);
    std::memset(arrayinfo[0], 'H', sizeof arrayinfo[0]); // no terminator anywhere
    showarray(nullptr, astring[0]);
    EXPECT_GT(ink_at(pixmap, 120), 0);
    showarray(nullptr, astring[31]); // no such array: an empty page
    EXPECT_EQ(dark_pixels(pixmap, 0, 0, width, 400), 0);
}

} // namespace
