// The log watch as it was before it kept a read position: every pass opens the system log
// and reads it from its start, line by line with fgets, and walks all of today's lines
// again. Kept beside the tests as the yardstick for the incremental watch (the differential
// test, the fuzz target and the benchmarks). It keeps its own last-seen time and last
// message, so it can run side by side with the program's watch on the same file.
#pragma once

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace reference_log_watch {

struct State {
    char hour[5] = {};
    char minute[5] = {};
    char second[5] = {};
    char date[7] = {};
    char olderrordata[400] = {};
    // Every message reported, in order.
    std::vector<std::string> reported;
};

constexpr int kBufferSize = 400;
constexpr const char kMarker[] = "HALVOREN|";
constexpr int kMarkerLength = sizeof kMarker - 1;
constexpr int kFirstMarkerColumn = 25;
constexpr int kLastMarkerColumn = 44;
constexpr int kDuplicateLength = 70;

struct TimeFields {
    char hour[3];
    char minute[3];
    char second[3];
};

inline void cut_two(char (&field)[3], const char* text, int at)
{
    field[0] = text[at];
    field[1] = text[at + 1];
    field[2] = '\0';
}

inline TimeFields time_at(const char* text, int hour_column)
{
    TimeFields t;
    cut_two(t.hour, text, hour_column);
    cut_two(t.minute, text, hour_column + 3);
    cut_two(t.second, text, hour_column + 6);
    return t;
}

inline bool read_line(std::FILE* file, char (&line)[kBufferSize])
{
    std::memset(line, 0, sizeof line);
    return std::fgets(line, sizeof line, file) != nullptr && !std::feof(file);
}

inline bool is_today(const char* line, const char* now)
{
    return line[0] == now[4] && line[1] == now[5] && line[2] == now[6] && line[4] == now[8] && line[5] == now[9];
}

inline bool is_marked(const char* line)
{
    for (int column = kFirstMarkerColumn; column <= kLastMarkerColumn; ++column)
        if (std::strncmp(line + column, kMarker, kMarkerLength) == 0)
            return true;
    return false;
}

inline bool is_newer(const State& s, const char* line, const TimeFields& t)
{
    const bool same_date = line[0] == s.date[0] && line[1] == s.date[1] && line[2] == s.date[2] &&
                           line[4] == s.date[4] && line[5] == s.date[5];
    if (s.hour[0] == '\0' || !same_date)
        return true;
    if (int by_hour = std::strncmp(t.hour, s.hour, 2); by_hour != 0)
        return by_hour > 0;
    if (int by_minute = std::strncmp(t.minute, s.minute, 2); by_minute != 0)
        return by_minute > 0;
    return std::strncmp(t.second, s.second, 2) > 0;
}

inline void remember(State& s, const char* line, const TimeFields& t)
{
    copy_text(s.hour, t.hour);
    copy_text(s.minute, t.minute);
    copy_text(s.second, t.second);
    std::memcpy(s.date, line, sizeof s.date - 1);
    s.date[sizeof s.date - 1] = '\0';
}

inline bool is_previous(int earlier, int later, int last) { return earlier == later - 1 || (earlier == last && later == 0); }

inline bool is_recent(const TimeFields& line, const TimeFields& now)
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

inline void handle_line(State& s, const char* line, const char* now, const TimeFields& time_now)
{
    if (!is_today(line, now) || !is_marked(line))
        return;
    const TimeFields stamped = time_at(line, 7);
    if (!is_newer(s, line, stamped))
        return;
    remember(s, line, stamped);
    if (!is_recent(stamped, time_now))
        return;
    char message[kBufferSize];
    format_text(message, sizeof message, "%.*s\n", kBufferSize - 2, line);
    if (std::strncmp(s.olderrordata, message, kDuplicateLength) == 0)
        return;
    copy_text(s.olderrordata, message);
    s.reported.emplace_back(message);
}

// One pass, with the same flag test as the program's: nothing at all unless a flag is 1.
inline void pass(State& s, const char* path)
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return;
    char now[26];
    gettimenow(now);
    const TimeFields time_now = time_at(now, 11);
    UniqueFile log(path, "r");
    if (!log)
        return;
    char line[kBufferSize];
    while (read_line(log.get(), line))
        handle_line(s, line, now, time_now);
}

} // namespace reference_log_watch
