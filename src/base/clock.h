// The clock behind every time the program reads: the product uses time(); tests and the
// demo set their own.
#pragma once

#include <ctime>

using ClockSource = std::time_t (*)();
void set_clock_source(ClockSource clock);

// Seconds since the epoch, from the clock set last.
std::time_t clock_seconds();

// The local time as ctime text (26 bytes with newline and NUL).
void gettimenow(char* buf);

// The same text for a given time.
void time_text(std::time_t now, char* buf);
