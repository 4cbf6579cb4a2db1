#include "live_window_support.h"
#include "simulated_driver.h"

#include "driver/driver_records.h"
#include "inventory/change_detection.h"
#include "ui/main_notebook.h"
#include "inventory/inventory_tables.h"
#include "ui/monitor_tick.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

namespace {

class TickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        open_test_window();
        option3.syncdisabled = 1; // no schedule, as without a settings file
        card.arrays[0] = {1, 15, 1, 1024, 16, 63, 500, 0, 0x03, 0, 0};
        install_simulated_driver(card);
    }
    void TearDown() override { uninstall_simulated_driver(); }

    // One tick; what it asked of the driver: change detection opens with at least eight
    // array status requests (no difference), the scan issues the version request.
    void step(bool& change_detection, bool& scan)
    {
        card.clear_log();
        EXPECT_TRUE(gtkBeepCheck(nullptr));
        const auto requests = card.requests();
        std::size_t leading = 0;
        while (leading < requests.size() && requests[leading].code == kRequestArrayStatus)
            ++leading;
        change_detection = leading >= 8;
        scan = false;
        for (std::size_t i = 0; i < requests.size(); ++i)
            if (requests[i].code == kRequestVersion) {
                scan = true;
                EXPECT_GE(i, leading) << "change detection runs before the scan";
            }
        if (secondCount % 2 != 0) {
            EXPECT_TRUE(requests.empty()) << "count " << secondCount;
        }
    }

    SimulatedCard card;
};

TEST_F(TickTest, CadenceOverEightyTicks)
{
    gtkInitGraph(); // the snapshot matches the card from now on
    bool change_detection = false, scan = false;
    for (int tick = 1; tick <= 80; ++tick) {
        step(change_detection, scan);
        const int count = (tick - 1) % 39 + 1;
        ASSERT_EQ(secondCount, count) << "tick " << tick;
        EXPECT_EQ(change_detection, count % 2 == 0) << "count " << count;
        EXPECT_EQ(scan, count % 8 == 0) << "count " << count;
    }
}

TEST_F(TickTest, BellOnEveryTickOnlyWhileBothFlagsAreExactlyOne)
{
    bool change_detection = false, scan = false;
    option3.audible = 1;
    errorBeep = 1;
    for (int tick = 1; tick <= 7; ++tick)
        step(change_detection, scan);
    EXPECT_EQ(bells_rung, 7);
    for (const auto& [audible, fault] : {std::pair<std::uint32_t, std::int32_t>{2, 1}, {0, 1}, {1, 0}, {1, 2}}) {
        option3.audible = audible;
        errorBeep = fault;
        step(change_detection, scan);
        EXPECT_EQ(bells_rung, 7) << "audible " << audible << " errorBeep " << fault;
    }
}

TEST_F(TickTest, TimerIsKeptWhenTheDriverFails)
{
    card.fail_open = true;
    for (int tick = 1; tick <= 40; ++tick)
        EXPECT_TRUE(gtkBeepCheck(nullptr)) << "count " << secondCount;
    EXPECT_EQ(secondCount, 1);
}

} // namespace
