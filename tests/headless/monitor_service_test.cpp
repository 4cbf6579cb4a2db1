// The resident monitor as a service runs it: the demo binary without a display, stopped
// by SIGTERM while its event program is still busy.
#include <gtest/gtest.h>
#include <glib.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string read_all(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Polls a condition on the child's files for at most ten seconds.
bool within_ten_seconds(const std::function<bool()>& condition)
{
    for (int k = 0; k < 500; ++k) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(MonitorService, SigtermEndsWithStatusZeroAndNoHalfWrittenFile)
{
    const fs::path dir = fs::temp_directory_path() / ("quorvex-service-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path program = dir / "on-event";
    std::ofstream(program) << "#!/bin/sh\necho \"$1\" >> " << (dir / "record").string()
                           << "\n[ \"$1\" = TestEvent ] || sleep 30\n";
    fs::permissions(program, fs::perms::owner_all);
    const fs::path metrics = dir / "quorvex.prom";
    const std::string on_event = "--on-event=" + program.string();
    const std::string prometheus = "--prometheus=" + metrics.string();
    gchar* argv[] = {const_cast<gchar*>(QUORVEX_DEMO_BINARY), const_cast<gchar*>("--monitor"),
                     const_cast<gchar*>("--test-event"), const_cast<gchar*>("--demo-state=degraded"),
                     const_cast<gchar*>(on_event.c_str()), const_cast<gchar*>(prometheus.c_str()), nullptr};
    gchar** env = g_environ_unsetenv(g_get_environ(), "DISPLAY");
    GPid pid = 0;
    gint err_fd = -1;
    ASSERT_TRUE(g_spawn_async_with_pipes(dir.c_str(), argv, env, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid,
                                         nullptr, nullptr, &err_fd, nullptr));
    g_strfreev(env);

    // The card is degraded at start: its program is running (and will for 30 s) when the
    // signal comes.
    EXPECT_TRUE(within_ten_seconds([&] { return read_all(dir / "record") == "TestEvent\nArrayDegraded\n"; }));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(pid, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(5));
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::string err;
    char buffer[4096];
    for (ssize_t n; (n = ::read(err_fd, buffer, sizeof buffer)) > 0;)
        err.append(buffer, static_cast<std::size_t>(n));
    ::close(err_fd);
    EXPECT_NE(err.find("quorvex-monitor: ArrayDegraded array 1: Critical\n"), std::string::npos) << err;
    EXPECT_NE(err.find(" ArrayDegraded: was killed after "), std::string::npos) << err;
    EXPECT_EQ(err.substr(err.size() - 25), "quorvex-monitor: stopped\n") << err;

    const std::string text = read_all(metrics);
    EXPECT_NE(text.find("\nquorvex_collect_success 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_TRUE(entry.path() == program || entry.path() == metrics || entry.path() == dir / "record")
            << "left behind: " << entry.path();
    fs::remove_all(dir);
}

} // namespace
