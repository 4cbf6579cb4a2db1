#include "event_test_support.h"
#include "test_support.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

int lines_in(const std::string& path)
{
    const std::string text = file_exists(path) ? read_file(path) : "";
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// One second passes, then the scenario steps; the mirror's progress only grows meanwhile.
void run_to(DemoScenario& scenario, const SimArray& mirror, int second)
{
    while (scenario.second() != second) {
        const std::uint32_t before = mirror.progress;
        set_fixed_clock(fixed_clock() + 1);
        scenario.step();
        if (scenario.second() > DemoScenario::kRebuildAt && scenario.second() <= DemoScenario::kRebuildAt + DemoScenario::kRebuildSeconds) {
            EXPECT_GT(mirror.progress, before) << "second " << scenario.second();
        }
    }
}

} // namespace

// A mirror member fails, is rebuilt over a minute and the array is functional again; the
// card writes a system log line at both ends, and the loop starts over.
TEST(Scenario, AMirrorMemberFailsIsRebuiltAndTheArrayRecovers)
{
    ScopedWorkDir dir;
    const std::string syslog = dir.file("messages");
    use_fixed_clock(utc(2023, 12, 6, 20, 30, 0));
    SimulatedCard card = make_demo_card();
    DemoScenario scenario(card, syslog);
    const SimArray& mirror = card.arrays[0];
    std::string seen;
    for (int second : {DemoScenario::kFailAt - 1, DemoScenario::kFailAt, DemoScenario::kRebuildAt,
                       DemoScenario::kRebuildAt + DemoScenario::kRebuildSeconds, DemoScenario::kFunctionalAt,
                       DemoScenario::kLength, 1, DemoScenario::kFailAt}) {
        run_to(scenario, mirror, second);
        seen += std::to_string(mirror.status) + "/" + std::to_string(mirror.rebuild_mask) + "/" +
                std::to_string(mirror.busy_mask) + (mirror.progress == mirror.size_mb ? " done " : " ") +
                std::to_string(lines_in(syslog)) + "|";
    }
    EXPECT_EQ(seen, "15/0/0 0|34/0/0 1|34/2/2 1|34/2/2 done 1|15/0/0 2|15/0/0 2|15/0/0 2|34/0/0 3|");
    EXPECT_EQ(read_file(syslog), "Dec  6 20:30:44 quorvex kernel: HALVOREN|Array 1 drive 2 failed\n"
                                 "Dec  6 20:32:03 quorvex kernel: HALVOREN|Array 1 drive 2 rebuilt, array functional\n"
                                 "Dec  6 20:33:59 quorvex kernel: HALVOREN|Array 1 drive 2 failed\n");
    EXPECT_EQ(card.arrays[1].status, 15);
}

// The monitor scans at counts 8, 16, 24 and 32 of its 39-second cycle, which runs in
// step with the scenario; every event line must still be recent at the next scan,
// wherever in the minute the demo starts.
TEST(Scenario, EveryEventIsReportedByTheMonitorsScans)
{
    ensure_gtk();
    ScopedWorkDir dir;
    const std::string syslog = dir.file("messages"), eventlog = dir.file("Error.log");
    option3.uselogfile = 1;
    std::memcpy(option3.logfile, eventlog.c_str(), eventlog.size() + 1);
    set_system_log_path(syslog.c_str());
    for (int offset = 0; offset < 60; ++offset) {
        globalhour[0] = olderrordata[0] = '\0';
        std::remove(syslog.c_str());
        std::remove(eventlog.c_str());
        SimulatedCard card = make_demo_card();
        DemoScenario demo(card, syslog);
        use_fixed_clock(utc(2023, 12, 6, 20, 30, offset));
        for (int tick = 1; tick <= 2 * DemoScenario::kLength; ++tick) {
            set_fixed_clock(fixed_clock() + 1);
            demo.step();
            if (((tick - 1) % 39 + 1) % 8 == 0)
                geterrordata();
        }
        EXPECT_EQ(lines_in(eventlog), 8) << "starting at second " << offset;
    }
}
