// The log watch as plain rules over whole texts, the yardstick for the program's watch
// (the differential test, the fuzz target and the benchmarks). Every pass rereads the whole
// log. The first pass walks all of it, as the program before it kept a read position did:
// today's kernel-marked lines, newer than the newest seen, recent. Every later pass takes
// what the log gained since the last complete line handled (the whole log when it no longer
// begins with what was handled; after a rotation first the old file's rest) and reports
// each kernel-marked line of it. It keeps its own last-seen time and last message, so it
// can run side by side with the program's watch on the same file.
#pragma once

#include "base/bounded_text.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace reference_log_watch {

struct State {
    char hour[5] = {}, minute[5] = {}, second[5] = {}, date[7] = {}, olderrordata[400] = {};
    std::string reported; // every message reported, in order
    bool first_done = false;
    std::string handled; // the file's bytes up to the end of the last complete line handled
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

// "Mmm dd HH:MM:SS HOST kernel: [ seconds] HALVOREN|", the stamp in brackets optional.
inline bool is_kernel_marked(std::string_view line)
{
    const std::size_t space = line.size() > 16 ? line.find(' ', 16) : std::string_view::npos;
    if (space == std::string_view::npos || space == 16 || line.substr(space + 1, 8) != "kernel: ")
        return false;
    std::string_view rest = line.substr(space + 9);
    if (rest.substr(0, 1) == "[") {
        const std::size_t end = rest.find("] ");
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    }
    return rest.substr(0, 9) == "HALVOREN|";
}

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

// Today's, newer (then remembered) and recent.
inline bool counts_at_first_pass(State& s, const char* line, const char* now)
{
    // Today is month and day of the current-time text ("Wed Dec  6 10:42:05 2023\n").
    if (!same_day(line, now + 4))
        return false;
    const Time stamped(line, 7);
    if (!is_newer(s, line, stamped))
        return false;
    copy_text(s.hour, stamped.text[0]), copy_text(s.minute, stamped.text[1]), copy_text(s.second, stamped.text[2]);
    std::memcpy(s.date, line, 6);
    return is_recent(stamped, Time(now, 11));
}

inline void handle_line(State& s, std::string_view piece, const char* now, bool first)
{
    if (!is_kernel_marked(piece))
        return;
    char line[400] = {};
    std::memcpy(line, piece.data(), piece.size());
    if (first && !counts_at_first_pass(s, line, now))
        return;
    char message[400];
    format_text(message, sizeof message, "%.*s\n", 398, line);
    if (std::strncmp(s.olderrordata, message, 70) == 0)
        return;
    copy_text(s.olderrordata, message);
    s.reported += message;
}

// Handles each line of the text (a longer one in pieces of 399 characters); a last one
// without its newline is left. Returns how much was handled.
inline std::size_t handle_lines(State& s, const std::string& text, const char* now, bool first)
{
    std::size_t at = 0;
    for (;;) {
        const std::size_t newline = text.find('\n', at);
        const std::size_t end = newline == std::string::npos ? at + 399 : std::min(newline + 1, at + 399);
        if (end > text.size())
            return at;
        handle_line(s, std::string_view(text).substr(at, end - at), now, first), at = end;
    }
}

// The bytes of the text after what was handled, or all of it when it was cut or written anew.
inline std::string gained(State& s, const std::string& text)
{
    const bool appended = text.compare(0, s.handled.size(), s.handled) == 0;
    return appended ? text.substr(s.handled.size()) : (s.handled.clear(), text);
}

// One pass over the log's whole text, with the same flag test as the program's: nothing at
// all unless a flag is 1, and the next pass is a first pass again. rotated_from is the
// text the file renamed away ended with, or null.
inline void pass(State& s, const std::string& text, const std::string* rotated_from = nullptr)
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return s.first_done = false, s.handled.clear();
    char now[26];
    gettimenow(now);
    if (rotated_from && s.first_done)
        handle_lines(s, gained(s, *rotated_from), now, false), s.handled.clear();
    const std::string fresh = s.first_done ? gained(s, text) : text;
    s.handled += fresh.substr(0, handle_lines(s, fresh, now, !s.first_done));
    s.first_done = true;
}

inline std::string read_whole(const std::string& path) { return (std::ostringstream() << std::ifstream(path, std::ios::binary).rdbuf()).str(); }

// The last-seen time and last message as bytes, the reference's or the program's.
inline std::string last_seen(const char* h, const char* m, const char* s, const char* d, const char* o)
{
    return std::string(h, 5) + std::string(m, 5) + std::string(s, 5) + std::string(d, 7) + std::string(o, 400);
}

// A system log written in steps, both watches passing over it from a fresh start; the
// program's watch writes its events to the event log.
struct SideBySide {
    std::string log, events, rotated_from; // what the file renamed away held, until the next pass
    State reference;
    std::size_t size_at_last_read = 0;
    bool rotated = false;

    SideBySide(std::string log_path, std::string event_log) : log(std::move(log_path)), events(std::move(event_log))
    {
        std::ofstream(log, std::ios::binary | std::ios::trunc);
        std::ofstream(events, std::ios::binary | std::ios::trunc);
        std::memcpy(option3.logfile, events.c_str(), events.size() + 1);
        set_system_log_path(log.c_str());
        // The program forgets all it has seen.
        std::memset(globalhour, 0, 5), std::memset(globalminute, 0, 5), std::memset(globalsecond, 0, 5), std::memset(globaldate, 0, 7), std::memset(olderrordata, 0, 400);
    }
    void append(const std::string& bytes) { std::ofstream(log, std::ios::binary | std::ios::app) << bytes; }
    // Replaced by a new file, or the same file written anew.
    bool replace(const std::string& bytes, bool renamed)
    {
        if (renamed && !rotated) // the watch reads the file it holds to its end
            rotated_from = read_whole(log), rotated = true;
        std::ofstream(renamed ? log + ".new" : log, std::ios::binary | std::ios::trunc) << bytes;
        return !renamed || std::rename((log + ".new").c_str(), log.c_str()) == 0;
    }
    bool cut(std::size_t to) { return ::truncate(log.c_str(), static_cast<off_t>(to)) == 0; }
    // One pass of each: true when they leave the same last-seen time and last message and
    // the event log holds what the reference reported.
    bool pass(bool on)
    {
        option3.uselogfile = on ? 1 : 0;
        const std::string text = read_whole(log);
        reference_log_watch::pass(reference, text, rotated ? &rotated_from : nullptr);
        rotated = false;
        geterrordata();
        if (on)
            size_at_last_read = text.size();
        const State& r = reference;
        return read_whole(events) == r.reported && last_seen(globalhour, globalminute, globalsecond, globaldate, olderrordata) ==
                                                       last_seen(r.hour, r.minute, r.second, r.date, r.olderrordata);
    }
};

} // namespace reference_log_watch
