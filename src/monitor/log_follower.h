// Follows the system log from one pass to the next. A pass reads only what was appended
// since the last complete line it handled, in large blocks, and hands every complete line
// (or 399-character piece of a longer one) to the line rules exactly as a reading of the
// whole file from its start would; a line still without its newline waits for a later
// pass. Lines already handled cannot count again, so skipping them changes nothing, and a
// pass starts again from the beginning of the file whenever that might not hold: another
// file (rotation), a shorter one (truncation), other bytes just before the position (the
// file written anew), a new date (lines of that date already in the file become today's),
// or a last-seen time that someone else changed or that has today's date but no hour.
#pragma once

#include "monitor/log_line_rules.h"

#include <cstdint>

// One pass over the file at path with the current-time text now (26 bytes). The file is
// opened and closed within the pass; one that cannot be opened leaves everything as it was
// and gives false.
bool follow_system_log(const char* path, const char* now, LogEventSink sink, void* context);

// Forgets the file and the position: the next pass reads the whole file.
void forget_log_position();

// The offset where the next pass goes on reading: the end of the last complete line handled.
std::int64_t log_read_position();
