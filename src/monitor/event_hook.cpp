#include "monitor/event_hook.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

bool is_hook_variable(const char* entry)
{
    return std::strncmp(entry, "QUORVEX_", 8) == 0;
}

// Everything the program gets, built before it starts.
struct ChildSetup {
    std::vector<std::string> strings;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

ChildSetup child_setup(const std::string& program, const CardEvent& event, const std::string& time_text)
{
    ChildSetup setup;
    setup.strings = {program,
                     event.name,
                     event.array,
                     event.detail,
                     "QUORVEX_EVENT=" + event.name,
                     "QUORVEX_ARRAY=" + event.array,
                     "QUORVEX_DETAIL=" + event.detail,
                     "QUORVEX_TIME=" + time_text};
    for (std::size_t k = 0; k < 4; ++k)
        setup.argv.push_back(setup.strings[k].data());
    setup.argv.push_back(nullptr);
    for (char** entry = environ; entry && *entry; ++entry)
        if (!is_hook_variable(*entry))
            setup.envp.push_back(*entry);
    for (std::size_t k = 4; k < setup.strings.size(); ++k)
        setup.envp.push_back(setup.strings[k].data());
    setup.envp.push_back(nullptr);
    return setup;
}

// posix_spawn starts the program without copying our address space and reports a failed
// exec as its own result.
int spawn(const ChildSetup& setup, pid_t& pid)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a kill reaches whatever it started.
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none, stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &stops);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int error = posix_spawn(&pid, setup.argv[0], &actions, &attributes, setup.argv.data(), setup.envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

using Clock = std::chrono::steady_clock;

long elapsed_ms(Clock::time_point since)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

HookOutcome outcome_of(int status)
{
    if (WIFEXITED(status))
        return {HookOutcome::Exited, WEXITSTATUS(status)};
    return {HookOutcome::Signalled, WTERMSIG(status)};
}

HookOutcome wait_for(pid_t pid, int limit_ms, const volatile std::sig_atomic_t* stop)
{
    const Clock::time_point started = Clock::now();
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return outcome_of(status);
        if (done < 0 && errno != EINTR)
            return {HookOutcome::NotStarted, errno};
        if (elapsed_ms(started) >= limit_ms || (stop && *stop))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(-pid, SIGKILL);
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return {HookOutcome::Killed, static_cast<int>(elapsed_ms(started))};
}

} // namespace

HookOutcome run_event_hook(const std::string& program, const CardEvent& event, const std::string& time_text,
                           int limit_ms, const volatile std::sig_atomic_t* stop)
{
    const ChildSetup setup = child_setup(program, event, time_text);
    pid_t pid = 0;
    if (const int error = spawn(setup, pid))
        return {HookOutcome::NotStarted, error};
    return wait_for(pid, limit_ms, stop);
}

std::string describe_outcome(const HookOutcome& outcome, int limit_ms)
{
    switch (outcome.kind) {
    case HookOutcome::Exited:
        return "exited with status " + std::to_string(outcome.value);
    case HookOutcome::Signalled:
        return "ended by signal " + std::to_string(outcome.value);
    case HookOutcome::Killed:
        return "was killed after " + std::to_string(outcome.value) + " ms (limit " + std::to_string(limit_ms) + " ms)";
    case HookOutcome::NotStarted:
        break;
    }
    return std::string("could not be started: ") + std::strerror(outcome.value);
}
