#include "event_test_support.h"

#include "driver/driver_records.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"
#include "monitor/sync_schedule.h"
#include "settings/settings_record.h"
#include "simulated_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

enum { kMonthly = 0, kWeekly = 1, kDaily = 2, kHourly = 3, kEveryMinute = 4 };

class Schedule : public ::testing::Test {
protected:
    void SetUp() override
    {
        install_simulated_driver(card);
        use_fixed_clock(utc(2023, 12, 6, 10, 42, 5));
        option3.syncdisabled = 0;
    }
    void TearDown() override { uninstall_simulated_driver(); }

    static void schedule(std::uint32_t type, int hour, int minute, std::uint32_t pm)
    {
        option3.synctype = type;
        option3.synchour = hour;
        option3.syncminute = minute;
        option3.syncpm = pm;
    }
    // The command values the driver received, in order.
    std::vector<int> sent() const
    {
        std::vector<int> values;
        for (const SimEvent& e : card.requests_with_code(kRequestMirrorSync))
            values.push_back(e.written[0]);
        return values;
    }
    // Runs the check at a time of day and returns the values sent so far.
    std::vector<int> check_at(std::time_t when)
    {
        set_fixed_clock(when);
        gtkSynchronize();
        return sent();
    }

    SimulatedCard card;
};

using V = std::vector<int>;

TEST_F(Schedule, OffFromStartSendsNothingEver)
{
    option3.syncdisabled = 1;
    schedule(kEveryMinute, 0, 0, 0);
    for (int minute = 0; minute < 60; minute += 7)
        EXPECT_EQ(check_at(utc(2023, 12, 6, 10, minute, 0)), V{});
    EXPECT_EQ(card.opens(), 0);
    EXPECT_EQ(Mirror_Sync, 0);
}

TEST_F(Schedule, SwitchedOffAfterACommandOneSendsZeroOnce)
{
    schedule(kDaily, 3, 0, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 0, 0)), V{1});
    option3.syncdisabled = 1;
    EXPECT_EQ(check_at(utc(2023, 12, 6, 3, 0, 5)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 3, 0, 10)), (V{1, 0}));
    // Any value but 1 leaves the schedule on.
    option3.syncdisabled = 2;
    EXPECT_EQ(check_at(utc(2023, 12, 6, 11, 0, 0)), (V{1, 0, 1}));
    EXPECT_TRUE(card.all_closed());
}

TEST_F(Schedule, DailyAtHalfPastTwoInTheAfternoon)
{
    schedule(kDaily, 2, 30, 1);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 14, 29, 55)), V{1});
    EXPECT_EQ(check_at(utc(2023, 12, 6, 2, 30, 0)), V{1});
    EXPECT_EQ(check_at(utc(2023, 12, 6, 14, 30, 0)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 14, 30, 59)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 14, 31, 0)), (V{1, 0, 1}));
    EXPECT_EQ(check_at(utc(2023, 12, 7, 14, 30, 4)), (V{1, 0, 1, 0}));
    EXPECT_EQ(card.last_sync_command, 0);
}

TEST_F(Schedule, HourlyAtMinuteZero)
{
    schedule(kHourly, 7, 0, 1);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 59, 58)), V{1});
    EXPECT_EQ(check_at(utc(2023, 12, 6, 11, 0, 3)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 11, 0, 59)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 11, 1, 0)), (V{1, 0, 1}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 0, 0, 30)), (V{1, 0, 1, 0}));
}

TEST_F(Schedule, EveryMinuteSendsZeroOnlyAfterAOne)
{
    schedule(kEveryMinute, 5, 5, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 42, 5)), V{});
    schedule(kHourly, 0, 5, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 42, 5)), V{1});
    // Unknown kinds behave as every minute.
    schedule(77, 0, 5, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 42, 10)), (V{1, 0}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 43, 10)), (V{1, 0}));
}

