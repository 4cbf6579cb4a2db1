// Arbitrary log content and clock through the log watch, beside the reference that rereads
// the whole log every pass: no crash, no sanitizer report, and after every pass the same
// last-seen time, last message and events as the reference.
//
// Input: eight bytes of clock, then operations of one byte with their operands: append n
// bytes, pass, pass with both flags off, move the clock, replace the file by a new one, cut
// the file below what the last pass saw and pass at once. Popups are off; the event log
// takes the events, in a temporary directory.
#include "../tests/reference_log_watch.h"

#include <cstdint>
#include <ctime>
#include <unistd.h>

static std::time_t fuzz_now;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static char dir[] = "/tmp/quorvex-fuzz-log-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0)
        std::abort();
    setenv("TZ", "UTC", 1);
    tzset();
    set_clock_source([] { return fuzz_now; });
    set_event_sink(append_to_event_log);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::size_t at = 0;
    const auto byte = [&]() -> unsigned { return at < size ? data[at++] : 0; };
    const auto bytes = [&](std::size_t n) {
        n = std::min(n, size - at);
        at += n;
        return std::string(reinterpret_cast<const char*>(data + at - n), n);
    };
    std::uint64_t w = 0; // little-endian
    for (int i = 0; i < 64; i += 8)
        w |= static_cast<std::uint64_t>(byte()) << i;
    // Mostly around 6 December 2023; an odd word takes any clock value at all.
    fuzz_now = w & 1 ? static_cast<std::time_t>(w >> 1) : 1701820800 - 86400 + static_cast<std::time_t>((w >> 1) % (3 * 86400));
    reference_log_watch::SideBySide both("messages", "Error.log");
    bool same = true;
    while (at < size) {
        const unsigned op = byte();
        if (op % 6 == 0) {
            both.append(bytes(byte() * 4 + byte() % 4));
        } else if (op % 6 <= 2) {
            same = same && both.pass(op % 6 == 1);
        } else if (op % 6 == 3) { // wraps rather than overflows: any clock value is fair
            const int seconds = static_cast<int>(byte()) - 128;
            fuzz_now = static_cast<std::time_t>(static_cast<std::uint64_t>(fuzz_now) +
                                                static_cast<std::uint64_t>(op >= 128 ? seconds * 600 : seconds));
        } else if (op % 6 == 4) {
            same = same && both.replace(bytes(byte() * 4), true);
        } else if (both.size_at_last_read > 0) {
            same = same && both.cut(both.size_at_last_read * byte() / 256) && both.pass(true);
        }
    }
    if (!same || !both.pass(true))
        std::abort();
    return 0;
}
