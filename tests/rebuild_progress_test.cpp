#include "event_test_support.h"
#include "test_support.h"

#include "driver/driver_records.h"
#include "inventory/inventory_tables.h"
#include "ui/rebuild_progress.h"
#include "settings/settings_record.h"
#include "simulated_driver.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

namespace {

class RebuildDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_gtk();
        install_simulated_driver(card);
        use_fixed_clock(utc(2023, 12, 6, 10, 42, 5));
        option3.syncdisabled = 1;
    }
    void TearDown() override { uninstall_simulated_driver(); }

    static void array(int index, int progress, int size, int members)
    {
        arrayrebuildinfo[index][0] = progress;
        arrayrebuildinfo[index][1] = size;
        arrayrebuildinfo[index][2] = members;
    }
    static void refresh(int mask)
    {
        rebuilding_drive_mask() = mask;
        gtkRebuild();
    }
    static bool shown(GtkWidget* w) { return gtk_widget_get_visible(w); }

    SimulatedCard card;
};

class RebuildBars : public RebuildDisplay {
protected:
    ProgressRows rows;
};

TEST_F(RebuildBars, MaskZeroHidesAllFourAndKeepsTheSlots)
{
    for (GtkWidget* w : {barlabel1, barlabel2, pbar1, pbar2})
        gtk_widget_show(w);
    arrayrebuilddisk[0] = 4;
    arrayrebuilddisk[1] = 16;
    refresh(0);
    for (GtkWidget* w : {barlabel1, barlabel2, pbar1, pbar2})
        EXPECT_FALSE(shown(w));
    EXPECT_EQ(arrayrebuilddisk[0], 4);
    EXPECT_EQ(arrayrebuilddisk[1], 16);
}

TEST_F(RebuildBars, ADriveOfTheFirstArrayTakesBarOne)
{
    array(0, 50, 200, 0x0C);
    refresh(4);
    EXPECT_EQ(arrayrebuilddisk[0], 4);
    EXPECT_EQ(arrayrebuilddisk[1], 0);
    EXPECT_TRUE(shown(barlabel1));
    EXPECT_TRUE(shown(pbar1));
    EXPECT_EQ(label_text(barlabel1), "Rebuilding Array #1 synchronization in progress");
    EXPECT_EQ(bar_value(pbar1), 25.0);
    EXPECT_EQ(bar_text(pbar1), "25%");
    EXPECT_DOUBLE_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(pbar1)), 24.0 / 99.0);
    EXPECT_FALSE(shown(barlabel2));
    EXPECT_FALSE(shown(pbar2));
    EXPECT_EQ(label_text(barlabel2), "label2:");
}

TEST_F(RebuildBars, TwoArraysKeepTheirBarsAcrossRefreshes)
{
    array(0, 10, 100, 0x03);
    array(1, 1, 3, 0x30);
    refresh(17);
    EXPECT_EQ(label_text(barlabel1), "Rebuilding Array #1 synchronization in progress");
    EXPECT_EQ(label_text(barlabel2), "Rebuilding Array #2 synchronization in progress");
    EXPECT_EQ(bar_value(pbar1), 10.0);
    EXPECT_EQ(bar_value(pbar2), 33.0);

    array(0, 99, 100, 0x03);
    array(1, 3, 3, 0x30);
    refresh(17);
    EXPECT_EQ(arrayrebuilddisk[0], 1);
    EXPECT_EQ(arrayrebuilddisk[1], 16);
    EXPECT_EQ(label_text(barlabel1), "Rebuilding Array #1 synchronization in progress");
    EXPECT_EQ(bar_text(pbar1), "99%");
    EXPECT_EQ(bar_text(pbar2), "100%");
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(pbar2)), 1.0);
}

TEST_F(RebuildBars, ANewDriveAfterBarOnesGoesToBarTwo)
{
    array(0, 5, 100, 0x03);
    array(1, 7, 100, 0x30);
    refresh(1);
    refresh(0);
    refresh(16);
    EXPECT_EQ(arrayrebuilddisk[0], 1);
    EXPECT_EQ(arrayrebuilddisk[1], 16);
    EXPECT_FALSE(shown(barlabel1));
    EXPECT_FALSE(shown(pbar1));
    EXPECT_TRUE(shown(barlabel2));
    EXPECT_EQ(label_text(barlabel2), "Rebuilding Array #2 synchronization in progress");
    EXPECT_EQ(bar_value(pbar2), 7.0);
}

