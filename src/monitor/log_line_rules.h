// What the log watch makes of one line of the system log. The first pass over a source
// picks today's marked lines that are newer than the newest marked line seen and recent;
// every pass after it reports each marked line the source gained, whatever its time stamp.
// Either way a repeat of the last report is left out. Holds the last-seen time and the
// last reported message; knows nothing of files or windows, so the readers, the tests and
// the benchmarks can drive it alone.
#pragma once

#include <cstddef>

// Time of day of the newest marked line the first pass saw; an empty globalhour means none.
extern char globalhour[5];
extern char globalminute[5];
extern char globalsecond[5];
// Month name and day of that line as the log writes them ("Dec  6"): a line of a later
// day is newer whatever its time of day.
extern char globaldate[7];
// The last reported message.
extern char olderrordata[400];

// A line is read into a buffer of this size, cleared behind the text: a line longer than
// kLogPieceLength characters is handled in pieces, each tested as a line of its own.
constexpr std::size_t kLogLineBuffer = 400;
constexpr std::size_t kLogPieceLength = kLogLineBuffer - 1;

// Gets each event to report, after olderrordata has taken it.
using LogEventSink = void (*)(const char* message, void* context);

// The first pass judges lines by their time stamps; later passes report what was added.
enum class LineRules { FirstPass, Added };

// Whether a line of a log file is the kernel's and carries the driver's marker: the marker
// follows the kernel's tag after the host name ("HOST kernel: "), with the kernel's
// "[ seconds] " stamp between or not. Anyone may log a line that holds the marker; only
// the kernel writes under its tag.
bool is_kernel_marked(const char* piece, std::size_t length);

// One piece (at most kLogPieceLength bytes, its newline included if it has one) known to
// be the driver's, against the current-time text now (26 bytes): handed to sink when the
// rules make it an event to report.
void report_marked_piece(const char* piece, std::size_t length, const char* now, LineRules rules,
                         LogEventSink sink, void* context);

// Hands every complete piece of bytes[0, end) that is_kernel_marked to report_marked_piece:
// up to and including a newline, or kLogPieceLength characters without one. Returns how
// many bytes they took.
std::size_t handle_log_pieces(const char* bytes, std::size_t end, const char* now, LineRules rules,
                              LogEventSink sink, void* context);
