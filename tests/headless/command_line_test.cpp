// The command-line answers and the resident monitor as a service runs it, linked against
// the core alone: were anything here to need the toolkit, this test would not link.
#include "base/clock.h"
#include "status/command_line.h"
#include "status/metrics_file.h"
#include "demo_card.h"
#include "demo_scenario.h"

#include <gtest/gtest.h>
#include <glib.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Answer {
    int status;
    std::string out, err;
};

Answer run(SimulatedCard& card, std::string option)
{
    install_simulated_driver(card);
    std::string name = "quorvex-monitor";
    char* argv_storage[] = {name.data(), option.data(), nullptr};
    char** argv = argv_storage;
    int argc = 2;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = run_command_line(argc, argv).value_or(-1);
    Answer answer{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    uninstall_simulated_driver();
    return answer;
}

std::string read_all(const fs::path& path)
{
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("quorvex-cli-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::size_t entries() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

void rebuild_member(SimulatedCard& card)
{
    card.arrays[0].status = DemoScenario::kFailedStatus;
    card.arrays[0].rebuild_mask = card.arrays[0].busy_mask = 0x02;
    card.arrays[0].size_mb = 8000;
    card.arrays[0].progress = 2000;
}

} // namespace

TEST(CommandLine, CardStatesGiveExitStatusSummaryAndOverall)
{
    struct Case {
        const char* name;
        void (*prepare)(SimulatedCard&);
        int status;
        const char* summary;
        const char* overall;
        const char* err;
        const char* messages;
    };
    const Case cases[] = {
        {"healthy", [](SimulatedCard&) {}, 0, "QUORVEX OK - 2 arrays functional", "ok", "", "[]"},
        {"member failed", [](SimulatedCard& c) { c.arrays[0].status = DemoScenario::kFailedStatus; }, 1,
         "QUORVEX WARNING - array 1 critical", "warning", "", "[]"},
        {"rebuilding", rebuild_member, 1, "QUORVEX WARNING - array 1 rebuilding 25%", "warning", "",
         // The controller is busy with the rebuild: the swap boxes are unknown, and it is said.
         R"(["swap boxes not read, the controller was busy"])"},
        {"offline", [](SimulatedCard& c) { c.arrays[1].status = 0x22; }, 2, "QUORVEX CRITICAL - array 2 offline", "critical", "", "[]"},
        {"no card", [](SimulatedCard& c) { c.fail_version = true; }, 3,
         "QUORVEX UNKNOWN - no answer to the version request on /dev/sda: Inappropriate ioctl for device (no Halvoren "
         "card or no compatible driver)",
         "unknown", "quorvex-monitor: no answer to the version request", nullptr},
        {"device unreadable", [](SimulatedCard& c) { c.fail_open = true, c.open_errno = EACCES; }, 3,
         "QUORVEX UNKNOWN - cannot open /dev/sda: Permission denied (run as root or as a member of group disk)", "unknown",
         "quorvex-monitor: cannot open /dev/sda: Permission denied (run as root or as a member of group disk)\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCard card = make_demo_card();
        c.prepare(card);
        const Answer text = run(card, "--status"), json = run(card, "--json");
        EXPECT_EQ(text.status, c.status);
        EXPECT_EQ(text.out.substr(0, text.out.find('\n')), c.summary);
        EXPECT_EQ(text.err.rfind(c.err, 0), 0u) << text.err;
        const auto document = nlohmann::json::parse(json.out);
        EXPECT_EQ(json.status, c.status);
        EXPECT_EQ(document["overall"], c.overall);
        EXPECT_EQ(document["exit_status"], c.status);
        EXPECT_EQ(document["summary"], c.summary);
        // Where the card cannot be read, the reason the summary gives.
        const std::string reason = nlohmann::json::array({std::string(c.summary).substr(18)}).dump();
        EXPECT_EQ(document["messages"].dump(), c.messages ? c.messages : reason);
        EXPECT_EQ(document["swap_boxes"].size(), c.messages && c.messages == std::string("[]") ? 4u : 0u);
        EXPECT_TRUE(card.all_closed());
    }
}

// A failed identify leaves the previous drive's answer behind; it must not show as a drive.
TEST(CommandLine, DrivesControllersAndBoxesInJsonAndMetrics)
{
    SimulatedCard card = make_demo_card();
    card.fail_identify[2] = true;
    const auto document = nlohmann::json::parse(run(card, "--json").out);
    std::string drives;
    for (const auto& drive : document["drives"])
        drives += drive["position"].dump() + ":" + drive["array"].dump() + " ";
    EXPECT_EQ(drives, "1:1 2:1 5:2 6:2 8:null ");
    EXPECT_EQ(document["controllers"][0]["controller"], 1);
    EXPECT_EQ(document["controllers"][1]["controller"], 2);
    TempDir dir;
    const fs::path metrics = dir.path / "quorvex.prom";
    EXPECT_EQ(run(card, "--prometheus=" + metrics.string()).status, 0);
    const std::string text = read_all(metrics);
    for (const char* line : {"# HELP quorvex_drive_present 1 when a drive answers at the position.\n# TYPE quorvex_drive_present gauge\n",
                             "\nquorvex_drive_present{controller=\"1\",channel=\"2\",role=\"master\"} 0\n", "\nquorvex_drive_present{controller=\"2\",channel=\"2\",role=\"slave\"} 1\n",
                             "\nquorvex_drive_info{controller=\"1\",channel=\"1\",role=\"master\",array=\"1\",model=\"TELLMARK TK064A\"} 1\n",
                             "\nquorvex_drive_functional{controller=\"2\",channel=\"1\",role=\"slave\",array=\"2\"} 1\n", "\nquorvex_swapbox_temperature_celsius{box=\"1\"} 40\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

// The samples before the arrays' over a run of reads from a timer (a failed read's whole file):
// the attempt's time always, the last success carried through failed reads (a one-shot run
// has only the file it replaces to remember it by), and whether the swap boxes were read.
// The file is replaced whole, readable by the collector, or, when the write fails, not at all.
TEST(CommandLine, MetricsFileKeepsTheLastSuccessAndIsReplacedWholeOrNotAtAll)
{
    static std::time_t now;
    set_clock_source([] { return now; });
    const auto fail = [](SimulatedCard& c) { c.fail_version = true; };
    // The time, the card, a file written there first (when given) and the samples of the head.
    const std::tuple<std::time_t, void (*)(SimulatedCard&), const char*, const char*> steps[] = {
        {1000, fail, nullptr, "collect_success 0\ncollect_timestamp_seconds 1000\nswapbox_read_success 0\n"}, {1060, [](SimulatedCard&) {}, nullptr, "collect_success 1\ncollect_timestamp_seconds 1060\nlast_success_timestamp_seconds 1060\nswapbox_read_success 1\n"},
        {1120, fail, nullptr, "collect_success 0\ncollect_timestamp_seconds 1120\nlast_success_timestamp_seconds 1060\nswapbox_read_success 0\n"}, {1180, fail, nullptr, "collect_success 0\ncollect_timestamp_seconds 1180\nlast_success_timestamp_seconds 1060\nswapbox_read_success 0\n"},
        {1240, rebuild_member, nullptr, "collect_success 1\ncollect_timestamp_seconds 1240\nlast_success_timestamp_seconds 1240\nswapbox_read_success 0\n"}, {1300, fail, "x\nquorvex_last_success_timestamp_seconds 1301\n", "collect_success 0\ncollect_timestamp_seconds 1300\nswapbox_read_success 0\n"},
        {1360, fail, "x\nquorvex_last_success_timestamp_seconds 13e2\n", "collect_success 0\ncollect_timestamp_seconds 1360\nswapbox_read_success 0\n"}};
    TempDir dir;
    const fs::path metrics = dir.path / "quorvex.prom";
    for (const auto& [at, prepare, previous, head] : steps) {
        now = at;
        if (previous)
            std::ofstream(metrics) << previous;
        SimulatedCard card = make_demo_card();
        prepare(card);
        run(card, "--prometheus=" + metrics.string());
        const std::string text = read_all(metrics);
        EXPECT_EQ(std::regex_replace(text.substr(0, text.find("# HELP quorvex_array")), std::regex("# .*\n|quorvex_"), ""), head) << at;
    }
    set_clock_source(nullptr);
    EXPECT_EQ(fs::status(metrics).permissions(), fs::perms(0644));
    // A write that fails half-way (the file size limit) leaves the old file and nothing else.
    const std::string old = read_all(metrics);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    const rlimit small{4, old_limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(replace_file_atomically(metrics, "a much longer text\n"), EFBIG);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_EQ(read_all(metrics), old);
    EXPECT_EQ(dir.entries(), 1u);
    EXPECT_EQ(replace_file_atomically(dir.path / "missing" / "quorvex.prom", "x"), ENOENT);
}

// The demo binary without a display, as a service runs it: SIGTERM while the event program
// is still busy ends it with status 0 at once, leaving no half-written file.
TEST(MonitorService, SigtermEndsWithStatusZeroAndNoHalfWrittenFile)
{
    TempDir dir;
    const fs::path program = dir.path / "on-event", metrics = dir.path / "quorvex.prom", record = dir.path / "record";
    std::ofstream(program) << "#!/bin/sh\necho \"$1\" >> " << record.string() << "\n[ \"$1\" = TestEvent ] || sleep 30\n";
    fs::permissions(program, fs::perms::owner_all);
    std::string options[] = {QUORVEX_DEMO_BINARY, "--monitor", "--test-event", "--demo-state=degraded",
                             "--on-event=" + program.string(), "--prometheus=" + metrics.string()};
    gchar* argv[] = {options[0].data(), options[1].data(), options[2].data(), options[3].data(), options[4].data(),
                     options[5].data(), nullptr};
    gchar** env = g_environ_unsetenv(g_environ_unsetenv(g_get_environ(), "DISPLAY"), "WAYLAND_DISPLAY");
    GPid pid = 0;
    gint err_fd = -1;
    ASSERT_TRUE(g_spawn_async_with_pipes(dir.path.c_str(), argv, env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid,
                                         nullptr, nullptr, &err_fd, nullptr));
    g_strfreev(env);
    for (int k = 0; k < 500 && read_all(record) != "TestEvent\nArrayDegraded\n"; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(read_all(record), "TestEvent\nArrayDegraded\n");
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::string err(1 << 16, '\0');
    err.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(err_fd, err.data(), err.size()), 0)));
    ::close(err_fd);
    EXPECT_NE(err.find("quorvex-monitor: ArrayDegraded array 1: Critical\n"), std::string::npos) << err;
    EXPECT_NE(err.find(" ArrayDegraded: was killed after "), std::string::npos) << err;
    EXPECT_TRUE(err.ends_with("quorvex-monitor: stopped\n")) << err;
    EXPECT_NE(read_all(metrics).find("\nquorvex_collect_success 1\n"), std::string::npos);
    EXPECT_EQ(dir.entries(), 3u);
}
