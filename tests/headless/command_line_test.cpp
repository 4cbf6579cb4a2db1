// The command-line answers and the resident monitor as a service runs it, linked against
// the core alone: were anything here to need the toolkit, this test would not link.
#include "base/clock.h"
#include "service/service_client.h"
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
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Answer { int status; std::string out, err; };

// The words as an argument vector, ending in a null.
std::vector<char*> argv_of(std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return argv.push_back(nullptr), argv;
}

Answer run(SimulatedCard& card, std::vector<std::string> options)
{
    install_simulated_driver(card);
    options.insert(options.begin(), "quorvex-monitor");
    std::vector<char*> words = argv_of(options);
    char** argv = words.data();
    int argc = static_cast<int>(options.size());
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    const int status = run_command_line(argc, argv).value_or(-1);
    Answer answer{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    return uninstall_simulated_driver(), answer;
}

// The demo binary as a child without a display.
Answer run_demo(std::vector<std::string> options)
{
    options.insert(options.begin(), QUORVEX_DEMO_BINARY);
    gchar** env = g_environ_unsetenv(g_environ_unsetenv(g_get_environ(), "DISPLAY"), "WAYLAND_DISPLAY");
    g_autofree gchar *out = nullptr, *err = nullptr;
    gint wait_status = 0;
    g_spawn_sync(nullptr, argv_of(options).data(), env, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait_status, nullptr);
    g_strfreev(env);
    return {WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, out ? out : "", err ? err : ""};
}

std::string read_all(const fs::path& path) { return (std::stringstream() << std::ifstream(path).rdbuf()).str(); }

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("quorvex-cli-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::size_t entries() const { return std::distance(fs::directory_iterator(path), fs::directory_iterator()); }
};

} // namespace

// Per state: the first line of --status with its performance data and nothing on stderr;
// the same summary and exit status in the JSON and from the metrics run; drive 2's model,
// spoilt by the driver in one case, alike in all three. A failed metrics write beside
// --status or --json leaves the card's exit status; alone it ends with 3.
TEST(CommandLine, CardStatesGiveExitStatusFirstLineAndOverall)
{
    const std::string boxes = " | box_1_temperature=40;;;; box_1_fan=4200;;;;", busy = R"(["swap boxes not read, the controller was busy"])", tk = "TELLMARK TK064A";
    const std::tuple<const char*, void (*)(SimulatedCard&), int, std::string, std::string, std::string> cases[] = {
        {"healthy", [](SimulatedCard&) {}, 0, "QUORVEX OK - 2 arrays functional" + boxes, "[]", tk},
        {"member failed", [](SimulatedCard& c) { c.arrays[0].status = DemoScenario::kFailedStatus; }, 1, "QUORVEX WARNING - array 1 critical" + boxes, "[]", tk},
        {"rebuilding", [](SimulatedCard& c) { c.arrays[0] = {1, 0x22, 1, 783, 255, 63, 8000, 2000, 0x03, 0x02, 0x02}; }, 1,
         "QUORVEX WARNING - array 1 rebuilding 25% | array_1_rebuild=25%;;;0;100", busy, tk},
        // A mask the rebuild display ignores, yet the driver marks the drive: the drive is named.
        {"rebuild mask 0x100", [](SimulatedCard& c) { c.arrays[0].rebuild_mask = 0x100, c.arrays[0].busy_mask = 0x02; }, 1, "QUORVEX WARNING - drive 2 rebuilding", busy, tk},
        {"offline", [](SimulatedCard& c) { c.arrays[1].status = 0x22; }, 2, "QUORVEX CRITICAL - array 2 offline" + boxes, "[]", tk},
        {"model not UTF-8", [](SimulatedCard& c) { c.drives[1].model = "TELL\xff\xfeMARK\x01\"\\"; }, 0, "QUORVEX OK - 2 arrays functional" + boxes, "[]", "TELL??MARK?\"\\"},
        {"no card", [](SimulatedCard& c) { c.fail_version = true; }, 3, "QUORVEX UNKNOWN - no answer to the version request on /dev/sda: "
         "Inappropriate ioctl for device (no Halvoren card or no compatible driver)", "", ""},
        {"device unreadable", [](SimulatedCard& c) { c.fail_open = true, c.open_errno = EACCES; }, 3,
         "QUORVEX UNKNOWN - cannot open /dev/sda: Permission denied (run as root or as a member of group disk); " + std::string(kServiceNotRunningText), "", ""},
    };
    const char* overall[] = {"\"ok\"", "\"warning\"", "\"critical\"", "\"unknown\""};
    TempDir dir;
    const fs::path metrics = dir.path / "quorvex.prom";
    for (const auto& [name, prepare, status, first_line, messages, model] : cases) {
        SCOPED_TRACE(name);
        SimulatedCard card = make_demo_card();
        prepare(card);
        const Answer text = run(card, {"--status"}), json = run(card, {"--json"}), prom = run(card, {"--prometheus=" + metrics.string()});
        const std::string summary = first_line.substr(0, first_line.find(" |")), reason = summary.substr(18), prom_text = read_all(metrics);
        EXPECT_EQ(text.out.substr(0, text.out.find('\n')) + text.err, first_line);
        EXPECT_EQ(json.err, status == 3 ? "quorvex-monitor: " + reason + "\n" : "");
        const auto document = nlohmann::json::parse(json.out);
        EXPECT_EQ(document["exit_status"].dump() + document["overall"].dump() + document["summary"].dump() + document["messages"].dump(),
                  std::to_string(status) + overall[status] + nlohmann::json(summary).dump() + (messages.empty() ? nlohmann::json::array({reason}).dump() : messages));
        EXPECT_EQ(document["drives"].empty() ? "" : document["drives"][1]["model"], model);
        EXPECT_EQ(text.out.find(", " + model + ", ") != std::string::npos, !model.empty());
        EXPECT_EQ(prom_text.find(",model=" + nlohmann::json(model).dump() + "}") != std::string::npos, !model.empty());
        const std::string s = std::to_string(status), nowhere = "--prometheus=/nonexistent/x.prom", why = "cannot write /nonexistent/x.prom: No such file or directory\n";
        std::string statuses;
        for (const Answer& a : {text, json, prom, run(card, {"--status", nowhere}), run(card, {"--json", nowhere}), run(card, {nowhere})})
            statuses += std::to_string(a.status) + a.err.substr(std::min(a.err.size(), a.err.find("cannot write"))) + " ";
        EXPECT_EQ(statuses, s + " " + s + " " + s + " " + s + why + " " + s + why + " 3" + why + " ");
        EXPECT_TRUE(card.all_closed());
    }
}

