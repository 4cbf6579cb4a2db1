// The command-line answers, linked against the core alone: were anything here to need
// the toolkit, this test would not link.
#include "status/command_line.h"
#include "status/metrics_file.h"
#include "demo_card.h"
#include "demo_scenario.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

struct Answer {
    int status;
    std::string out, err;
};

Answer run(SimulatedCard& card, const char* option)
{
    install_simulated_driver(card);
    char name[] = "quorvex-monitor";
    std::string copy = option;
    char* argv_storage[] = {name, copy.data(), nullptr};
    char** argv = argv_storage;
    int argc = 2;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = run_command_line(argc, argv).value_or(-1);
    Answer answer{status, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    uninstall_simulated_driver();
    return answer;
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string read_all(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("quorvex-cli-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

void fail_member(SimulatedCard& card) { card.arrays[0].status = DemoScenario::kFailedStatus; }
void rebuild_member(SimulatedCard& card)
{
    fail_member(card);
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
    };
    const Case cases[] = {
        {"healthy", [](SimulatedCard&) {}, 0, "QUORVEX OK - 2 arrays functional", "ok", ""},
        {"member failed", fail_member, 1, "QUORVEX WARNING - array 1 critical", "warning", ""},
        {"rebuilding", rebuild_member, 1, "QUORVEX WARNING - array 1 rebuilding 25%", "warning", ""},
        {"offline", [](SimulatedCard& c) { c.arrays[1].status = 0x22; }, 2, "QUORVEX CRITICAL - array 2 offline", "critical", ""},
        {"no card", [](SimulatedCard& c) { c.fail_version = true; }, 3,
         "QUORVEX UNKNOWN - no answer to the version request on /dev/sda: Inappropriate ioctl for device (no Halvoren "
         "card or no compatible driver)",
         "unknown", "quorvex-monitor: no answer to the version request"},
        {"device unreadable",
         [](SimulatedCard& c) {
             c.fail_open = true;
             c.open_errno = EACCES;
         },
         3, "QUORVEX UNKNOWN - cannot open /dev/sda: Permission denied (run as root or as a member of group disk)", "unknown",
         "quorvex-monitor: cannot open /dev/sda: Permission denied (run as root or as a member of group disk)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimulatedCard card = make_demo_card();
        c.prepare(card);
        const Answer text = run(card, "--status");
        EXPECT_EQ(text.status, c.status);
        EXPECT_EQ(first_line(text.out), c.summary);
        EXPECT_EQ(text.err.rfind(c.err, 0), 0u) << text.err;
        const Answer json = run(card, "--json");
        EXPECT_EQ(json.status, c.status);
        const auto document = nlohmann::json::parse(json.out);
        EXPECT_EQ(document["overall"], c.overall);
        EXPECT_EQ(document["exit_status"], c.status);
        EXPECT_EQ(document["summary"], c.summary);
        EXPECT_TRUE(card.all_closed());
    }
}

TEST(CommandLine, JsonOfARebuildingCardMatchesTheSchema)
{
    TempDir dir;
    SimulatedCard card = make_demo_card();
    rebuild_member(card);
    const Answer json = run(card, "--json");
    const auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document["arrays"][0]["rebuild_progress_ratio"], 0.25);
    EXPECT_EQ(document["drives"][1]["state"], "rebuilding");
    // The controller is busy with the rebuild: the swap boxes are unknown, and it is said.
    EXPECT_TRUE(document["swap_boxes"].is_null());
    EXPECT_EQ(document["messages"], nlohmann::json::array({"swap boxes not read, the controller was busy"}));
    std::ofstream(dir.path / "status.json") << json.out;
    const std::string check = "python3 -c 'import json, sys, jsonschema; jsonschema.validate(json.load(open(sys.argv[1])), "
                              "json.load(open(sys.argv[2])), cls=jsonschema.Draft202012Validator)' " +
                              (dir.path / "status.json").string() + " " QUORVEX_SOURCE_DIR "/docs/status.schema.json";
    EXPECT_EQ(std::system(check.c_str()), 0);
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
    rlimit small = old_limit;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    const int error = replace_file_atomically(target, "a much longer text\n");
    setrlimit(RLIMIT_FSIZE, &old_limit);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(read_all(target), "new\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1);
    // A directory that does not exist: the error, and no file anywhere.
    EXPECT_EQ(replace_file_atomically(dir.path / "missing" / "quorvex.prom", "x"), ENOENT);
}

TEST(CommandLine, StatusNeedsNoDisplay)
{
    gchar* argv[] = {const_cast<gchar*>(QUORVEX_DEMO_BINARY), const_cast<gchar*>("--status"), nullptr};
    gchar** env = g_get_environ();
    env = g_environ_unsetenv(env, "DISPLAY");
    env = g_environ_unsetenv(env, "WAYLAND_DISPLAY");
    gchar* out = nullptr;
    gint wait_status = 0;
    ASSERT_TRUE(g_spawn_sync(nullptr, argv, env, G_SPAWN_DEFAULT, nullptr, nullptr, &out, nullptr, &wait_status, nullptr));
    g_strfreev(env);
    EXPECT_TRUE(WIFEXITED(wait_status));
    EXPECT_EQ(WEXITSTATUS(wait_status), 0);
    EXPECT_EQ(first_line(out), "QUORVEX OK - 2 arrays functional");
    g_free(out);
}
