#include "live_window_support.h"
#include "simulated_driver.h"
#include "test_support.h"

#include "driver/driver_records.h"
#include "inventory/inventory_tables.h"
#include "monitor/monitor_tick.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SimulatedCard stable_card()
{
    SimulatedCard card;
    card.controllers[0].device_id = 0x4D30;
    card.drives[0] = {true, true, "QV-A", 1024, 16, 63, 1032192, 0, 0};
    card.drives[1] = {true, true, "QV-B", 1024, 16, 63, 1032192, 0, 0};
    card.arrays[0] = {1, 15, 1, 1024, 16, 63, 500, 0, 0x03, 0, 0};
    return card;
}

// What one tick asked of the driver.
struct TickWork {
    int count;
    bool change_detection; // a series of array status requests opened the tick
    bool scan;             // the version request was issued
    bool scan_after_change_detection;
};

TickWork step(SimulatedCard& card)
{
    card.clear_log();
    EXPECT_TRUE(gtkBeepCheck(nullptr));
    const std::vector<SimEvent> requests = card.requests();
    int leading_status = 0;
    while (leading_status < static_cast<int>(requests.size()) && requests[leading_status].code == kRequestArrayStatus)
        ++leading_status;
    bool scan = false;
    bool scan_later = true;
    for (int i = 0; i < static_cast<int>(requests.size()); ++i)
        if (requests[i].code == kRequestVersion) {
            scan = true;
            scan_later = scan_later && i >= leading_status;
        }
    // A comparison without difference and the snapshot refresh: four requests each.
    return {secondCount, leading_status >= 8, scan, scan && scan_later};
}

class TickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_test_window();
        install_simulated_driver(card);
        gtkBeepCheck(nullptr);
        gtkBeepCheck(nullptr); // count 2 builds the window's content
        secondCount = 0;
        bells_rung = 0;
    }
    void TearDown() override { uninstall_simulated_driver(); }
    SimulatedCard card = stable_card();
};

TEST_F(TickTest, CadenceOverEightyTicks)
{
    for (int tick = 1; tick <= 80; ++tick) {
        const TickWork work = step(card);
        const int expected_count = (tick - 1) % 39 + 1;
        ASSERT_EQ(work.count, expected_count) << "tick " << tick;
        EXPECT_EQ(work.change_detection, expected_count % 2 == 0) << "count " << expected_count;
        EXPECT_EQ(work.scan, expected_count % 8 == 0) << "count " << expected_count;
        if (work.scan) {
            EXPECT_TRUE(work.scan_after_change_detection) << "count " << expected_count;
        }
        if (expected_count % 2 != 0) {
            EXPECT_TRUE(card.requests().empty()) << "count " << expected_count;
        }
    }
    EXPECT_EQ(secondCount, 2);
}

TEST_F(TickTest, CountWrapsFromThirtyNineToOne)
{
    secondCount = 38;
    step(card);
    EXPECT_EQ(secondCount, 39);
    step(card);
    EXPECT_EQ(secondCount, 1);
    EXPECT_TRUE(card.requests().empty());
}

TEST_F(TickTest, FirstTickOnlyBeeps)
{
    option3.audible = 1;
    errorBeep = 1;
    const TickWork work = step(card);
    EXPECT_EQ(work.count, 1);
    EXPECT_EQ(bells_rung, 1);
    EXPECT_TRUE(card.requests().empty());
}

TEST_F(TickTest, BellEveryTickWhileFaultAndPromptAreOn)
{
    option3.audible = 1;
    errorBeep = 1;
    for (int tick = 1; tick <= 7; ++tick)
        step(card);
    EXPECT_EQ(bells_rung, 7);
}

TEST_F(TickTest, BellOnlyForFlagsExactlyOne)
{
    struct Case {
        std::uint32_t audible;
        std::int32_t fault;
    };
    for (const Case c : {Case{2, 1}, Case{0, 1}, Case{1, 0}, Case{1, 2}, Case{0xFFFFFFFF, 1}}) {
        option3.audible = c.audible;
        errorBeep = c.fault;
        bells_rung = 0;
        secondCount = 0;
        for (int tick = 1; tick <= 7; ++tick)
            step(card);
        EXPECT_EQ(bells_rung, 0) << "audible " << c.audible << " errorBeep " << c.fault;
    }
}

TEST_F(TickTest, TimerKeptWhenTheDriverFails)
{
    card.fail_open = true;
    card.fail_version = true;
    for (int tick = 1; tick <= 39; ++tick)
        EXPECT_TRUE(gtkBeepCheck(nullptr)) << "count " << secondCount;
}

} // namespace
