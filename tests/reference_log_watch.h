// The log watch as it was before it kept a read position: every pass opens the system log
// and reads it from its start, line by line with fgets, and walks all of today's lines
// again. The yardstick for the incremental watch (the differential test, the fuzz target
// and the benchmarks). It keeps its own last-seen time and last message, so it can run side
// by side with the program's watch on the same file.
#pragma once

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

namespace reference_log_watch {

struct State {
    char hour[5] = {}, minute[5] = {}, second[5] = {}, date[7] = {}, olderrordata[400] = {};
    std::string reported; // every message reported, in order
};

// Hour, minute and second of a text with the hour at a column.
struct Time {
    char text[3][3];
    Time(const char* line, int column)
    {
        for (int i = 0; i < 3; ++i)
            text[i][0] = line[column + 3 * i], text[i][1] = line[column + 3 * i + 1], text[i][2] = '\0';
    }
};

inline bool same_day(const char* a, const char* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[4] == b[4] && a[5] == b[5]; }

// The marker starts in one of the columns 25 to 44.
inline bool is_marked(const char* line) { return std::string_view(line + 25, 28).find("HALVOREN|") != std::string_view::npos; }

inline bool is_newer(const State& s, const char* line, const Time& t)
{
    if (s.hour[0] == '\0' || !same_day(line, s.date))
        return true;
    const char* seen[] = {s.hour, s.minute, s.second};
    for (int i = 0; i < 3; ++i)
        if (int by = std::strncmp(t.text[i], seen[i], 2); by != 0 || i == 2)
            return by > 0;
    return false;
}

// At most 14 seconds old in the minute, or seconds 46..59 of the minute before when now is
// in seconds 0..14.
inline bool is_recent(const Time& line, const Time& now)
{
    const int H = std::atoi(line.text[0]), M = std::atoi(line.text[1]), S = std::atoi(line.text[2]);
    const int h = std::atoi(now.text[0]), m = std::atoi(now.text[1]), s = std::atoi(now.text[2]);
    if (H == h && M == m)
        return s - S <= 14;
    const bool minute_before = H == h ? M == m - 1 || (M == 59 && m == 0) : (H == h - 1 || (H == 23 && h == 0)) && m == 0 && M == 59;
    return minute_before && s <= 14 && S > 45;
}

inline void handle_line(State& s, const char* line, const char* now)
{
    // Today is month and day of the current-time text ("Wed Dec  6 10:42:05 2023\n").
    if (!same_day(line, now + 4) || !is_marked(line))
        return;
    const Time stamped(line, 7);
    if (!is_newer(s, line, stamped))
        return;
    copy_text(s.hour, stamped.text[0]), copy_text(s.minute, stamped.text[1]), copy_text(s.second, stamped.text[2]);
    std::memcpy(s.date, line, 6);
    if (!is_recent(stamped, Time(now, 11)))
        return;
    char message[400];
    format_text(message, sizeof message, "%.*s\n", 398, line);
    if (std::strncmp(s.olderrordata, message, 70) == 0)
        return;
    copy_text(s.olderrordata, message);
    s.reported += message;
}

// One pass, with the same flag test as the program's: nothing at all unless a flag is 1.
inline void pass(State& s, const char* path)
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return;
    char now[26], line[400];
    gettimenow(now);
    UniqueFile log(path, "r");
    while (log && (std::memset(line, 0, sizeof line), std::fgets(line, sizeof line, log.get())) && !std::feof(log.get()))
        handle_line(s, line, now);
}

// The last-seen time and last message as bytes, the reference's or the program's.
inline std::string last_seen(const char* h, const char* m, const char* s, const char* d, const char* o)
{
    return std::string(h, 5) + std::string(m, 5) + std::string(s, 5) + std::string(d, 7) + std::string(o, 400);
}

// A system log written in steps, both watches passing over it from a fresh start; the
// program's watch writes its events to the event log.
struct SideBySide {
    std::string log, events;
    State reference;
    std::size_t size_at_last_read = 0;

    SideBySide(std::string log_path, std::string event_log) : log(std::move(log_path)), events(std::move(event_log))
    {
        std::ofstream(log, std::ios::binary | std::ios::trunc);
        std::ofstream(events, std::ios::binary | std::ios::trunc);
        std::memcpy(option3.logfile, events.c_str(), events.size() + 1);
        set_system_log_path(log.c_str());
        for (char* field : {globalhour, globalminute, globalsecond}) // the program forgets all it has seen
            std::memset(field, 0, sizeof globalhour);
        std::memset(globaldate, 0, sizeof globaldate);
        std::memset(olderrordata, 0, sizeof olderrordata);
    }
    void append(const std::string& bytes) { std::ofstream(log, std::ios::binary | std::ios::app) << bytes; }
    // Replaced by a new file, or the same file written anew.
    bool replace(const std::string& bytes, bool renamed)
    {
        std::ofstream(renamed ? log + ".new" : log, std::ios::binary | std::ios::trunc) << bytes;
        return !renamed || std::rename((log + ".new").c_str(), log.c_str()) == 0;
    }
    bool cut(std::size_t to) { return ::truncate(log.c_str(), static_cast<off_t>(to)) == 0; }
    // One pass of each: true when they leave the same last-seen time and last message and
    // the event log holds what the reference reported.
    bool pass(bool on)
    {
        option3.uselogfile = on ? 1 : 0;
        reference_log_watch::pass(reference, log.c_str());
        geterrordata();
        if (on)
            size_at_last_read = std::filesystem::file_size(log);
        std::ifstream written(events, std::ios::binary);
        const std::string got{std::istreambuf_iterator<char>(written), {}};
        const State& r = reference;
        return got == r.reported && last_seen(globalhour, globalminute, globalsecond, globaldate, olderrordata) ==
                                        last_seen(r.hour, r.minute, r.second, r.date, r.olderrordata);
    }
};

} // namespace reference_log_watch
