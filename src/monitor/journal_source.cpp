#include "monitor/journal_source.h"

#include <systemd/sd-journal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

namespace {

constexpr std::string_view kMarker = "HALVOREN|";
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct JournalCloser {
    void operator()(sd_journal* j) const { sd_journal_close(j); }
};
using Journal = std::unique_ptr<sd_journal, JournalCloser>;

struct Followed {
    bool known = false;
    std::string directory;
    std::string cursor;
    ReadMark mark = {};
};

Followed followed;
std::int64_t handled_last_pass = 0;

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

// Places the journal before the first entry to read: just after the saved one when it is
// still there, otherwise at today's midnight.
void seek_start(sd_journal* j, bool go_on, std::time_t now)
{
    if (go_on && sd_journal_seek_cursor(j, followed.cursor.c_str()) >= 0 && sd_journal_next(j) > 0 &&
        sd_journal_test_cursor(j, followed.cursor.c_str()) > 0)
        return;
    sd_journal_seek_realtime_usec(j, local_midnight_usec(now));
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

void handle_entry(sd_journal* j, std::string_view message, const char* now_text, LogEventSink sink, void* context)
{
    std::uint64_t usec = 0;
    if (sd_journal_get_realtime_usec(j, &usec) < 0)
        return;
    const std::string line = journal_entry_line(static_cast<std::time_t>(usec / 1000000u),
                                                std::string(field_value(j, "_HOSTNAME")), message.data(),
                                                message.size());
    handle_log_pieces(line.data(), line.size(), now_text, sink, context);
    ++handled_last_pass;
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
    handled_last_pass = 0;
    sd_journal* j = current_journal(directory);
    if (!j)
        return false;
    const bool go_on = followed.known && followed.directory == directory && !followed.cursor.empty() &&
                       read_mark_holds(followed.mark, now_text);
    if (!go_on)
        followed.cursor.clear();
    sd_journal_flush_matches(j);
    sd_journal_add_match(j, "_TRANSPORT=kernel", 0);
    seek_start(j, go_on, now);
    bool read_any = false;
    while (sd_journal_next(j) > 0) {
        read_any = true;
        const std::string_view message = field_value(j, "MESSAGE");
        if (message.find(kMarker) != std::string_view::npos)
            handle_entry(j, message, now_text, sink, context);
    }
    // The end leaves the last entry read as the current one.
    char* cursor = nullptr;
    if (read_any && sd_journal_get_cursor(j, &cursor) >= 0) {
        followed.cursor = cursor;
        std::free(cursor);
    }
    followed.known = true;
    followed.directory = directory;
    followed.mark = take_read_mark(now_text);
    return true;
}

void forget_journal_position()
{
    followed = Followed{};
    open_journal_handle.reset();
}

std::int64_t journal_entries_handled() { return handled_last_pass; }
