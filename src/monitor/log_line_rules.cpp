#include "monitor/log_line_rules.h"

#include "base/bounded_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

char globalhour[5];
char globalminute[5];
char globalsecond[5];
char globaldate[7];
char olderrordata[400];

namespace {

constexpr const char kMarker[] = "HALVOREN|";
constexpr int kMarkerLength = sizeof kMarker - 1;
constexpr int kFirstMarkerColumn = 25;
constexpr int kLastMarkerColumn = 44;
// Messages that agree this far count as the same event repeated.
constexpr int kDuplicateLength = 70;

// Hour, minute and second as two-digit texts.
struct TimeFields {
    char hour[3];
    char minute[3];
    char second[3];
};

void cut_two(char (&field)[3], const char* text, int at)
{
    field[0] = text[at];
    field[1] = text[at + 1];
    field[2] = '\0';
}

TimeFields time_of_now(const char* now)
{
    TimeFields t;
    cut_two(t.hour, now, 11);
    cut_two(t.minute, now, 14);
    cut_two(t.second, now, 17);
    return t;
}

TimeFields time_of_line(const char* line)
{
    TimeFields t;
    cut_two(t.hour, line, 7);
    cut_two(t.minute, line, 10);
    cut_two(t.second, line, 13);
    return t;
}

// The byte at a column of a piece as the cleared line buffer holds it.
char column_of(const char* piece, std::size_t length, std::size_t column)
{
    return column < length ? piece[column] : '\0';
}

// Month name and day of the piece against those of the current-time text. Looks at the
// piece itself, so that most lines are turned away before being copied anywhere.
bool is_today(const char* piece, std::size_t length, const char* now)
{
    return column_of(piece, length, 0) == now[4] && column_of(piece, length, 1) == now[5] &&
           column_of(piece, length, 2) == now[6] && column_of(piece, length, 4) == now[8] &&
           column_of(piece, length, 5) == now[9];
}

bool is_marked(const char* line)
{
    for (int column = kFirstMarkerColumn; column <= kLastMarkerColumn; ++column)
        if (std::strncmp(line + column, kMarker, kMarkerLength) == 0)
            return true;
    return false;
}

bool same_date_as_last_seen(const char* line)
{
    return line[0] == globaldate[0] && line[1] == globaldate[1] && line[2] == globaldate[2] &&
           line[4] == globaldate[4] && line[5] == globaldate[5];
}

int compare_two(const char* a, const char* b) { return std::strncmp(a, b, 2); }

bool is_newer(const char* line, const TimeFields& t)
{
    if (globalhour[0] == '\0' || !same_date_as_last_seen(line))
        return true;
    if (int by_hour = compare_two(t.hour, globalhour); by_hour != 0)
        return by_hour > 0;
    if (int by_minute = compare_two(t.minute, globalminute); by_minute != 0)
        return by_minute > 0;
    return compare_two(t.second, globalsecond) > 0;
}

void remember(const char* line, const TimeFields& t)
{
    copy_text(globalhour, t.hour);
    copy_text(globalminute, t.minute);
    copy_text(globalsecond, t.second);
    std::memcpy(globaldate, line, sizeof globaldate - 1);
    globaldate[sizeof globaldate - 1] = '\0';
}

bool is_previous(int earlier, int later, int last) { return earlier == later - 1 || (earlier == last && later == 0); }

// At most 14 seconds old within the minute, or seconds 46..59 of the minute before when
// now is in seconds 0..14.
bool is_recent(const TimeFields& line, const TimeFields& now)
{
    const int H = std::atoi(line.hour), M = std::atoi(line.minute), S = std::atoi(line.second);
    const int h = std::atoi(now.hour), m = std::atoi(now.minute), s = std::atoi(now.second);
    const bool across_minute_edge = s <= 14 && S > 45;
    if (H == h && M == m)
        return s - S <= 14;
    if (H == h)
        return is_previous(M, m, 59) && across_minute_edge;
    return is_previous(H, h, 23) && m == 0 && M == 59 && across_minute_edge;
}

// The line and one more newline. A line that filled the read buffer is cut by one
// character so that the message, newline included, fits its buffer.
void build_message(char (&message)[kLogLineBuffer], const char* line)
{
    format_text(message, sizeof message, "%.*s\n", static_cast<int>(kLogLineBuffer) - 2, line);
}

bool repeats_last_report(const char* message) { return std::strncmp(olderrordata, message, kDuplicateLength) == 0; }

void handle_todays_line(const char (&line)[kLogLineBuffer], const char* now, LogEventSink sink, void* context)
{
    if (!is_marked(line))
        return;
    const TimeFields stamped = time_of_line(line);
    if (!is_newer(line, stamped))
        return;
    remember(line, stamped);
    if (!is_recent(stamped, time_of_now(now)))
        return;
    char message[kLogLineBuffer];
    build_message(message, line);
    if (repeats_last_report(message))
        return;
    copy_text(olderrordata, message);
    sink(message, context);
}

} // namespace

void handle_log_piece(const char* piece, std::size_t length, const char* now, LogEventSink sink, void* context)
{
    length = std::min(length, kLogPieceLength);
    if (!is_today(piece, length, now))
        return;
    char line[kLogLineBuffer] = {};
    std::memcpy(line, piece, length);
    handle_todays_line(line, now, sink, context);
}

std::size_t handle_log_pieces(const char* bytes, std::size_t end, const char* now, LogEventSink sink, void* context)
{
    std::size_t used = 0;
    for (;;) {
        const char* at = bytes + used;
        const std::size_t rest = end - used;
        const void* newline = std::memchr(at, '\n', std::min(rest, kLogPieceLength));
        std::size_t length;
        if (newline)
            length = static_cast<std::size_t>(static_cast<const char*>(newline) - at) + 1;
        else if (rest >= kLogPieceLength)
            length = kLogPieceLength;
        else
            return used;
        handle_log_piece(at, length, now, sink, context);
        used += length;
    }
}

bool handled_lines_may_count_again(const char* now)
{
    return globalhour[0] == '\0' && globaldate[0] == now[4] && globaldate[1] == now[5] && globaldate[2] == now[6] &&
           globaldate[4] == now[8] && globaldate[5] == now[9];
}

ReadMark take_read_mark(const char* now)
{
    ReadMark mark;
    const char date[] = {now[4], now[5], now[6], now[8], now[9]};
    std::memcpy(mark.date, date, sizeof mark.date);
    std::memcpy(mark.hour, globalhour, sizeof mark.hour);
    std::memcpy(mark.minute, globalminute, sizeof mark.minute);
    std::memcpy(mark.second, globalsecond, sizeof mark.second);
    std::memcpy(mark.seen_date, globaldate, sizeof mark.seen_date);
    return mark;
}

bool read_mark_holds(const ReadMark& mark, const char* now)
{
    const ReadMark current = take_read_mark(now);
    return std::memcmp(&mark, &current, sizeof mark) == 0 && !handled_lines_may_count_again(now);
}
