// Where the log watch finds the driver's lines. The candidates, in this order: the system
// log file ("/var/log/messages"), the systemd journal, then "kern.log" and "syslog" beside
// the system log file. Each pass reads the first candidate that can be read and is being
// written, and only it: a file not modified for 24 hours is passed over (a journal that can
// be read counts as written); when every readable candidate is such a file, the first of
// them is read. A pass that reads another source than the pass before starts it afresh.
// When none can be read the pass says so once, until a source has been read again: that
// none was found (and where it looked), or that access was refused.
#pragma once

#include "monitor/log_line_rules.h"

#include <ctime>
#include <string>

enum class EventSource { SystemLog, Journal, KernLog, Syslog, None };

struct SourcePass {
    EventSource source;
    // Why no source could be read, when the user has not been told since one last could;
    // otherwise empty.
    std::string notice;
};

SourcePass read_driver_events(const char* system_log, std::time_t now, const char* now_text, LogEventSink sink,
                              void* context);

// Forgets where every source was: the next pass starts afresh.
void forget_event_sources();

// The notice for a pass that found no source: refused says that access was refused.
std::string no_source_notice(const char* system_log, bool refused);

// The journal read: empty for the local journal, or a directory of journal files.
void set_journal_directory(const char* directory);
const std::string& journal_directory();
