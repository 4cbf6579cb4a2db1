#include "monitor/log_watch.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "monitor/event_sources.h"
#include "settings/settings_record.h"

#include <cstdio>
#include <string>

namespace {

EventSink event_sink = nullptr;
EventSink notice_sink = nullptr;
std::string log_path = "/var/log/messages";

void report(const char* message, void*) { event_sink(message); }

} // namespace

void set_event_sink(EventSink sink) { event_sink = sink; }
void set_notice_sink(EventSink sink) { notice_sink = sink; }

void set_system_log_path(const char* path)
{
    log_path = path;
    forget_event_sources();
}
const char* system_log_path() { return log_path.c_str(); }

void append_to_event_log(const char* message)
{
    UniqueFile file(field_text(option3.logfile).c_str(), "ae");
    if (file)
        std::fputs(message, file.get());
}

// With both flags off nothing is opened and the source is let go: the user asked to hear
// nothing, so the pass after a flag is set again is a first pass, which reports only what
// is recent.
void geterrordata()
{
    if (option3.uselogfile != 1 && option3.popup != 1) {
        forget_event_sources();
        return;
    }
    log_watch_pass();
}

void log_watch_pass()
{
    if (!event_sink)
        return;
    const std::time_t now = clock_seconds();
    char now_text[26];
    time_text(now, now_text);
    const SourcePass pass = read_driver_events(log_path.c_str(), now, now_text, report, nullptr);
    if (!pass.notice.empty()) {
        std::fprintf(stderr, "%s\n", pass.notice.c_str());
        if (notice_sink)
            notice_sink(pass.notice.c_str());
    }
}
