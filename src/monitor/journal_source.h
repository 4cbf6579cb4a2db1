// Reads the driver's lines from the systemd journal: kernel entries whose message carries
// "HALVOREN|", each turned into the line a syslog file would hold for it
// ("Mmm dd HH:MM:SS HOST kernel: MESSAGE") and handed to the same line rules as a file's
// lines. A pass reads only the entries after the last one it handled (kept as a cursor);
// the first pass, and any pass after which handled entries might count again (another
// date, another journal, a lost cursor, a last-seen time changed elsewhere), starts at
// today's local midnight, where a file's walk of today's lines would start. The journal
// stays open between passes and takes in rotated or added files at each pass.
#pragma once

#include "monitor/log_line_rules.h"

#include <cstdint>
#include <ctime>
#include <string>

// One pass with the current time now (and its ctime text now_text). directory empty reads
// the local journal, otherwise the journal files in that directory. Returns false when no
// journal file could be read (none there, or no permission); nothing is handled then.
bool follow_journal(const std::string& directory, std::time_t now, const char* now_text, LogEventSink sink,
                    void* context);

// Forgets the cursor: the next pass starts at today's midnight.
void forget_journal_position();

// How many marked kernel entries the last pass handed to the line rules.
std::int64_t journal_entries_handled();

// The syslog line of an entry: month name and space-padded day of the local time stamp,
// time of day, host, "kernel: ", the message, a newline.
std::string journal_entry_line(std::time_t stamp, const std::string& host, const char* message, std::size_t length);
