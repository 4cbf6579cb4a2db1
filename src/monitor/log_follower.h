// Follows a system log file from one pass to the next. The first pass reads the whole file
// under the first-pass rules; the file stays open, and every later pass reads what was
// appended since the last complete line handled, in large blocks, and reports each marked
// line of it (see log_line_rules.h); a line still without its newline waits for a later
// pass. When the path comes to name another file (rotation), the old one is read to its
// end first and the new one then from its start; a file cut or written anew is read again
// from its start, everything in it being new.
#pragma once

#include "monitor/log_line_rules.h"

#include <cstdint>

// One pass over the file at path with the current-time text now (26 bytes). A path other
// than the one followed starts afresh with a first pass. Returns false, leaving everything
// as it was, when the file cannot be opened (errno tells why).
bool follow_system_log(const char* path, const char* now, LogEventSink sink, void* context);

// Closes the file and forgets the position: the next pass is a first pass.
void forget_log_position();

// The offset in the followed file where the next pass goes on: the end of the last
// complete line handled.
std::int64_t log_read_position();
