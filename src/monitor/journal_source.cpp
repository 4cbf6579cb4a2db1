#include "monitor/journal_source.h"

#include <systemd/sd-journal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::string_view kMarker = "HALVOREN|";
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct JournalCloser {
    void operator()(sd_journal* j) const { sd_journal_close(j); }
};
using Journal = std::unique_ptr<sd_journal, JournalCloser>;

// The last entry handled: where the next pass goes on.
struct Followed {
    bool known = false;
    std::string cursor;
    std::uint64_t usec = 0;
};

Followed followed;
JournalFigures figures;

// Kept open between passes: opening a large journal costs milliseconds. Its inotify watch
// (set up by sd_journal_get_fd) lets sd_journal_process take in files added, rotated or
// removed since.
Journal open_journal_handle;
std::string open_directory;

Journal open_journal(const std::string& directory)
{
    sd_journal* j = nullptr;
    const int r = directory.empty() ? sd_journal_open(&j, SD_JOURNAL_LOCAL_ONLY)
                                    : sd_journal_open_directory(&j, directory.c_str(), 0);
    if (r < 0)
        return nullptr;
    Journal journal(j);
    // Files the user may not read are left out without an error, and the user's own may be
    // all that is left: the system's entries show that the journal can be read.
    sd_journal_add_match(j, "_TRANSPORT=kernel", 0);
    sd_journal_add_disjunction(j);
    sd_journal_add_match(j, "_UID=0", 0);
    const bool readable = sd_journal_seek_head(j) >= 0 && sd_journal_next(j) > 0;
    sd_journal_flush_matches(j);
    if (!readable)
        return nullptr;
    sd_journal_get_fd(j);
    return journal;
}

// The journal of the directory, readable, brought up to date; null when it cannot be read.
sd_journal* current_journal(const std::string& directory)
{
    if (open_journal_handle && open_directory == directory) {
        sd_journal_process(open_journal_handle.get());
        return open_journal_handle.get();
    }
    open_journal_handle = open_journal(directory);
    open_directory = directory;
    return open_journal_handle.get();
}

std::uint64_t local_midnight_usec(std::time_t now)
{
    std::tm t{};
    localtime_r(&now, &t);
    t.tm_hour = t.tm_min = t.tm_sec = 0;
    t.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&t);
    return midnight > 0 ? static_cast<std::uint64_t>(midnight) * 1000000u : 0;
}

// Places the journal before the first entry to read: at today's midnight for a first
// pass, else just after the last entry handled, found by its cursor or, when that is gone,
// by its time.
void seek_start(sd_journal* j, std::time_t now)
{
    if (!followed.known) {
        followed.usec = local_midnight_usec(now);
        sd_journal_seek_realtime_usec(j, followed.usec);
        return;
    }
    if (!followed.cursor.empty() && sd_journal_seek_cursor(j, followed.cursor.c_str()) >= 0 &&
        sd_journal_next(j) > 0 && sd_journal_test_cursor(j, followed.cursor.c_str()) > 0)
        return;
    sd_journal_seek_realtime_usec(j, followed.usec + 1);
}

std::string_view field_value(sd_journal* j, const char* field)
{
    const void* data = nullptr;
    std::size_t length = 0;
    if (sd_journal_get_data(j, field, &data, &length) < 0)
        return {};
    const std::size_t prefix = std::strlen(field) + 1;
    if (length < prefix)
        return {};
    return {static_cast<const char*>(data) + prefix, length - prefix};
}

// The entry is the kernel's and its message holds the marker: only its first piece can
// be reported, as a file's line of that length would be.
void handle_entry(sd_journal* j, std::uint64_t usec, std::string_view message, const char* now_text, LineRules rules,
                  LogEventSink sink, void* context)
{
    const std::string line = journal_entry_line(static_cast<std::time_t>(usec / 1000000u),
                                                std::string(field_value(j, "_HOSTNAME")), message.data(),
                                                message.size());
    report_marked_piece(line.data(), line.size(), now_text, rules, sink, context);
    ++figures.marked;
}

void remember_last_entry(sd_journal* j, std::uint64_t usec)
{
    char* cursor = nullptr;
    if (sd_journal_get_cursor(j, &cursor) < 0)
        return;
    followed.cursor = cursor;
    followed.usec = usec;
    std::free(cursor);
}

bool may_not_read(const std::filesystem::directory_entry& entry)
{
    const std::string name = entry.path().filename().string();
    const bool journal_file = name.find(".journal") != std::string::npos;
    return (entry.is_directory() || journal_file) && access(entry.path().c_str(), R_OK) != 0;
}

std::vector<std::string> places_of(const std::string& directory)
{
    if (directory.empty())
        return {"/var/log/journal", "/run/log/journal"};
    return {directory};
}

} // namespace

std::string journal_entry_line(std::time_t stamp, const std::string& host, const char* message, std::size_t length)
{
    std::tm t{};
    localtime_r(&stamp, &t);
    // The month names of the current-time text, whatever the locale.
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "%s %2d %02d:%02d:%02d ", kMonths[t.tm_mon % 12], t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    std::string line = prefix;
    line.reserve(line.size() + host.size() + length + 10);
    line += host;
    line += " kernel: ";
    line.append(message, length);
    line += '\n';
    return line;
}

bool follow_journal(const std::string& directory, std::time_t now, const char* now_text, LogEventSink sink,
                    void* context)
{
    figures.entries_read = figures.marked = 0;
    sd_journal* j = current_journal(directory);
    if (!j)
        return false;
    ++figures.passes;
    const LineRules rules = followed.known ? LineRules::Added : LineRules::FirstPass;
    sd_journal_flush_matches(j);
    sd_journal_add_match(j, "_TRANSPORT=kernel", 0);
    seek_start(j, now);
    std::uint64_t usec = 0;
    while (sd_journal_next(j) > 0) {
        ++figures.entries_read;
        if (sd_journal_get_realtime_usec(j, &usec) < 0)
            continue;
        const std::string_view message = field_value(j, "MESSAGE");
        if (message.find(kMarker) != std::string_view::npos)
            handle_entry(j, usec, message, now_text, rules, sink, context);
    }
    // The end leaves the last entry read as the current one.
    if (figures.entries_read > 0)
        remember_last_entry(j, usec);
    followed.known = true;
    return true;
}

void forget_journal_position()
{
    followed = Followed{};
    figures = JournalFigures{};
    open_journal_handle.reset();
}

JournalFigures journal_figures() { return figures; }

bool journal_access_refused(const std::string& directory)
{
    for (const std::string& place : places_of(directory)) {
        std::error_code error;
        std::filesystem::recursive_directory_iterator walk(place, error), end;
        if (error == std::errc::permission_denied)
            return true;
        for (; !error && walk != end; walk.increment(error))
            if (may_not_read(*walk))
                return true;
        if (error == std::errc::permission_denied)
            return true;
    }
    return false;
}

std::string journal_places(const std::string& directory)
{
    std::string text;
    for (const std::string& place : places_of(directory))
        text += (text.empty() ? "" : " and ") + place;
    return text;
}
