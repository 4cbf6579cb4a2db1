// The command-line answers and the resident monitor as a service runs it, linked against
// the core alone: were anything here to need the toolkit, this test would not link.
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
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Answer {
    int status;
    std::string out, err;
};

Answer run(SimulatedCard& card, std::vector<std::string> options)
{
    install_simulated_driver(card);
    std::string name = "quorvex-monitor";
    std::vector<char*> argv_storage{name.data()};
    for (std::string& option : options)
        argv_storage.push_back(option.data());
    argv_storage.push_back(nullptr);
    char** argv = argv_storage.data();
    int argc = static_cast<int>(options.size()) + 1;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = run_command_line(argc, argv).value_or(-1);
    Answer answer{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    uninstall_simulated_driver();
    return answer;
}

// The demo binary as a child without a display.
Answer run_demo(std::vector<std::string> options)
{
    std::vector<gchar*> argv{const_cast<gchar*>(QUORVEX_DEMO_BINARY)};
    for (std::string& option : options)
        argv.push_back(option.data());
    argv.push_back(nullptr);
    gchar** env = g_environ_unsetenv(g_environ_unsetenv(g_get_environ(), "DISPLAY"), "WAYLAND_DISPLAY");
    gchar *out = nullptr, *err = nullptr;
    gint wait_status = 0;
    g_spawn_sync(nullptr, argv.data(), env, G_SPAWN_DEFAULT, nullptr, nullptr, &out, &err, &wait_status, nullptr);
    g_strfreev(env);
    Answer answer{WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1, out ? out : "", err ? err : ""};
    g_free(out);
    g_free(err);
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

// Per state: the first line of --status with its performance data, the same summary and
// exit status in the JSON, and a model the driver spoilt shown in all three forms as valid
// UTF-8. A failed metrics write beside --status or --json leaves the card's exit status;
// alone it ends with 3. With --status nothing goes to stderr but that failure.
TEST(CommandLine, CardStatesGiveExitStatusFirstLineAndOverall)
{
    struct Case {
        const char* name;
        void (*prepare)(SimulatedCard&);
        int status;
        std::string first_line;
        const char* messages;
        const char* model; // of drive 2
    };
    const std::string boxes = " | box_1_temperature=40;;;; box_1_fan=4200;;;;", busy = R"(["swap boxes not read, the controller was busy"])";
    const Case cases[] = {
        {"healthy", [](SimulatedCard&) {}, 0, "QUORVEX OK - 2 arrays functional" + boxes, "[]", "TELLMARK TK064A"},
        {"member failed", [](SimulatedCard& c) { c.arrays[0].status = DemoScenario::kFailedStatus; }, 1,
         "QUORVEX WARNING - array 1 critical" + boxes, "[]", "TELLMARK TK064A"},
        {"rebuilding", rebuild_member, 1, "QUORVEX WARNING - array 1 rebuilding 25% | array_1_rebuild=25%;;;0;100", busy.c_str(),
         "TELLMARK TK064A"},
        // A mask the rebuild display ignores, yet the driver marks the drive: the drive is named.
        {"rebuild mask 0x100", [](SimulatedCard& c) { c.arrays[0].rebuild_mask = 0x100, c.arrays[0].busy_mask = 0x02; }, 1,
         "QUORVEX WARNING - drive 2 rebuilding", busy.c_str(), "TELLMARK TK064A"},
        {"offline", [](SimulatedCard& c) { c.arrays[1].status = 0x22; }, 2, "QUORVEX CRITICAL - array 2 offline" + boxes, "[]",
         "TELLMARK TK064A"},
        {"model not UTF-8", [](SimulatedCard& c) { c.drives[1].model = "TELL\xff\xfeMARK\x01\"\\"; }, 0,
         "QUORVEX OK - 2 arrays functional" + boxes, "[]", "TELL??MARK?\"\\"},
        {"no card", [](SimulatedCard& c) { c.fail_version = true; }, 3,
         "QUORVEX UNKNOWN - no answer to the version request on /dev/sda: Inappropriate ioctl for device (no Halvoren "
         "card or no compatible driver)", nullptr, nullptr},
        {"device unreadable", [](SimulatedCard& c) { c.fail_open = true, c.open_errno = EACCES; }, 3,
         "QUORVEX UNKNOWN - cannot open /dev/sda: Permission denied (run as root or as a member of group disk)", nullptr, nullptr},
    };
    const char* overall[] = {"ok", "warning", "critical", "unknown"};
    TempDir dir;
    const std::string metrics = (dir.path / "quorvex.prom").string(), unwritable = "--prometheus=/nonexistent/x.prom";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCard card = make_demo_card();
        c.prepare(card);
        const Answer text = run(card, {"--status"}), json = run(card, {"--json"});
        EXPECT_EQ(text.status, c.status);
        EXPECT_EQ(text.out.substr(0, text.out.find('\n')), c.first_line);
        EXPECT_EQ(text.err, "");
        const std::string summary = c.first_line.substr(0, c.first_line.find(" |"));
        const auto document = nlohmann::json::parse(json.out);
        EXPECT_EQ(json.status, c.status);
        EXPECT_EQ(json.err, c.status == 3 ? "quorvex-monitor: " + summary.substr(18) + "\n" : "");
        EXPECT_EQ(document["overall"], overall[c.status]);
        EXPECT_EQ(document["exit_status"], c.status);
        EXPECT_EQ(document["summary"], summary);
        EXPECT_EQ(document["messages"].dump(), c.messages ? c.messages : nlohmann::json::array({summary.substr(18)}).dump());
        EXPECT_EQ(document["swap_boxes"].size(), c.messages && c.messages == std::string("[]") ? 4u : 0u);
        EXPECT_EQ(run(card, {"--prometheus=" + metrics}).status, c.status);
        const std::string prom = read_all(metrics);
        for (const std::string* output : {&text.out, &json.out, &prom})
            EXPECT_TRUE(g_utf8_validate(output->data(), static_cast<gssize>(output->size()), nullptr));
        if (c.model) {
            EXPECT_NE(text.out.find("Drive 2: controller 1 channel 1 slave, " + std::string(c.model) + ", "), std::string::npos);
            EXPECT_EQ(document["drives"][1]["model"], c.model);
            EXPECT_NE(prom.find("position=\"slave\",model=\"" + nlohmann::json(c.model).dump().substr(1)), std::string::npos);
        }
        const auto failed_write = [&](std::vector<std::string> options) {
            options.push_back(unwritable);
            const Answer a = run(card, options);
            return std::to_string(a.status) + " " + a.err.substr(a.err.find("cannot write"));
        };
        const std::string why = " cannot write /nonexistent/x.prom: No such file or directory\n";
        EXPECT_EQ(failed_write({"--status"}), std::to_string(c.status) + why);
        EXPECT_EQ(failed_write({"--json"}), std::to_string(c.status) + why);
        EXPECT_EQ(failed_write({}), "3" + why);
        EXPECT_TRUE(card.all_closed());
    }
}

// Anything no option takes ends with UNKNOWN and a usage line, in every mode, before a
// window opens; the toolkit's own options pass. A driver that never answers ends the
// check within the time limit.
TEST(CommandLine, UnknownOptionsStrayArgumentsAndAHungDriverEndWithUnknown)
{
    const std::string usage = "Usage: quorvex-monitor [--status | --json | --prometheus=FILE | --monitor] [OPTION...] "
                              "(--help lists the options)\n";
    const std::tuple<std::vector<std::string>, int, std::string, std::string> cases[] = {
        {{"--stauts"}, 3, "", "quorvex-monitor: unknown option --stauts\n" + usage},
        {{"stray"}, 3, "", "quorvex-monitor: unexpected argument stray\n" + usage},
        {{"--status", "--stauts"}, 3, "QUORVEX UNKNOWN - unknown option --stauts\n", usage},
        {{"--status", "--warning=1", "-t", "10"}, 3, "QUORVEX UNKNOWN - unknown option --warning=1\n", usage},
        {{"--status", "--", "stray"}, 3, "QUORVEX UNKNOWN - unexpected argument stray\n", usage},
        {{"--json", "stray\xff"}, 3, "", "quorvex-monitor: unexpected argument stray?\n" + usage},
        {{"--prometheus=x.prom", "-x"}, 3, "", "quorvex-monitor: unknown option -x\n" + usage},
        {{"--monitor", "--display=:0"}, 3, "", "quorvex-monitor: unknown option --display=:0\n" + usage},
        {{"--version", "stray"}, 3, "", "quorvex-monitor: unexpected argument stray\n" + usage},
        {{"--status", "-t", "0"}, 3, "QUORVEX UNKNOWN - --timeout takes a number of seconds from 1\n", usage},
        {{"--json", "--timeout=x"}, 3, "", "quorvex-monitor: Cannot parse integer value \u201cx\u201d for --timeout\n" + usage},
        {{"--status", "--demo-hang", "-t", "1"}, 3, "QUORVEX UNKNOWN - no answer from the driver within 1 s\n", ""},
        // Past the program's parser, the toolkit takes its option and only then finds no display.
        {{"--display=quorvex-none:0", "--name=quorvex"}, 1, "", "cannot open display: quorvex-none:0\n"},
    };
    for (const auto& [options, status, out, err] : cases) {
        SCOPED_TRACE(options.front() + " " + options.back());
        const Answer a = run_demo(options);
        EXPECT_EQ(a.status, status);
        EXPECT_EQ(a.out, out);
        EXPECT_TRUE(a.err == err || (status == 1 && a.err.ends_with(err))) << a.err;
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
    for (const char* line : {"# HELP quorvex_drive_present 1 when a drive answers at the position.\n"
                             "# TYPE quorvex_drive_present gauge\n",
                             "\nquorvex_drive_present{controller=\"1\",channel=\"2\",position=\"master\"} 0\n",
                             "\nquorvex_drive_present{controller=\"2\",channel=\"2\",position=\"slave\"} 1\n",
                             "\nquorvex_drive_info{controller=\"1\",channel=\"1\",position=\"master\",model=\"TELLMARK TK064A\"} 1\n",
                             "\nquorvex_swapbox_temperature_celsius{box=\"1\"} 40\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(CommandLine, MetricsFileIsReplacedWholeOrNotAtAll)
{
    TempDir dir;
    const fs::path target = dir.path / "quorvex.prom";
    std::ofstream(target) << "old\n";
    ASSERT_EQ(replace_file_atomically(target, "new\n"), 0);
    EXPECT_EQ(read_all(target), "new\n");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0644));
    // A write that fails half-way (the file size limit) leaves the old file and nothing else.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    const rlimit small{4, old_limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(replace_file_atomically(target, "a much longer text\n"), EFBIG);
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_EQ(read_all(target), "new\n");
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
