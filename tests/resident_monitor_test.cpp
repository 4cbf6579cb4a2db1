#include "event_test_support.h"
#include "scan_fixture.h"

#include "demo_card.h"
#include "demo_scenario.h"
#include "monitor/event_output.h"
#include "monitor/resident_monitor.h"
#include "settings/settings_record.h"

#include <algorithm>
#include <csignal>
#include <functional>
#include <sstream>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Then the programs still queued or running are waited for.
    Lines run(MonitorOptions options, int ticks, const std::function<void(int)>& script = {},
              const std::function<void()>& before_the_end = {})
    {
        ::testing::internal::CaptureStderr();
        start_monitor(options);
        for (int second = 1; second <= ticks; ++second) {
            set_fixed_clock(fixed_clock() + 1);
            if (script)
                script(second);
            monitor_tick();
        }
        if (before_the_end)
            before_the_end();
        while (!event_programs_done()) // their exits come through the default context's child watches
            g_main_context_iteration(nullptr, TRUE);
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
             if (second == 20)
                 c.drives[1].present = false, c.arrays[0].member_mask = 0x01, c.arrays[0].status = 0x22;
         },
         {"quorvex-monitor: DriveMissing array 1: drive 2", "quorvex-monitor: ArrayDegraded array 1: drive 2 offline"}},
        {"striping member dropped, a drive gone a while, the driver too, a line logged meanwhile", nothing,
         [&](SimulatedCard& c, int second) {
             if (second == 20)
                 c.arrays[1].member_mask = 0x10, c.arrays[1].status = 0x22;
             c.drives[2].present = second < 20 || second >= 40;
             c.fail_version = second >= 50 && second < 100;
             if (second == 60)
                 write_file(dir.file("messages"), marked_line(fixed_clock(), "Controller 1 reset"));
         },
         {"quorvex-monitor: DriveMissing: drive 3", "quorvex-monitor: DriveFailed array 2: drive 6",
          "quorvex-monitor: ArrayOffline array 2: drive 6 offline", "quorvex-monitor: DriveFound: drive 3",
          "quorvex-monitor: ControllerMissing: no answer to the version request on /dev/sda: Inappropriate ioctl for "
          "device (no Halvoren card or no compatible driver)",
          "quorvex-monitor: DriverEvent: HALVOREN|Controller 1 reset", "quorvex-monitor: ControllerFound: the driver answers again"}},
        {"two arrays rebuilding at once, one ending first", nothing,
         [](SimulatedCard& c, int second) {
             for (int a : {0, 1}) // drive 2 of array 1 from 20 to 60 at 9 %, drive 6 of array 2 from 20 to 120 at 50 %
                 c.arrays[a].rebuild_mask = c.arrays[a].busy_mask = second >= 20 && second < 60 * (a + 1) ? 0x02 << (4 * a) : 0,
                 c.arrays[a].progress = c.arrays[a].size_mb / (10 - 8 * a);
         },
         {"quorvex-monitor: RebuildStarted array 1: drive 2 at 9%", "quorvex-monitor: RebuildStarted array 2: drive 6 at 50%",
          "quorvex-monitor: RebuildFinished array 1: drive 2", "quorvex-monitor: RebuildFinished array 2: drive 6"}},
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
// a shell, no descriptor but the standard ones, and its output goes to standard error; one
// that hangs is killed, one that is missing is reported, and either way the next event is
// still handed to it. After a stop nothing new starts: the running program gets SIGTERM,
// or SIGKILL when it outlives the grace, and the queued event is named as not delivered.
// The lines are compared sorted, by their start: the programs write beside the monitor.
TEST_F(ResidentMonitor, EventProgramArgumentsTimeLimitFailuresAndStop)
{
    const std::string record = dir.file("record"), ready = dir.file("ready"), waits = "touch " + ready + "\nwhile :; do sleep 0.01; done\n";
    const std::string recorder = script_file(
        "recorder", "printf '%s|' \"$#\" \"$1\" \"$2\" \"$3\" \"$QUORVEX_EVENT\" \"$QUORVEX_ARRAY\" \"$QUORVEX_DETAIL\" \"$QUORVEX_TIME\" "
                    "$(ls -l /proc/$$/fd | grep -c messages) >> " + record + "\necho said $1; exit 3\n");
    const std::string undelivered = ": not delivered, the monitor is stopping";
    const struct { std::string program, said, first, second, recorded; bool stop; } cases[] = {
        {recorder, "said ", ": exited with status 3", ": exited with status 3",
         "3|TestEvent|-|test of the event program|TestEvent|-|test of the event program|2024-12-06T10:00:00+0000|0|"
         "3|ArrayDegraded|1|Critical|ArrayDegraded|1|Critical|2024-12-06T10:00:00+0000|0|", false},
        {script_file("hangs", "echo x >> " + record + "\nsleep 30\n"), "", ": was killed after ", ": was killed after ", "x\nx\n", false},
        {dir.file("no-such-program"), "", ": could not be started: No such file or directory", ": could not be started: No such file or directory", "", false},
        {script_file("waits", waits), "", ": ended by signal 15", undelivered, "", true},
        {script_file("deaf", "trap '' TERM\n" + waits), "", ": was killed after ", undelivered, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.program);
        write_file(record, ""), std::remove(ready.c_str());
        card = make_demo_card(), card.arrays[0].status = 0x22;
        Lines starts{"quorvex-monitor: TestEvent: test of the event program", "quorvex-monitor: ArrayDegraded array 1: Critical",
                     "quorvex-monitor: " + c.program + " TestEvent" + c.first, "quorvex-monitor: " + c.program + " ArrayDegraded" + c.second};
        for (const char* event : {"TestEvent", "ArrayDegraded"})
            if (!c.said.empty())
                starts.push_back(c.said + event);
        // The stop comes once the program is under way (the deaf one deaf).
        const auto stop_when_ready = [&] {
            for (int wait = 0; c.stop && wait < 10000 && access(ready.c_str(), F_OK) != 0; ++wait)
                usleep(1000);
            if (c.stop)
                request_monitor_stop();
        };
        Lines lines = run({c.program, true, 300, nullptr, 200}, 0, {}, stop_when_ready);
        std::sort(starts.begin(), starts.end()), std::sort(lines.begin(), lines.end());
        ASSERT_EQ(lines.size(), starts.size()) << ::testing::PrintToString(lines);
        for (std::size_t k = 0; k < lines.size(); ++k)
            EXPECT_EQ(lines[k].rfind(starts[k], 0), 0u) << lines[k];
        EXPECT_EQ(read_file(record), c.recorded);
    }
}

