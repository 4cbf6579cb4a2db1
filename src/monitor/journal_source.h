// Reads the driver's lines from the systemd journal: kernel entries whose MESSAGE carries
// "HALVOREN|", each turned into the line a syslog file would hold for it
// ("Mmm dd HH:MM:SS HOST kernel: MESSAGE") and judged by the same rules as a file's lines.
// The first pass starts at today's local midnight under the first-pass rules; every later
// pass reports each marked entry after the last one handled (kept as a cursor, or by its
// time stamp when a rotation took the cursor's file). The journal stays open between
// passes and takes in rotated or added files at each pass.
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

// Closes the journal and forgets the position: the next pass is a first pass.
void forget_journal_position();

// What the passes did since the position was last forgotten: the last pass's kernel entries
// read and marked ones handed to the line rules, and how many passes asked the journal.
struct JournalFigures {
    std::int64_t entries_read = 0;
    std::int64_t marked = 0;
    std::int64_t passes = 0;
};
JournalFigures journal_figures();

// Whether the journal holds files (or folders) this user may not read.
bool journal_access_refused(const std::string& directory);

// Where the journal is looked for: the directory, or the local journal's two places.
std::string journal_places(const std::string& directory);

// The syslog line of an entry: month name and space-padded day of the local time stamp,
// time of day, host, "kernel: ", the message, a newline.
std::string journal_entry_line(std::time_t stamp, const std::string& host, const char* message, std::size_t length);
