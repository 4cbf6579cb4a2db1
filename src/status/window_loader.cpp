#include "status/window_loader.h"

#include "base/program.h"

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

std::string directory_of_executable()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    const std::string executable(path, static_cast<std::size_t>(length));
    return executable.substr(0, executable.rfind('/'));
}

} // namespace

int run_window(int argc, char** argv)
{
    const std::string module = directory_of_executable() + "/" + kWindowModule;
    // Never unloaded: the toolkit keeps state for the life of the process.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    using Entry = int (*)(int, char**);
    Entry entry = handle ? reinterpret_cast<Entry>(dlsym(handle, "quorvex_run_window")) : nullptr;
    if (!entry) {
        std::fprintf(stderr, "%s: cannot load the window: %s\n", kProgramName, dlerror());
        return 1;
    }
    return entry(argc, argv);
}
