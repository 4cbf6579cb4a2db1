#include "monitor/log_line_rules.h"

#include "base/bounded_text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

char globalhour[5];
char globalminute[5];
char globalsecond[5];
char globaldate[7];
char olderrordata[400];

namespace {

constexpr std::string_view kMarker = "HALVOREN|";
constexpr std::string_view kKernelTag = "kernel: ";
// The host name follows "Mmm dd HH:MM:SS ".
constexpr std::size_t kHostColumn = 16;
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

// The first pass's time rules: newer than the last-seen time, which it then becomes, and
// recent.
bool counts_at_first_pass(const char* line, const char* now)
{
    const TimeFields stamped = time_of_line(line);
    if (!is_newer(line, stamped))
        return false;
    remember(line, stamped);
    return is_recent(stamped, time_of_now(now));
}

} // namespace

bool is_kernel_marked(const char* piece, std::size_t length)
{
    const std::string_view line(piece, length);
    const std::size_t host_end = line.find(' ', kHostColumn);
    if (host_end == std::string_view::npos || host_end == kHostColumn)
        return false;
    std::string_view rest = line.substr(host_end + 1);
    if (rest.substr(0, kKernelTag.size()) != kKernelTag)
        return false;
    rest.remove_prefix(kKernelTag.size());
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t stamp_end = rest.find("] ");
        if (stamp_end == std::string_view::npos)
            return false;
        rest.remove_prefix(stamp_end + 2);
    }
    return rest.substr(0, kMarker.size()) == kMarker;
}

void report_marked_piece(const char* piece, std::size_t length, const char* now, LineRules rules,
                         LogEventSink sink, void* context)
{
    length = std::min(length, kLogPieceLength);
    if (rules == LineRules::FirstPass && !is_today(piece, length, now))
        return;
    char line[kLogLineBuffer] = {};
    std::memcpy(line, piece, length);
    if (rules == LineRules::FirstPass && !counts_at_first_pass(line, now))
        return;
    char message[kLogLineBuffer];
    build_message(message, line);
    if (repeats_last_report(message))
        return;
    copy_text(olderrordata, message);
    sink(message, context);
}

std::size_t handle_log_pieces(const char* bytes, std::size_t end, const char* now, LineRules rules,
                              LogEventSink sink, void* context)
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
        if (is_kernel_marked(at, length))
            report_marked_piece(at, length, now, rules, sink, context);
        used += length;
    }
}