// Anything no option takes ends with UNKNOWN and a usage line, in every mode, before a
// window opens (the toolkit's own options pass); so does a driver that never answers
// within the time limit.
TEST(CommandLine, UnknownOptionsStrayArgumentsAndAHungDriverEndWithUnknown)
{
    const std::string usage = "Usage: quorvex-monitor [--status | --json | --prometheus=FILE | --monitor] [OPTION...] (--help lists the options)\n",
                      unknown = "QUORVEX UNKNOWN - ", said = "quorvex-monitor: ";
    const std::vector<std::string> cases[] = {
        {"--stauts", "", said + "unknown option --stauts\n" + usage},
        {"stray", "", said + "unexpected argument stray\n" + usage},
        {"--status", "--stauts", unknown + "unknown option --stauts\n", usage},
        {"--status", "--warning=1", "-t", "10", unknown + "unknown option --warning=1\n", usage},
        {"--json", "stray\xff", "", said + "unexpected argument stray?\n" + usage},
        {"--prometheus=x.prom", "-x", "", said + "unknown option -x\n" + usage},
        {"--monitor", "--display=:0", "", said + "unknown option --display=:0\n" + usage},
        {"--version", "stray", "", said + "unexpected argument stray\n" + usage},
        {"--status", "-t", "0", unknown + "--timeout takes a number of seconds from 1\n", usage},
        {"--json", "--timeout=x", "", said + "Cannot parse integer value \u201cx\u201d for --timeout\n" + usage},
        {"--status", "--demo-hang", "-t", "1", unknown + "no answer from the driver within 1 s\n", ""},
        // Past the program's parser the toolkit takes its options, then finds no display (status 1).
        {"--display=quorvex-none:0", "--name=quorvex", "", "cannot open display: quorvex-none:0\n"},
    };
    for (const std::vector<std::string>& c : cases) {
        SCOPED_TRACE(c.front() + " " + c[1]);
        const Answer a = run_demo({c.begin(), c.end() - 2});
        const bool toolkit = c.front().starts_with("--display");
        EXPECT_EQ(std::to_string(a.status) + a.out, (toolkit ? "1" : "3") + c.end()[-2]);
        EXPECT_TRUE(toolkit ? a.err.ends_with(c.back()) : a.err == c.back()) << a.err;
    }
}

// A failed identify leaves the previous drive's answer behind; it must not show as a drive.
TEST(CommandLine, DrivesControllersAndBoxesInJsonAndMetrics)
{
    SimulatedCard card = make_demo_card();
    card.fail_identify[2] = true;
    const auto document = nlohmann::json::parse(run(card, {"--json"}).out);
    std::string drives;
    for (const auto& drive : document["drives"])
        drives += drive["position"].dump() + ":" + drive["array"].dump() + " ";
    EXPECT_EQ(drives, "1:1 2:1 5:2 6:2 8:null ");
    EXPECT_EQ(document["controllers"][0]["controller"], 1);
    EXPECT_EQ(document["controllers"][1]["controller"], 2);
    TempDir dir;
    const fs::path metrics = dir.path / "quorvex.prom";
    EXPECT_EQ(run(card, {"--prometheus=" + metrics.string()}).status, 0);
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
        {1240, [](SimulatedCard& c) { c.arrays[0] = {1, 0x22, 1, 783, 255, 63, 8000, 2000, 0x03, 0x02, 0x02}; }, nullptr, "collect_success 1\ncollect_timestamp_seconds 1240\nlast_success_timestamp_seconds 1240\nswapbox_read_success 0\n"}, {1300, fail, "x\nquorvex_last_success_timestamp_seconds 1301\n", "collect_success 0\ncollect_timestamp_seconds 1300\nswapbox_read_success 0\n"},
        {1360, fail, "x\nquorvex_last_success_timestamp_seconds 13e2\n", "collect_success 0\ncollect_timestamp_seconds 1360\nswapbox_read_success 0\n"}};
    TempDir dir;
    const fs::path metrics = dir.path / "quorvex.prom";
    for (const auto& [at, prepare, previous, head] : steps) {
        now = at;
        if (previous)
            std::ofstream(metrics) << previous;
        SimulatedCard card = make_demo_card();
        prepare(card);
        run(card, {"--prometheus=" + metrics.string()});
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
}

// The demo binary without a display, as a service runs it: SIGTERM while the event program
// is still busy ends it with status 0 at once (the program gets SIGTERM too), leaving no
// half-written file.
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
    EXPECT_NE(err.find(" ArrayDegraded: ended by signal 15\n"), std::string::npos) << err; // the stop's SIGTERM
    EXPECT_TRUE(err.ends_with("quorvex-monitor: stopped\n")) << err;
    EXPECT_NE(read_all(metrics).find("\nquorvex_collect_success 1\n"), std::string::npos);
    EXPECT_EQ(dir.entries(), 3u);
}
