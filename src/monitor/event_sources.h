// Where the log watch finds the driver's lines, tried in this order at every pass: the
// system log file ("/var/log/messages"), the systemd journal, then "kern.log" and "syslog"
// beside the system log file. The first that can be read is read, and only it. When none
// can, the pass says so once, until a source has been read again.
#pragma once

#include "monitor/log_line_rules.h"

#include <ctime>
#include <string>

enum class EventSource { SystemLog, Journal, KernLog, Syslog, None };

inline constexpr const char* kNoAccessText =
    "Driver events cannot be read: no access to the system journal. Add your user to the group "
    "systemd-journal or adm, or run as root.";

struct SourcePass {
    EventSource source;
    // No source could be read, and the user has not been told since one last could.
    bool tell_no_access;
};

SourcePass read_driver_events(const char* system_log, std::time_t now, const char* now_text, LogEventSink sink,
                              void* context);

// The journal read: empty for the local journal, or a directory of journal files.
void set_journal_directory(const char* directory);
const std::string& journal_directory();
