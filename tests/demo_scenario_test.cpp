#include "event_test_support.h"
#include "test_support.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Scenario : public ::testing::Test {
protected:
    void SetUp() override { use_fixed_clock(start); }

    // One second passes, then the scenario steps.
    void run_to(int second)
    {
        while (scenario.second() != second) {
            set_fixed_clock(fixed_clock() + 1);
            scenario.step();
        }
    }

    ScopedWorkDir dir;
    std::string syslog = dir.file("messages");
    SimulatedCard card = make_demo_card();
    DemoScenario scenario{card, syslog};
    std::time_t start = utc(2023, 12, 6, 20, 30, 0);
};

TEST_F(Scenario, AMirrorMemberFailsIsRebuiltAndTheArrayRecovers)
{
    const SimArray& mirror = card.arrays[0];
    ASSERT_EQ(mirror.member_mask & 0x02, 0x02);
    run_to(DemoScenario::kFailAt - 1);
    EXPECT_EQ(mirror.status, 15);
    EXPECT_FALSE(file_exists(syslog));

    run_to(DemoScenario::kFailAt);
    EXPECT_EQ(mirror.status, 0x22);
    EXPECT_EQ(mirror.rebuild_mask, 0);
    const std::string failed = "Dec  6 20:30:44 quorvex kernel: HALVOREN|Array 1 drive 2 failed";
    EXPECT_EQ(read_file(syslog), failed + "\n");
    EXPECT_EQ(failed.find("HALVOREN|"), 32u);

    run_to(DemoScenario::kRebuildAt);
    EXPECT_EQ(mirror.rebuild_mask, 0x02);
    EXPECT_EQ(mirror.busy_mask, 0x02);
    EXPECT_EQ(mirror.progress, 0u);
    std::uint32_t last = 0;
    for (int s = DemoScenario::kRebuildAt + 1; s <= DemoScenario::kRebuildAt + DemoScenario::kRebuildSeconds; ++s) {
        run_to(s);
        EXPECT_GT(mirror.progress, last) << s;
        last = mirror.progress;
    }
    EXPECT_EQ(mirror.progress, mirror.size_mb);
    EXPECT_EQ(mirror.status, 0x22);

    run_to(DemoScenario::kFunctionalAt);
    EXPECT_EQ(mirror.status, 15);
    EXPECT_EQ(mirror.rebuild_mask, 0);
    EXPECT_EQ(mirror.busy_mask, 0);
    const auto lines = lines_of(read_file(syslog));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Dec  6 20:32:03 quorvex kernel: HALVOREN|Array 1 drive 2 rebuilt, array functional");
    EXPECT_EQ(card.arrays[1].status, 15);
}

TEST_F(Scenario, TheLoopStartsAgainAfterItsLastSecond)
{
    run_to(DemoScenario::kLength);
    scenario.step();
    EXPECT_EQ(scenario.second(), 1);
    run_to(DemoScenario::kFailAt);
    EXPECT_EQ(card.arrays[0].status, 0x22);
    EXPECT_EQ(lines_of(read_file(syslog)).size(), 3u);
}

// The monitor scans at counts 8, 16, 24 and 32 of its 39-second cycle, which runs in
// step with the scenario; every event line must still be recent at the next scan,
// wherever in the minute the demo starts.
TEST_F(Scenario, EveryEventIsReportedByTheMonitorsScans)
{
    ensure_gtk();
    option3.uselogfile = 1;
    const std::string eventlog = dir.file("Error.log");
    std::memcpy(option3.logfile, eventlog.c_str(), eventlog.size() + 1);
    set_system_log_path(syslog.c_str());
    for (int offset = 0; offset < 60; ++offset) {
        globalhour[0] = '\0';
        olderrordata[0] = '\0';
        std::remove(syslog.c_str());
        std::remove(eventlog.c_str());
        SimulatedCard fresh = make_demo_card();
        DemoScenario demo(fresh, syslog);
        set_fixed_clock(start + offset);
        for (int tick = 1; tick <= 2 * DemoScenario::kLength; ++tick) {
            set_fixed_clock(fixed_clock() + 1);
            demo.step();
            if (((tick - 1) % 39 + 1) % 8 == 0)
                geterrordata();
        }
        EXPECT_EQ(lines_of(read_file(eventlog)).size(), 8u) << "starting at second " << offset;
    }
}

} // namespace
