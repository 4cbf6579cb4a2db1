#include "event_test_support.h"
#include "scan_fixture.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/resident_monitor.h"
#include "settings/settings_record.h"

#include <functional>
#include <sstream>
#include <sys/stat.h>

namespace {

using Lines = std::vector<std::string>;

// The monitor on the demo card, its clock stepped with its ticks.
class ResidentMonitor : public ScanFixture {
protected:
    void SetUp() override
    {
        ScanFixture::SetUp();
        card = make_demo_card();
        option3.syncdisabled = 1;
        use_fixed_clock(utc(2024, 12, 6, 10, 0, 0));
    }

    // Starts the monitor and runs ticks, calling script(second) before each; returns the
    // event lines written to standard error, a driver line cut to its marked part.
    Lines run(MonitorOptions options, int ticks, const std::function<void(int)>& script = {})
    {
        ::testing::internal::CaptureStderr();
        start_monitor(options);
        for (int second = 1; second <= ticks; ++second) {
            set_fixed_clock(fixed_clock() + 1);
            if (script)
                script(second);
            monitor_tick();
        }
        Lines lines;
        std::istringstream err(::testing::internal::GetCapturedStderr());
        for (std::string line; std::getline(err, line);) {
            const auto marker = line.find("HALVOREN|");
            if (line.rfind("quorvex-monitor: DriverEvent: ", 0) == 0 && marker != std::string::npos)
                line = "quorvex-monitor: DriverEvent: " + line.substr(marker);
            lines.push_back(line);
        }
        return lines;
    }

    std::string script_file(const std::string& name, const std::string& body)
    {
        const std::string path = dir.file(name);
        write_file(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }
};

TEST_F(ResidentMonitor, ScriptedCardsGiveEachEventOnceCauseBeforeEffect)
{
    struct Case {
        const char* name;
        std::function<void(SimulatedCard&)> at_start;
        std::function<void(SimulatedCard&, int)> script;
        Lines expected;
    };
    DemoScenario* demo = nullptr;
    const auto nothing = [](SimulatedCard&) {};
    const auto unchanged = [](SimulatedCard&, int) {};
    const Case cases[] = {
        {"member fails, is rebuilt, returns", nothing, [&](SimulatedCard&, int) { demo->step(); },
         {"quorvex-monitor: ArrayDegraded array 1: Critical",
          "quorvex-monitor: DriverEvent: HALVOREN|Array 1 drive 2 failed",
          "quorvex-monitor: RebuildStarted array 1: drive 2 at 4%", "quorvex-monitor: RebuildFinished array 1: drive 2",
          "quorvex-monitor: ArrayFunctional array 1: Functional",
          "quorvex-monitor: DriverEvent: HALVOREN|Array 1 drive 2 rebuilt, array functional"}},
        {"member pulled from the mirror", nothing,
         [](SimulatedCard& c, int second) {
             if (second == 20) {
                 c.drives[1].present = false;
                 c.arrays[0].member_mask = 0x01;
                 c.arrays[0].status = 0x22;
             }
         },
         {"quorvex-monitor: DriveMissing array 1: drive 2", "quorvex-monitor: ArrayDegraded array 1: drive 2 offline"}},
        {"striping member dropped, then the driver stops answering", nothing,
         [](SimulatedCard& c, int second) {
             if (second == 20) {
                 c.arrays[1].member_mask = 0x10;
                 c.arrays[1].status = 0x22;
             }
             c.fail_version = second >= 50;
         },
         {"quorvex-monitor: DriveFailed array 2: drive 6", "quorvex-monitor: ArrayOffline array 2: drive 6 offline",
          "quorvex-monitor: ControllerMissing: no answer to the version request on /dev/sda: Inappropriate ioctl for "
          "device (no Halvoren card or no compatible driver)"}},
        {"stripe offline and mirror rebuilding at start",
         [](SimulatedCard& c) {
             c.arrays[1].status = c.arrays[0].status = 0x22;
             c.arrays[0].rebuild_mask = c.arrays[0].busy_mask = 0x02;
             c.arrays[0].size_mb = 1000;
             c.arrays[0].progress = 500;
         },
         unchanged,
         {"quorvex-monitor: RebuildStarted array 1: drive 2 at 50%", "quorvex-monitor: ArrayDegraded array 1: Critical",
          "quorvex-monitor: ArrayOffline array 2: Offline"}},
        {"all functional", nothing, unchanged, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        card = make_demo_card();
        c.at_start(card);
        DemoScenario scenario(card, dir.file("messages"));
        demo = &scenario;
        EXPECT_EQ(run({}, 200, [&](int second) { c.script(card, second); }), c.expected);
    }
}

// The program gets its values as separate arguments and in the environment, never through
// a shell, and its output goes to standard error; one that hangs is killed, one that is
// missing is reported, and either way the next event is still reported and handed to it.
TEST_F(ResidentMonitor, EventProgramArgumentsTimeLimitAndFailures)
{
    const std::string record = dir.file("record");
    const std::string recorder = script_file(
        "recorder", "printf '%s|' \"$#\" \"$1\" \"$2\" \"$3\" \"$QUORVEX_EVENT\" \"$QUORVEX_ARRAY\" "
                    "\"$QUORVEX_DETAIL\" \"$QUORVEX_TIME\" >> " + record + "\necho said $1; exit 3\n");
    const struct {
        std::string program, said, outcome, recorded;
    } cases[] = {
        {recorder, "said ", ": exited with status 3",
         "3|TestEvent|-|test of the event program|TestEvent|-|test of the event program|2024-12-06T10:00:00+0000|"
         "3|ArrayDegraded|1|Critical|ArrayDegraded|1|Critical|2024-12-06T10:00:00+0000|"},
        {script_file("hangs", "echo x >> " + record + "\nsleep 30\n"), "", ": was killed after ", "x\nx\n"},
        {dir.file("no-such-program"), "", ": could not be started: No such file or directory", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        write_file(record, "");
        card = make_demo_card();
        card.arrays[0].status = 0x22;
        const MonitorOptions options{c.program, true, 300};
        Lines starts; // each line of standard error begins so
        for (const char* event : {"TestEvent", "ArrayDegraded"}) {
            starts.push_back(event == std::string("TestEvent") ? "quorvex-monitor: TestEvent: test of the event program"
                                                               : "quorvex-monitor: ArrayDegraded array 1: Critical");
            if (!c.said.empty())
                starts.push_back(c.said + event);
            starts.push_back("quorvex-monitor: " + c.program + " " + event + c.outcome);
        }
        const Lines lines = run(options, 0);
        ASSERT_EQ(lines.size(), starts.size()) << ::testing::PrintToString(lines);
        for (std::size_t k = 0; k < lines.size(); ++k)
            EXPECT_EQ(lines[k].rfind(starts[k], 0), 0u) << lines[k];
        EXPECT_EQ(read_file(record), c.recorded);
    }
}

} // namespace
