#include "monitor/event_sources.h"

#include "monitor/journal_source.h"
#include "monitor/log_follower.h"

#include <cerrno>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file left alone this long is no longer where the system logs.
constexpr std::time_t kStaleSeconds = 24 * 60 * 60;

std::string journal_dir;
bool told_no_source = false;
EventSource last_read = EventSource::None;

struct Candidate {
    EventSource source;
    std::string path; // empty for the journal
};

// A file of that name in the system log file's directory.
std::string beside(const char* system_log, const char* name)
{
    const std::string path = system_log;
    const std::size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

std::vector<Candidate> candidates(const char* system_log)
{
    return {{EventSource::SystemLog, system_log},
            {EventSource::Journal, ""},
            {EventSource::KernLog, beside(system_log, "kern.log")},
            {EventSource::Syslog, beside(system_log, "syslog")}};
}

enum class FileState { Unreadable, Refused, Stale, Written };

FileState state_of(const std::string& path, std::time_t now)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        return errno == EACCES ? FileState::Refused : FileState::Unreadable;
    if (access(path.c_str(), R_OK) != 0)
        return errno == EACCES ? FileState::Refused : FileState::Unreadable;
    return now - st.st_mtime > kStaleSeconds ? FileState::Stale : FileState::Written;
}

bool access_refused(const char* system_log, std::time_t now)
{
    for (const Candidate& c : candidates(system_log))
        if (c.path.empty() ? journal_access_refused(journal_dir) : state_of(c.path, now) == FileState::Refused)
            return true;
    return false;
}

struct Pass {
    std::time_t now;
    const char* now_text;
    LogEventSink sink;
    void* context;
};

// A source other than the one read last starts afresh, and so does the other kind when
// it is read again later.
bool read_source(const Candidate& c, const Pass& pass)
{
    if (c.source != last_read)
        forget_event_sources();
    const bool read = c.path.empty() ? follow_journal(journal_dir, pass.now, pass.now_text, pass.sink, pass.context)
                                     : follow_system_log(c.path.c_str(), pass.now_text, pass.sink, pass.context);
    if (read)
        last_read = c.source;
    return read;
}

EventSource read_first_source(const char* system_log, const Pass& pass)
{
    const Candidate* first_stale = nullptr;
    const std::vector<Candidate> all = candidates(system_log);
    for (const Candidate& c : all) {
        const FileState state = c.path.empty() ? FileState::Written : state_of(c.path, pass.now);
        if (state == FileState::Stale && !first_stale)
            first_stale = &c;
        if (state == FileState::Written && read_source(c, pass))
            return c.source;
    }
    if (first_stale && read_source(*first_stale, pass))
        return first_stale->source;
    return EventSource::None;
}

} // namespace

SourcePass read_driver_events(const char* system_log, std::time_t now, const char* now_text, LogEventSink sink,
                              void* context)
{
    const EventSource source = read_first_source(system_log, {now, now_text, sink, context});
    if (source != EventSource::None) {
        told_no_source = false;
        return {source, {}};
    }
    last_read = EventSource::None;
    if (told_no_source)
        return {source, {}};
    told_no_source = true;
    return {source, no_source_notice(system_log, access_refused(system_log, now))};
}

void forget_event_sources()
{
    forget_log_position();
    forget_journal_position();
    last_read = EventSource::None;
}

std::string no_source_notice(const char* system_log, bool refused)
{
    const std::string places = std::string(system_log) + ", the journal in " + journal_places(journal_dir) + ", " +
                               beside(system_log, "kern.log") + " and " + beside(system_log, "syslog");
    if (refused)
        return "Driver events cannot be read: access to the system log was refused (" + places +
               "). Add your user to the group systemd-journal or adm, or run as root.";
    return "Driver events cannot be read: no system log was found (looked for " + places + ").";
}

void set_journal_directory(const char* directory)
{
    journal_dir = directory ? directory : "";
    forget_event_sources();
}

const std::string& journal_directory() { return journal_dir; }
