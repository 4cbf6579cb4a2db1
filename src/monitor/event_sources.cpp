#include "monitor/event_sources.h"

#include "monitor/journal_source.h"
#include "monitor/log_follower.h"

namespace {

std::string journal_dir;
bool told_no_access = false;

// A file of that name in the system log file's directory.
std::string beside(const char* system_log, const char* name)
{
    const std::string path = system_log;
    const std::size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

EventSource read_first_source(const char* system_log, std::time_t now, const char* now_text, LogEventSink sink,
                              void* context)
{
    if (follow_system_log(system_log, now_text, sink, context))
        return EventSource::SystemLog;
    if (follow_journal(journal_dir, now, now_text, sink, context))
        return EventSource::Journal;
    if (follow_system_log(beside(system_log, "kern.log").c_str(), now_text, sink, context))
        return EventSource::KernLog;
    if (follow_system_log(beside(system_log, "syslog").c_str(), now_text, sink, context))
        return EventSource::Syslog;
    return EventSource::None;
}

} // namespace

SourcePass read_driver_events(const char* system_log, std::time_t now, const char* now_text, LogEventSink sink,
                              void* context)
{
    const EventSource source = read_first_source(system_log, now, now_text, sink, context);
    const bool tell = source == EventSource::None && !told_no_access;
    told_no_access = source == EventSource::None;
    return {source, tell};
}

void set_journal_directory(const char* directory)
{
    journal_dir = directory ? directory : "";
    forget_journal_position();
}

const std::string& journal_directory() { return journal_dir; }
