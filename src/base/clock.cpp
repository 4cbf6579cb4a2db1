#include "base/clock.h"

#include <cstring>

namespace {

std::time_t system_clock_now() { return std::time(nullptr); }

ClockSource clock_source = system_clock_now;

} // namespace

void set_clock_source(ClockSource clock) { clock_source = clock ? clock : system_clock_now; }

std::time_t clock_seconds() { return clock_source(); }

void gettimenow(char* buf) { time_text(clock_source(), buf); }

void time_text(std::time_t now, char* buf)
{
    char text[26] = {};
    if (!ctime_r(&now, text))
        std::memset(text, 0, sizeof text);
    std::memcpy(buf, text, sizeof text);
}