TEST_F(Schedule, MonthlyOnThe31stNeverFiresInNovember)
{
    schedule(kMonthly, 0, 0, 0);
    std::memcpy(option3.syncmonthday, "31", 3);
    EXPECT_EQ(check_at(utc(2023, 10, 31, 12, 0, 0)), V{1});
    for (int day = 1; day <= 30; ++day)
        EXPECT_EQ(check_at(utc(2023, 11, day, 0, 0, 0)), V{1}) << "November " << day;
    EXPECT_EQ(check_at(utc(2023, 12, 31, 0, 0, 0)), (V{1, 0}));
}

TEST_F(Schedule, MonthDayIsTheLeadingNumberOfItsField)
{
    schedule(kMonthly, 9, 15, 0);
    const std::time_t matching = utc(2023, 12, 7, 9, 15, 0);
    struct Case {
        const char field[4];
        bool matches;
    };
    const Case cases[] = {
        {{' ', '7', '\0', '\0'}, true}, {{'0', '7', '\0', 'x'}, true}, {{' ', ' ', '7', '\0'}, true},
        {{'7', 'x', '1', '\0'}, true},  {{'0', '0', '0', '7'}, true},  {{'1', '7', '\0', '\0'}, false},
        {{'x', '7', '\0', '\0'}, false}, {{'\0', '7', '\0', '\0'}, false},
    };
    for (const Case& c : cases) {
        std::memcpy(option3.syncmonthday, c.field, 4);
        Mirror_Sync = 1;
        card.clear_log();
        EXPECT_EQ(check_at(matching), c.matches ? V{0} : V{}) << std::string(c.field, 4);
    }
}

TEST_F(Schedule, NoonNeedsSyncpmZero)
{
    schedule(kDaily, 12, 0, 1);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 12, 0, 0)), V{1});
    EXPECT_EQ(check_at(utc(2023, 12, 6, 0, 0, 0)), V{1});
    schedule(kDaily, 12, 0, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 12, 0, 0)), (V{1, 0}));
    // Any non-zero syncpm means the afternoon.
    schedule(kDaily, 3, 0, 2);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 3, 0, 0)), (V{1, 0, 1}));
    EXPECT_EQ(check_at(utc(2023, 12, 6, 15, 0, 0)), (V{1, 0, 1, 0}));
    // An hour so large that adding 12 would overflow simply never matches.
    schedule(kDaily, 2147483647, 0, 1);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 15, 0, 0)), (V{1, 0, 1, 0, 1}));
}

TEST_F(Schedule, WeekdayMustMatchExactly)
{
    schedule(kWeekly, 8, 0, 0);
    const std::time_t wednesday = utc(2023, 12, 6, 8, 0, 0);
    struct Case {
        const char field[4];
        std::time_t when;
        bool matches;
    };
    const Case cases[] = {
        {"Wed", wednesday, true},
        {"wed", wednesday, false},
        {"WED", wednesday, false},
        {"We", wednesday, false},
        {{'W', 'e', 'd', 'n'}, wednesday, false},
        {"Wed", wednesday + 24 * 3600, false},
        {"Wed", wednesday + 60, false},
        {"Thu", wednesday + 24 * 3600, true},
    };
    for (const Case& c : cases) {
        std::memcpy(option3.syncweekday, c.field, 4);
        Mirror_Sync = 1;
        card.clear_log();
        EXPECT_EQ(check_at(c.when), c.matches ? V{0} : V{}) << std::string(c.field, 4);
    }
}

TEST_F(Schedule, NothingIsSentDuringARebuild)
{
    rebuilding_drive_mask() = 0x02;
    schedule(kHourly, 0, 30, 0);
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 29, 0)), V{});
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 30, 0)), V{});
    option3.syncdisabled = 1;
    Mirror_Sync = 1;
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 31, 0)), V{});
    EXPECT_EQ(card.opens(), 0);

    rebuilding_drive_mask() = 0;
    EXPECT_EQ(check_at(utc(2023, 12, 6, 10, 31, 0)), V{0});
}

} // namespace
