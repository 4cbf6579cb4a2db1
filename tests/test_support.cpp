#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

// The virtual display resets whenever its last client leaves, and refuses connections
// meanwhile; tests running side by side hit that window now and then, so retry a while.
static bool open_display()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (gtk_init_check(nullptr, nullptr))
            return true;
        g_usleep(20000);
    }
    return false;
}

void ensure_gtk()
{
    static bool ready = open_display();
    if (!ready)
        throw std::runtime_error("no display: run the tests under xvfb-run");
}

void drain_events()
{
    while (gtk_events_pending())
        gtk_main_iteration();
}

ScopedWorkDir::ScopedWorkDir()
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd))
        previous_ = cwd;
    char pattern[] = "/tmp/quorvex-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    path_ = made;
    if (chdir(path_.c_str()) != 0)
        throw std::runtime_error("chdir failed");
}

ScopedWorkDir::~ScopedWorkDir()
{
    if (!previous_.empty() && chdir(previous_.c_str()) != 0)
        return;
    std::string command = "rm -rf '" + path_ + "'";
    (void)std::system(command.c_str());
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}
