#include "monitor/event_hook.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
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
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
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

struct Pending {
    CardEvent event;
    std::string detected_at;
};

struct Running {
    pid_t pid = 0;
    CardEvent event;
    Clock::time_point started = Clock::now();
    // Milliseconds before the SIGKILL; negative while none was sent.
    int killed_after_ms = -1;
    guint limit = 0;
    guint grace = 0;
};

EventProgram program;
GMainContext* loop_context = nullptr;
std::deque<Pending> queue;
std::optional<Running> running;
bool stopping = false;

void say(const CardEvent& event, const std::string& what)
{
    std::fprintf(stderr, "quorvex-monitor: %s %s: %s\n", program.path.c_str(), event.name.c_str(), what.c_str());
}

void remove_source(guint& id)
{
    if (id != 0)
        if (GSource* source = g_main_context_find_source_by_id(loop_context, id))
            g_source_destroy(source);
    id = 0;
}

guint attach(GSource* source, GSourceFunc callback)
{
    g_source_set_callback(source, callback, nullptr, nullptr);
    const guint id = g_source_attach(source, loop_context);
    g_source_unref(source);
    return id;
}

int elapsed_ms(Clock::time_point since)
{
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

void kill_program(int signal_number)
{
    if (signal_number == SIGKILL && running->killed_after_ms < 0)
        running->killed_after_ms = elapsed_ms(running->started);
    kill(-running->pid, signal_number);
}

gboolean on_limit(gpointer)
{
    running->limit = 0;
    kill_program(SIGKILL);
    return G_SOURCE_REMOVE;
}

gboolean on_grace_over(gpointer)
{
    running->grace = 0;
    kill_program(SIGKILL);
    return G_SOURCE_REMOVE;
}

HookOutcome outcome_of(int status)
{
    if (running->killed_after_ms >= 0)
        return {stopping ? HookOutcome::KilledAtStop : HookOutcome::Killed, running->killed_after_ms};
    if (WIFEXITED(status))
        return {HookOutcome::Exited, WEXITSTATUS(status)};
    return {HookOutcome::Signalled, WTERMSIG(status)};
}

void start_next();

void on_exit(GPid pid, gint status, gpointer)
{
    // Whatever the program left running in its group ends with it.
    kill(-pid, SIGKILL);
    g_spawn_close_pid(pid);
    const HookOutcome outcome = outcome_of(status);
    remove_source(running->limit);
    remove_source(running->grace);
    const CardEvent event = running->event;
    running.reset();
    say(event, describe_outcome(outcome, program.limit_ms));
    start_next();
}

void start_next()
{
    while (!running && !stopping && !queue.empty()) {
        const Pending next = queue.front();
        queue.pop_front();
        pid_t pid = 0;
        if (const int error = spawn(child_setup(program.path, next.event, next.detected_at), pid)) {
            say(next.event, describe_outcome({HookOutcome::NotStarted, error}, program.limit_ms));
            continue;
        }
        running = Running{pid, next.event};
        attach(g_child_watch_source_new(pid), G_SOURCE_FUNC(on_exit));
        running->limit = attach(g_timeout_source_new(static_cast<guint>(program.limit_ms)), on_limit);
    }
}

} // namespace

void set_event_program(const EventProgram& chosen, GMainContext* context)
{
    program = chosen;
    loop_context = context;
    queue.clear();
    stopping = false;
}

void queue_event_program(const CardEvent& event, const std::string& detected_at)
{
    queue.push_back({event, detected_at});
    start_next();
}

bool event_programs_done() { return !running && queue.empty(); }

void stop_event_programs()
{
    if (stopping)
        return;
    stopping = true;
    for (const Pending& left : queue)
        say(left.event, "not delivered, the monitor is stopping");
    queue.clear();
    if (!running)
        return;
    kill_program(SIGTERM);
    running->grace = attach(g_timeout_source_new(static_cast<guint>(program.stop_grace_ms)), on_grace_over);
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
    case HookOutcome::KilledAtStop:
        return "was killed after " + std::to_string(outcome.value) + " ms, the monitor stopping";
    case HookOutcome::NotStarted:
        break;
    }
    return std::string("could not be started: ") + std::strerror(outcome.value);
}
