#include "monitor/sync_schedule.h"

#include "base/bounded_text.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

enum ScheduleKind { kMonthly = 0, kWeekly = 1, kDaily = 2, kHourly = 3 };

// The parts of the current-time text the schedule compares with.
struct Now {
    char weekday[4];
    int day;
    int hour;
    int minute;
};

int two_digit_value(const char* text, int at)
{
    const char digits[3] = {text[at], text[at + 1], '\0'};
    return std::atoi(digits);
}

Now current_time()
{
    char text[26];
    gettimenow(text);
    Now now;
    std::memcpy(now.weekday, text, 3);
    now.weekday[3] = '\0';
    now.day = two_digit_value(text, 8);
    now.hour = two_digit_value(text, 11);
    now.minute = two_digit_value(text, 14);
    return now;
}

// The leading decimal number of the day field (leading blanks skipped, the rest ignored),
// read within the field even when it holds no terminator.
long leading_day_number(const char* field, std::size_t size)
{
    std::size_t k = 0;
    while (k < size && std::isspace(static_cast<unsigned char>(field[k])))
        ++k;
    bool negative = false;
    if (k < size && (field[k] == '+' || field[k] == '-'))
        negative = field[k++] == '-';
    long value = 0;
    while (k < size && std::isdigit(static_cast<unsigned char>(field[k])))
        value = value * 10 + (field[k++] - '0');
    return negative ? -value : value;
}

bool hour_matches(const Now& now)
{
    const std::int64_t wanted = option3.syncpm == 0 ? option3.synchour : std::int64_t{option3.synchour} + 12;
    return now.hour == wanted;
}

bool minute_matches(const Now& now) { return now.minute == option3.syncminute; }

bool day_matches(const Now& now)
{
    return now.day == leading_day_number(option3.syncmonthday, sizeof option3.syncmonthday);
}

// The whole field must be the three-letter name, case and length included.
bool weekday_matches(const Now& now)
{
    return field_length(option3.syncweekday) == 3 && std::memcmp(option3.syncweekday, now.weekday, 3) == 0;
}

bool schedule_mismatch(const Now& now)
{
    switch (option3.synctype) {
    case kMonthly:
        return !hour_matches(now) || !minute_matches(now) || !day_matches(now);
    case kWeekly:
        return !hour_matches(now) || !minute_matches(now) || !weekday_matches(now);
    case kDaily:
        return !hour_matches(now) || !minute_matches(now);
    case kHourly:
        return !minute_matches(now);
    default:
        return false;
    }
}

} // namespace

bool schedule_may_send() { return option3.syncdisabled != 1 || Mirror_Sync != 0; }

int gtkSynchronize()
{
    if (rebuilding_drive_mask() != 0)
        return 0;
    if (option3.syncdisabled == 1) {
        ioctl3804(0);
        return 0;
    }
    ioctl3804(schedule_mismatch(current_time()) ? 1 : 0);
    return 0;
}
