#include "monitor/event_hook.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Closes a descriptor once, on every path.
class OwnedFd {
public:
    explicit OwnedFd(int fd = -1) : fd_(fd) {}
    ~OwnedFd() { reset(); }
    OwnedFd(const OwnedFd&) = delete;
    OwnedFd& operator=(const OwnedFd&) = delete;
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

bool is_hook_variable(const char* entry)
{
    return std::strncmp(entry, "QUORVEX_", 8) == 0;
}

// Everything the child needs is built before fork: after it only async-signal-safe calls.
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

[[noreturn]] void exec_child(const ChildSetup& setup, int error_pipe)
{
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    const int null_input = ::open("/dev/null", O_RDONLY);
    if (null_input >= 0)
        dup2(null_input, STDIN_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execve(setup.argv[0], setup.argv.data(), setup.envp.data());
    const int error = errno;
    [[maybe_unused]] const ssize_t written = ::write(error_pipe, &error, sizeof error);
    _exit(127);
}

long elapsed_ms(const timespec& since)
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (now.tv_sec - since.tv_sec) * 1000L + (now.tv_nsec - since.tv_nsec) / 1'000'000L;
}

HookOutcome outcome_of(int status)
{
    if (WIFEXITED(status))
        return {HookOutcome::Exited, WEXITSTATUS(status)};
    return {HookOutcome::Signalled, WTERMSIG(status)};
}

HookOutcome wait_for(pid_t pid, int limit_ms, const volatile std::sig_atomic_t* stop)
{
    timespec started;
    clock_gettime(CLOCK_MONOTONIC, &started);
    const timespec pause{0, 20'000'000};
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return outcome_of(status);
        if (done < 0 && errno != EINTR)
            return {HookOutcome::NotStarted, errno};
        if (elapsed_ms(started) >= limit_ms || (stop && *stop))
            break;
        nanosleep(&pause, nullptr);
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
    ChildSetup setup = child_setup(program, event, time_text);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return {HookOutcome::NotStarted, errno};
    OwnedFd read_end(ends[0]);
    OwnedFd write_end(ends[1]);
    const pid_t pid = fork();
    if (pid < 0)
        return {HookOutcome::NotStarted, errno};
    if (pid == 0)
        exec_child(setup, write_end.get());
    setpgid(pid, pid);
    write_end.reset();
    int exec_error = 0;
    ssize_t got;
    while ((got = ::read(read_end.get(), &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof exec_error)) {
        int status;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return {HookOutcome::NotStarted, exec_error};
    }
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
