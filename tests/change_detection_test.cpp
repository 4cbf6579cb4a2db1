#include "live_window_support.h"
#include "simulated_driver.h"

#include "driver/driver_requests.h"
#include "inventory/change_detection.h"
#include "ui/main_notebook.h"
#include "inventory/inventory_tables.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ChangeDetectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_test_window();
        card.arrays[0] = {1, 15, 1, 1024, 16, 63, 500, 0, 0x03, 0, 0};
        card.arrays[1] = {2, 15, 0, 1024, 16, 63, 500, 0, 0x30, 0, 0};
        install_simulated_driver(card);
    }
    void TearDown() override { uninstall_simulated_driver(); }

    bool check_rebuilds()
    {
        if (!tabletop) {
            gtkInitGraph();
            return tabletop != nullptr;
        }
        DestroyWatch old_table(tabletop);
        gtkInitGraph();
        return old_table.destroyed;
    }

    std::vector<int> requested_arrays() const
    {
        std::vector<int> indexes;
        for (const SimEvent& e : card.requests_with_code(kRequestArrayStatus))
            indexes.push_back(e.written[0]);
        return indexes;
    }

    SimulatedCard card;
};

TEST_F(ChangeDetectionTest, MemberMaskAndStatusClassDecide)
{
    EXPECT_TRUE(check_rebuilds()) << "first check";
    EXPECT_FALSE(check_rebuilds()) << "unchanged";
    card.arrays[0].status = 143;
    EXPECT_FALSE(check_rebuilds()) << "15 -> 143, same class";
    EXPECT_EQ(lasttime[73], 143);
    card.arrays[0].status = 34;
    EXPECT_TRUE(check_rebuilds()) << "143 -> 34";
    EXPECT_FALSE(check_rebuilds()) << "still 34";
    card.arrays[1].member_mask = 0x10;
    EXPECT_TRUE(check_rebuilds()) << "member mask 0x30 -> 0x10";
    card.arrays[1].raid_mode = 1;
    card.arrays[1].size_mb = 9;
    card.arrays[1].progress = 50;
    card.arrays[1].rebuild_mask = 0x20;
    card.arrays[1].busy_mask = 0x10;
    EXPECT_FALSE(check_rebuilds()) << "fields that are not compared";
}

TEST_F(ChangeDetectionTest, RequestsAndSnapshot)
{
    card.arrays[2] = {3, 34, 1, 1024, 16, 63, 500, 7, 0x0C, 0x04, 0};
    card.arrays[3] = {4, 143, 0, 1024, 16, 63, 500, 0, 0xC0, 0, 0};
    gtkInitGraph();
    std::vector<std::uint8_t> expected(204);
    const std::uint8_t statuses[4] = {15, 15, 34, 143}, masks[4] = {0x03, 0x30, 0x0C, 0xC0};
    for (int i = 0; i < 4; ++i) {
        expected[73 + 32 * i] = statuses[i];
        expected[88 + 32 * i] = masks[i];
    }
    EXPECT_EQ(std::vector<std::uint8_t>(lasttime, lasttime + 204), expected);

    card.clear_log();
    EXPECT_EQ(str_cmp(), 0);
    EXPECT_EQ(requested_arrays(), (std::vector<int>{0, 1, 2, 3}));

    card.arrays[0].status = 34;
    card.clear_log();
    EXPECT_EQ(str_cmp(), 1);
    EXPECT_EQ(requested_arrays(), (std::vector<int>{0})) << "a difference ends the comparison";
    EXPECT_EQ(lasttime[73], 15) << "the comparison leaves the snapshot alone";
    card.clear_log();
    gtkInitGraph();
    EXPECT_EQ(requested_arrays(), (std::vector<int>{0, 0, 1, 2, 3}));
    EXPECT_EQ(lasttime[73], 34);
    EXPECT_EQ(card.opens(), 5);
    EXPECT_TRUE(card.all_closed());
}

TEST_F(ChangeDetectionTest, WindowOfACardWithoutArraysIsBuiltOnce)
{
    card.arrays = {};
    EXPECT_TRUE(check_rebuilds()) << "the window must not stay empty for good";
    EXPECT_NE(notebook, nullptr);
    EXPECT_FALSE(check_rebuilds());
}

} // namespace
