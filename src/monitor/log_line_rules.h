// What the log watch makes of one line of the system log: today's date, the driver's
// "HALVOREN|" marker, newer than the newest marked line seen, recent, not a repeat of the
// last report. Holds the last-seen time and the last reported message; knows nothing of
// files or windows, so the reader, the tests and the benchmarks can drive it alone.
#pragma once

#include <cstddef>

// Time of day of the newest marked line seen; an empty globalhour means none yet.
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

// Tests one piece (at most kLogPieceLength bytes, its newline included if it has one)
// against the current-time text now (26 bytes) and hands it to sink when it is a new,
// recent event.
void handle_log_piece(const char* piece, std::size_t length, const char* now, LogEventSink sink, void* context);

// Hands every complete piece of bytes[0, end) to handle_log_piece: up to and including a
// newline, or kLogPieceLength characters without one. Returns how many bytes they took.
std::size_t handle_log_pieces(const char* bytes, std::size_t end, const char* now, LogEventSink sink, void* context);

// Whether marked lines of today already handled could count as newer once more: only while
// the last-seen time has today's date but no hour (a garbled line or an outside reset left
// it so); then the lines must be walked again.
bool handled_lines_may_count_again(const char* now);

// The date of the current-time text and the last-seen time a reader's pass left behind.
// While both are unchanged at its next pass (and handled_lines_may_count_again is false),
// nothing it handled before can count again, so it may go on after it.
struct ReadMark {
    char date[5];
    char hour[sizeof globalhour];
    char minute[sizeof globalminute];
    char second[sizeof globalsecond];
    char seen_date[sizeof globaldate];
};
ReadMark take_read_mark(const char* now);
bool read_mark_holds(const ReadMark& mark, const char* now);
