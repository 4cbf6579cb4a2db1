#include "monitor/log_watch.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "monitor/log_follower.h"
#include "settings/settings_record.h"

#include <string>

namespace {

EventSink event_sink = nullptr;
std::string log_path = "/var/log/messages";

void report(const char* message, void*) { event_sink(message); }

} // namespace

void set_event_sink(EventSink sink) { event_sink = sink; }

void set_system_log_path(const char* path)
{
    log_path = path;
    forget_log_position();
}
const char* system_log_path() { return log_path.c_str(); }

void append_to_event_log(const char* message)
{
    UniqueFile file(field_text(option3.logfile).c_str(), "a");
    if (file)
        std::fputs(message, file.get());
}

// With both flags off nothing is opened and the read position stays: lines appended
// meanwhile are read once a flag is on again, as a reading of the whole file would find them.
void geterrordata()
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return;
    log_watch_pass();
}

void log_watch_pass()
{
    if (!event_sink)
        return;
    char now[26];
    gettimenow(now);
    follow_system_log(log_path.c_str(), now, report, nullptr);
}
