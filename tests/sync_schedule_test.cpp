// The mirror synchronisation schedule: the value sent to the driver each second, 1 outside
// the scheduled minute and 0 in it, sent only when it changes.
#include "event_test_support.h"

#include "driver/driver_records.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "monitor/sync_schedule.h"
#include "settings/settings_record.h"
#include "simulated_driver.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

enum { kMonthly = 0, kWeekly = 1, kDaily = 2, kHourly = 3 };

TEST(Schedule, ValueSentForEachKindInAndOutOfItsMinute)
{
    // The schedule (the field is the month day or the weekday), Mirror_Sync before the check,
    // the time of the check and the value sent (-1: nothing).
    const struct {
        const char* name; std::uint32_t type; int hour, minute; std::uint32_t pm; char field[4];
        std::uint32_t disabled; bool rebuilding; int before; std::time_t when; int sent;
    } cases[] = {
        {"monthly in", kMonthly, 0, 0, 0, "31", 0, false, 1, utc(2023, 12, 31, 0, 0, 0), 0},
        {"no 31 November", kMonthly, 0, 0, 0, "31", 0, false, 1, utc(2023, 11, 30, 0, 0, 0), -1},
        {"day blank 7", kMonthly, 9, 15, 0, " 7", 0, false, 1, utc(2023, 12, 7, 9, 15, 0), 0},
        {"day 17", kMonthly, 9, 15, 0, "17", 0, false, 1, utc(2023, 12, 7, 9, 15, 0), -1},
        {"weekly in", kWeekly, 8, 0, 0, "Wed", 0, false, 1, utc(2023, 12, 6, 8, 0, 0), 0},
        {"weekly other day", kWeekly, 8, 0, 0, "Wed", 0, false, 0, utc(2023, 12, 7, 8, 0, 0), 1},
        {"daily pm in", kDaily, 2, 30, 1, "", 0, false, 1, utc(2023, 12, 6, 14, 30, 59), 0},
        {"daily pm am", kDaily, 2, 30, 1, "", 0, false, 0, utc(2023, 12, 6, 2, 30, 0), 1},
        {"noon is pm 0", kDaily, 12, 0, 0, "", 0, false, 1, utc(2023, 12, 6, 12, 0, 0), 0},
        {"12 pm is no hour", kDaily, 12, 0, 1, "", 0, false, 0, utc(2023, 12, 6, 12, 0, 0), 1},
        {"huge hour", kDaily, INT_MAX, 0, 1, "", 0, false, 0, utc(2023, 12, 6, 15, 0, 0), 1},
        {"hourly in", kHourly, 7, 0, 1, "", 0, false, 1, utc(2023, 12, 6, 0, 0, 30), 0},
        {"unknown kind", 77, 0, 5, 0, "", 0, false, 1, utc(2023, 12, 6, 10, 42, 5), 0},
        {"disabled after 1", kHourly, 0, 0, 0, "", 1, false, 1, utc(2023, 12, 6, 10, 42, 5), 0},
        {"disabled at 0", kHourly, 0, 0, 0, "", 1, false, 0, utc(2023, 12, 6, 10, 42, 5), -1},
        {"disabled 2 is on", kHourly, 0, 0, 0, "", 2, false, 0, utc(2023, 12, 6, 10, 42, 5), 1},
        {"rebuild in", kHourly, 0, 30, 0, "", 0, true, 1, utc(2023, 12, 6, 10, 30, 0), -1},
        {"rebuild disabled", kHourly, 0, 30, 0, "", 1, true, 1, utc(2023, 12, 6, 10, 29, 0), -1},
    };
    SimulatedCard card;
    install_simulated_driver(card);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        option3.synctype = c.type, option3.synchour = c.hour, option3.syncminute = c.minute, option3.syncpm = c.pm, option3.syncdisabled = c.disabled;
        std::memcpy(c.type == kWeekly ? option3.syncweekday : option3.syncmonthday, c.field, 4);
        rebuilding_drive_mask() = c.rebuilding ? 0x02 : 0;
        Mirror_Sync = c.before;
        card = SimulatedCard{};
        use_fixed_clock(c.when);
        gtkSynchronize();
        std::string sent;
        for (const SimEvent& e : card.requests_with_code(kRequestMirrorSync))
            sent += std::to_string(e.written[0]) + " ";
        // Nothing to send: the card is not even opened.
        EXPECT_EQ(sent + std::to_string(Mirror_Sync) + " " + std::to_string(card.opens()),
                  (c.sent < 0 ? "" : std::to_string(c.sent) + " ") + std::to_string(c.sent < 0 ? c.before : c.sent) + " " + (c.sent < 0 ? "0" : "1"));
        EXPECT_TRUE(card.all_closed());
    }
}

} // namespace
