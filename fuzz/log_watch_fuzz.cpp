// Arbitrary log content and clock through the log watch, beside the reference that rereads
// the whole log every pass: no crash, no sanitizer report, and after every pass the same
// last-seen time and last message, and in the end the same events, as the reference.
//
// Input: eight bytes of clock, then operations, one byte each with its operands:
//   append n bytes, pass, pass with both flags off, move the clock, replace the file by a
//   new one, cut the file below what the last pass saw and pass at once.
// Popups are off (they need a display and are tested for real elsewhere); the event log
// takes the events, in a temporary directory.
#include "../tests/reference_log_watch.h"

#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

constexpr const char kLog[] = "messages";
constexpr const char kEventLog[] = "Error.log";
// 6 December 2023, 00:00 UTC: the seeds' lines are of that day and the days around it.
constexpr std::time_t kBase = 1701820800;

std::time_t fuzz_now;
std::time_t fuzz_clock() { return fuzz_now; }

class Input {
public:
    Input(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ == size_; }
    unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string bytes(std::size_t n)
    {
        n = std::min(n, size_ - at_);
        std::string out(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return out;
    }
    std::uint64_t word()
    {
        std::uint64_t w = 0;
        for (int i = 0; i < 8; ++i)
            w |= static_cast<std::uint64_t>(byte()) << (8 * i);
        return w;
    }

private:
    const unsigned char* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Mostly around the seeds' days; an odd first byte takes any clock value at all,
// including ones the C library cannot turn into a date.
std::time_t clock_from(std::uint64_t w)
{
    if (w & 1)
        return static_cast<std::time_t>(w >> 1);
    return kBase - 86400 + static_cast<std::time_t>((w >> 1) % (3 * 86400));
}

void write_bytes(const char* path, const std::string& bytes, const char* mode)
{
    if (std::FILE* f = std::fopen(path, mode)) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

std::string read_all(const char* path)
{
    std::string out;
    if (std::FILE* f = std::fopen(path, "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            out.append(buffer, n);
        std::fclose(f);
    }
    return out;
}

void same_or_abort(const void* a, const void* b, std::size_t n)
{
    if (std::memcmp(a, b, n) != 0)
        std::abort();
}

struct Run {
    reference_log_watch::State reference;
    std::size_t size = 0;
    std::size_t size_at_last_read = 0;

    void pass(bool on)
    {
        option3.uselogfile = on ? 1 : 0;
        reference_log_watch::pass(reference, kLog);
        geterrordata();
        if (on)
            size_at_last_read = size;
        same_or_abort(globalhour, reference.hour, sizeof globalhour);
        same_or_abort(globalminute, reference.minute, sizeof globalminute);
        same_or_abort(globalsecond, reference.second, sizeof globalsecond);
        same_or_abort(globaldate, reference.date, sizeof globaldate);
        same_or_abort(olderrordata, reference.olderrordata, sizeof olderrordata);
    }
};

void start_afresh()
{
    write_bytes(kLog, "", "wb");
    write_bytes(kEventLog, "", "wb");
    set_system_log_path(kLog);
    std::memset(globalhour, 0, sizeof globalhour);
    std::memset(globalminute, 0, sizeof globalminute);
    std::memset(globalsecond, 0, sizeof globalsecond);
    std::memset(globaldate, 0, sizeof globaldate);
    std::memset(olderrordata, 0, sizeof olderrordata);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static char dir[] = "/tmp/quorvex-fuzz-log-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0)
        std::abort();
    setenv("TZ", "UTC", 1);
    tzset();
    set_clock_source(fuzz_clock);
    set_event_sink(append_to_event_log);
    std::memset(&option3, 0, sizeof option3);
    std::memcpy(option3.logfile, kEventLog, sizeof kEventLog);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    Input in(data, size);
    fuzz_now = clock_from(in.word());
    start_afresh();
    Run run;
    while (!in.empty()) {
        const unsigned op = in.byte();
        switch (op % 6) {
        case 0: {
            const std::string bytes = in.bytes(in.byte() * 4 + in.byte() % 4);
            write_bytes(kLog, bytes, "ab");
            run.size += bytes.size();
            break;
        }
        case 1:
            run.pass(true);
            break;
        case 2:
            run.pass(false);
            break;
        case 3: {
            const int seconds = static_cast<int>(in.byte()) - 128;
            // Wraps rather than overflows: any clock value is fair.
            fuzz_now = static_cast<std::time_t>(static_cast<std::uint64_t>(fuzz_now) +
                                                static_cast<std::uint64_t>(op >= 128 ? seconds * 600 : seconds));
            break;
        }
        case 4: {
            const std::string bytes = in.bytes(in.byte() * 4);
            write_bytes("messages.new", bytes, "wb");
            if (std::rename("messages.new", kLog) != 0)
                std::abort();
            run.size = bytes.size();
            break;
        }
        case 5:
            if (run.size_at_last_read > 0) {
                const std::size_t kept = run.size_at_last_read * in.byte() / 256;
                if (truncate(kLog, static_cast<off_t>(kept)) != 0)
                    std::abort();
                run.size = kept;
                run.pass(true);
            }
            break;
        }
    }
    run.pass(true);

    std::string expected;
    for (const std::string& message : run.reference.reported)
        expected += message;
    if (read_all(kEventLog) != expected)
        std::abort();
    return 0;
}