// While a program waits, the ticks go on: scans, the metrics after each, and the events
// they find, queued with the time they were seen. Each program's process group ends with
// it, so nothing it left in the background lives on.
TEST_F(ResidentMonitor, ScansGoOnWhileAProgramRunsAndItsGroupEndsWithIt)
{
    static int scans;
    scans = 0;
    const std::string record = dir.file("record"), gate = dir.file("gate"), left = dir.file("left");
    const std::string slow = script_file("slow", "sleep 1000 & echo $! > " + left + "\nwhile [ ! -e " + gate + " ]; do sleep 0.01; done\necho \"$1 $QUORVEX_TIME\" >> " + record + "\n");
    const MonitorOptions options{slow, false, kHookLimitMs, [] { ++scans; }};
    const Lines lines = run(options, 80, [&](int second) { card.arrays[0].status = second >= 20 && second < 50 ? 0x22 : 15; }, [&] { write_file(gate, ""); });
    EXPECT_EQ(scans, 9); // at start, then at 8, 16, 24, 32 and, after the wrap at 39, at 47, 55, 63, 71
    EXPECT_EQ(read_file(record), "ArrayDegraded 2024-12-06T10:00:24+0000\nArrayFunctional 2024-12-06T10:00:55+0000\n");
    EXPECT_EQ(lines, (Lines{"quorvex-monitor: ArrayDegraded array 1: Critical", "quorvex-monitor: ArrayFunctional array 1: Functional",
                            "quorvex-monitor: " + slow + " ArrayDegraded: exited with status 0", "quorvex-monitor: " + slow + " ArrayFunctional: exited with status 0"}));
    pollfd gone{static_cast<int>(syscall(SYS_pidfd_open, std::stoi(read_file(left)), 0)), POLLIN, 0};
    EXPECT_TRUE(gone.fd < 0 || poll(&gone, 1, 10000) == 1);
    close(gone.fd);
}

// The whole monitor on its loop, under a parent that ignores SIGCHLD: the program run for
// the test event stops it with SIGTERM (and ignores the one it gets back), and its exit is
// still seen.
TEST_F(ResidentMonitor, RunsOnItsLoopUntilSigtermWithSigchldIgnoredByItsParent)
{
    std::signal(SIGCHLD, SIG_IGN);
    const std::string stopper = script_file("stopper", "trap '' TERM\nkill -TERM " + std::to_string(getpid()) + "\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run_resident_monitor({stopper, true}), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "quorvex-monitor: TestEvent: test of the event program\nquorvex-monitor: " + stopper + " TestEvent: exited with status 0\nquorvex-monitor: stopped\n");
}

// Failures are warnings in the journal, recoveries notices, the rest information.
TEST(EventOutput, JournalEntriesCarryPriorityAndFields)
{
    const CardEvent events[] = {{"DriveFailed", "1", "drive 2"}, {"ControllerFound", "-", "controller 1"}, {"DriverEvent", "-", "kernel: HALVOREN|x"}};
    for (const CardEvent& e : events) // priorities 4, 5 and 6 in turn
        EXPECT_EQ(journal_fields(e), (Lines{"MESSAGE=" + event_line(e), "PRIORITY=" + std::to_string(4 + (&e - events)), "SYSLOG_IDENTIFIER=quorvex-monitor",
                                            "QUORVEX_EVENT=" + e.name, "QUORVEX_ARRAY=" + e.array, "QUORVEX_DETAIL=" + e.detail}));
    struct stat err;
    ASSERT_EQ(fstat(STDERR_FILENO, &err), 0);
    const std::string stream = std::to_string(err.st_dev) + ":" + std::to_string(err.st_ino);
    for (const char* text : {stream.c_str(), "0:0", "journal", static_cast<const char*>(nullptr)})
        EXPECT_EQ(stderr_is_journal(text), text == stream.c_str()) << (text ? text : "null");
}

} // namespace
