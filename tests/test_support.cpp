#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

void ensure_gtk()
{
    // Two test processes connecting to the virtual display at the same moment can be refused.
    static const bool ready = [] {
        for (int attempt = 0; attempt < 20; ++attempt, g_usleep(50 * 1000))
            if (gtk_init_check(nullptr, nullptr))
                return true;
        return false;
    }();
    if (!ready)
        throw std::runtime_error("no display: run the tests under xvfb-run");
}

void drain_events()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

ScopedWorkDir::ScopedWorkDir() : previous_(std::filesystem::current_path())
{
    char pattern[] = "/tmp/quorvex-test-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0)
        throw std::runtime_error("no working directory for the test");
    path_ = pattern;
}

ScopedWorkDir::~ScopedWorkDir()
{
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::string& path)
{
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}
