#include "live_window_support.h"
#include "simulated_driver.h"
#include "test_support.h"

#include "driver/driver_requests.h"
#include "inventory/change_detection.h"
#include "inventory/inventory_tables.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <memory>
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

    // Runs one check and tells whether it rebuilt the notebook.
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

    std::vector<int> status_request_indexes() const
    {
        std::vector<int> indexes;
        for (const SimEvent& e : card.requests())
            if (e.code == kRequestArrayStatus)
                indexes.push_back(e.written[0]);
        return indexes;
    }

    SimulatedCard card;
};

TEST_F(ChangeDetectionTest, FirstCheckBuildsThenUnchangedAnswersDoNot)
{
    EXPECT_TRUE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
}

TEST_F(ChangeDetectionTest, StatusChangeWithinTheFunctionalClassKeepsTheNotebook)
{
    check_rebuilds();
    card.arrays[0].status = 143;
    EXPECT_FALSE(check_rebuilds());
    EXPECT_EQ(lasttime[73], 143);
}

TEST_F(ChangeDetectionTest, FunctionalToFaultyRebuildsOnce)
{
    check_rebuilds();
    card.arrays[0].status = 34;
    EXPECT_TRUE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
    // Between two faulty values nothing is rebuilt either.
    card.arrays[0].status = 0;
    EXPECT_FALSE(check_rebuilds());
}

TEST_F(ChangeDetectionTest, MemberMaskChangeRebuildsAlthoughStatusStays)
{
    card.arrays[1].member_mask = 0x03;
    check_rebuilds();
    card.arrays[1].member_mask = 0x01;
    EXPECT_TRUE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
}

TEST_F(ChangeDetectionTest, OtherFieldsAreNotCompared)
{
    check_rebuilds();
    card.arrays[0].raid_mode = 0;
    card.arrays[0].size_mb = 9;
    card.arrays[0].progress = 50;
    card.arrays[0].rebuild_mask = 0x02;
    card.arrays[0].busy_mask = 0x01;
    EXPECT_FALSE(check_rebuilds());
}

TEST_F(ChangeDetectionTest, DifferenceEndsTheComparisonAfterOneRequest)
{
    check_rebuilds();
    card.arrays[0].status = 34;
    card.clear_log();
    EXPECT_EQ(str_cmp(), 1);
    EXPECT_EQ(status_request_indexes(), (std::vector<int>{0}));
    EXPECT_EQ(lasttime[73], 15) << "the comparison leaves the snapshot alone";

    card.clear_log();
    gtkInitGraph();
    EXPECT_EQ(status_request_indexes(), (std::vector<int>{0, 0, 1, 2, 3}));
    EXPECT_TRUE(card.all_closed());
}

TEST_F(ChangeDetectionTest, CheckWithoutDifferenceAsksEveryArrayTwice)
{
    check_rebuilds();
    card.clear_log();
    EXPECT_EQ(str_cmp(), 0);
    EXPECT_EQ(status_request_indexes(), (std::vector<int>{0, 1, 2, 3}));
    card.clear_log();
    gtkInitGraph();
    EXPECT_EQ(status_request_indexes(), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
    EXPECT_EQ(card.opens(), 8);
    EXPECT_EQ(card.closes(), 8);
}

TEST_F(ChangeDetectionTest, SnapshotHoldsStatusAndMaskAtTheirOffsetsOnly)
{
    card.arrays[2] = {3, 34, 1, 1024, 16, 63, 500, 7, 0x0C, 0x04, 0};
    card.arrays[3] = {4, 143, 0, 1024, 16, 63, 500, 0, 0xC0, 0, 0};
    gtkInitGraph();
    std::uint8_t expected[204] = {};
    const std::uint8_t statuses[4] = {15, 15, 34, 143};
    const std::uint8_t masks[4] = {0x03, 0x30, 0x0C, 0xC0};
    for (int i = 0; i < 4; ++i) {
        expected[73 + 32 * i] = statuses[i];
        expected[88 + 32 * i] = masks[i];
    }
    EXPECT_EQ(std::vector<std::uint8_t>(lasttime, lasttime + 204), std::vector<std::uint8_t>(expected, expected + 204));
}

TEST_F(ChangeDetectionTest, SnapshotTakesTheSecondSeriesOfAnswers)
{
    gtkInitGraph();
    // The card changes between the comparison and the refresh: the refresh's answer counts.
    int answers = 0;
    card.tamper = [&answers](unsigned long code, std::uint8_t* record) {
        if (code == kRequestArrayStatus && ++answers > 4 && record[0] == 0)
            record[73] = 34;
    };
    gtkInitGraph();
    EXPECT_EQ(lasttime[73], 34);
    EXPECT_EQ(ArrayStatus[0], 3) << "the work block holds array 3's answer";
}

TEST_F(ChangeDetectionTest, EmptyCardStillGetsItsWindowBuiltOnce)
{
    card.arrays = {};
    EXPECT_TRUE(check_rebuilds()) << "the window must not stay empty for good";
    EXPECT_NE(notebook, nullptr);
    EXPECT_FALSE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
}

TEST_F(ChangeDetectionTest, FailedRequestsCompareWhatTheWorkBlockHolds)
{
    check_rebuilds();
    card.fail_open = true;
    // Nothing new arrives: the work block still holds array 3's last answer, which then
    // stands for every array.
    EXPECT_TRUE(check_rebuilds());
    EXPECT_FALSE(check_rebuilds());
}

} // namespace