TEST_F(RebuildBars, SlotTwoChangesHandsAmongThreeDrives)
{
    array(2, 40, 80, 0x07);
    refresh(0x07);
    EXPECT_EQ(arrayrebuilddisk[0], 1);
    EXPECT_EQ(arrayrebuilddisk[1], 4);
    EXPECT_EQ(label_text(barlabel1), "Rebuilding Array #3 synchronization in progress");
    EXPECT_EQ(label_text(barlabel2), label_text(barlabel1));
    EXPECT_EQ(bar_value(pbar1), 50.0);
    EXPECT_EQ(bar_value(pbar2), 50.0);
    refresh(0x03);
    EXPECT_EQ(arrayrebuilddisk[0], 1);
    EXPECT_EQ(arrayrebuilddisk[1], 2);
}

TEST_F(RebuildBars, TheLowerArrayWinsAndUnknownDrivesAreIgnored)
{
    array(1, 20, 100, 0x08);
    array(3, 60, 100, 0x88);
    refresh(0x08);
    EXPECT_EQ(label_text(barlabel1), "Rebuilding Array #2 synchronization in progress");
    EXPECT_EQ(bar_value(pbar1), 20.0);

    refresh(0x40);
    EXPECT_EQ(arrayrebuilddisk[1], 0);
    EXPECT_FALSE(shown(barlabel2));
    EXPECT_EQ(label_text(barlabel2), "label2:");

    refresh(0x80);
    EXPECT_EQ(label_text(barlabel2), "Rebuilding Array #4 synchronization in progress");
    EXPECT_EQ(bar_value(pbar2), 60.0);
}

TEST_F(RebuildBars, ASizeOfZeroLeavesTheBarAtItsMinimum)
{
    array(0, 50, 0, 0x01);
    refresh(1);
    EXPECT_TRUE(shown(pbar1));
    EXPECT_EQ(bar_value(pbar1), 1.0);
    EXPECT_EQ(gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(pbar1)), 0.0);
    EXPECT_EQ(bar_text(pbar1), "0%");
}

TEST_F(RebuildDisplay, PercentageIsExactInWholePercents)
{
    struct Case {
        int progress, size, percent;
    };
    const Case cases[] = {
        {29, 100, 29}, {57, 100, 57},  {1, 3, 33},      {2, 3, 66},   {99, 100, 99},    {100, 100, 100},
        {0, 76319, 0}, {76319, 76319, 100}, {50, 200, 25}, {-1, 3, -33}, {5, 0, 0},        {0, 0, 0},
        {2147483647, 2147483647, 100}, {2000000000, 1, 2147483647}, {-2000000000, 1, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        array(0, c.progress, c.size, 0x01);
        EXPECT_EQ(stringdivide(1), c.percent) << c.progress << " of " << c.size;
    }
    array(0, 1, 2, 0x02);
    array(1, 1, 4, 0x06);
    EXPECT_EQ(stringdivide(4), 25);
    EXPECT_EQ(stringdivide(2), 50);
}

TEST_F(RebuildDisplay, NothingIsTouchedBeforeTheFirstBuild)
{
    array(0, 30, 100, 0x03);
    refresh(2);
    refresh(0);
    clearrebuild(0);
    EXPECT_EQ(arrayrebuilddisk[0], 2);

    // The first build's fresh bars are shown again from the kept slot.
    ProgressRows rows;
    refresh(2);
    EXPECT_TRUE(shown(pbar1));
    EXPECT_EQ(bar_value(pbar1), 30.0);
    EXPECT_FALSE(shown(pbar2));
}

TEST_F(RebuildDisplay, TheScheduleCheckRunsFirstAndOnlyWithoutARebuild)
{
    option3.syncdisabled = 0;
    option3.synctype = 2;
    option3.synchour = 3;
    ProgressRows rows;
    array(0, 30, 100, 0x03);
    refresh(2);
    EXPECT_TRUE(card.requests_with_code(kRequestMirrorSync).empty());
    refresh(0);
    ASSERT_EQ(card.requests_with_code(kRequestMirrorSync).size(), 1u);
    EXPECT_EQ(card.last_sync_command, 1);
    EXPECT_FALSE(shown(pbar1));
}

} // namespace
