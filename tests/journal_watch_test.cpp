// The log watch reading the driver's lines from the journal: the command line that points it
// there, which entries count, the cursor between passes, the message when nothing can be
// read, and the same events as the same lines in a text log.
#include "event_test_support.h"
#include "journal_files.h"
#include "random_log_lines.h"
#include "test_support.h"

#include "monitor/event_sources.h"
#include "monitor/journal_source.h"
#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "status/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace {

// Wednesday, 6 December 2023.
const std::time_t kNow = utc(2023, 12, 6, 10, 42, 5);

JournalEntry kernel(std::time_t stamp, const std::string& message) { return {stamp, "quorvex", message}; }

// The line a system logger writes for a kernel entry.
std::string syslog_line(const JournalEntry& e) { return log_prefix(e.stamp) + e.host + " kernel: " + e.message + "\n"; }

// The event log entry of a journal entry: its syslog line and an empty line.
std::string entry_of(const JournalEntry& e) { return syslog_line(e) + "\n"; }

void forget_watch_state()
{
    for (char* field : {globalhour, globalminute, globalsecond})
        std::memset(field, 0, sizeof globalhour);
    std::memset(globaldate, 0, sizeof globaldate);
    std::memset(olderrordata, 0, sizeof olderrordata);
}

// Labels of the open popups, sorted; the popups are closed.
std::vector<std::string> take_popups()
{
    std::vector<std::string> texts;
    for (GtkWidget* popup : open_popups()) {
        texts.push_back(gtk_label_get_text(GTK_LABEL(popup_label(popup))));
        gtk_widget_destroy(popup);
    }
    drain_events();
    std::sort(texts.begin(), texts.end());
    return texts;
}

class JournalWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_gtk();
        use_fixed_clock(kNow);
        ASSERT_EQ(mkdir(journal.c_str(), 0700), 0);
        set_system_log_path(dir.file("messages").c_str());
        set_journal_directory(journal.c_str());
        std::memset(option3.logfile, 0, sizeof option3.logfile);
        std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
        option3.popup = 1;
        option3.uselogfile = 1;
    }
    void TearDown() override
    {
        take_popups();
        set_journal_directory("/nonexistent/journal");
    }

    void append(const std::vector<JournalEntry>& entries)
    {
        ASSERT_EQ(write_journal(journal, journal_export(entries)), "");
    }
    std::string events() const { return file_exists(eventlog) ? read_file(eventlog) : ""; }

    ScopedWorkDir dir;
    std::string journal = dir.file("journal");
    std::string eventlog = dir.file("Error.log");
};

// What the program is started with on a machine without "/var/log/messages".
TEST_F(JournalWatch, TheCommandLineDirectoryGivesTodaysRecentMarkedKernelEntries)
{
    set_journal_directory(nullptr);
    std::string option = "--journal-directory=" + journal;
    char program[] = "quorvex-monitor";
    char* args[] = {program, option.data(), nullptr};
    int argc = 2;
    char** argv = args;
    ASSERT_FALSE(run_command_line(argc, argv).has_value());
    EXPECT_EQ(argc, 1);
    EXPECT_EQ(journal_directory(), journal);

    struct Case {
        JournalEntry entry;
        bool reported;
    };
    const Case cases[] = {
        {kernel(kNow - 86400, "HALVOREN|yesterday at this time"), false},
        {kernel(kNow - 40, "HALVOREN|older than the recent window"), false},
        {kernel(kNow - 5, "HALVOREN|Array 1 drive 2 failed"), true},
        {kernel(kNow - 4, "usb 1-1: new device"), false},
        {{kNow - 3, "quorvex", "HALVOREN|from a program", "syslog"}, false},
        {{kNow - 3, "quorvex", "HALVOREN|from a service", "stdout"}, false},
        {kernel(kNow - 2, "HALVOREN|Array 1 rebuild started"), true},
    };
    std::vector<JournalEntry> entries;
    std::string expected;
    std::vector<std::string> expected_popups;
    for (const Case& c : cases) {
        entries.push_back(c.entry);
        if (c.reported) {
            expected += entry_of(c.entry);
            expected_popups.push_back(entry_of(c.entry));
        }
    }
    append(entries);
    geterrordata();

    EXPECT_EQ(events(), "Dec  6 10:42:00 quorvex kernel: HALVOREN|Array 1 drive 2 failed\n\n"
                        "Dec  6 10:42:03 quorvex kernel: HALVOREN|Array 1 rebuild started\n\n");
    EXPECT_EQ(events(), expected);
    EXPECT_EQ(take_popups(), expected_popups);
}

TEST_F(JournalWatch, AppendedEntriesArriveOnceAndAPassWithNothingNewReadsNothing)
{
    const JournalEntry first = kernel(kNow - 5, "HALVOREN|Array 1 drive 2 failed");
    const JournalEntry second = kernel(kNow + 8, "HALVOREN|Array 1 rebuild started");
    struct Step {
        const JournalEntry* appended;
        std::time_t now;
        int handled;
        std::string events;
    };
    const Step steps[] = {
        {&first, kNow, 1, entry_of(first)},
        {nullptr, kNow + 2, 0, entry_of(first)},
        {&second, kNow + 10, 1, entry_of(first) + entry_of(second)},
        {nullptr, kNow + 12, 0, entry_of(first) + entry_of(second)},
    };
    for (const Step& step : steps) {
        if (step.appended)
            append({*step.appended});
        set_fixed_clock(step.now);
        geterrordata();
        EXPECT_EQ(journal_entries_handled(), step.handled) << "at " << step.now - kNow;
        EXPECT_EQ(events(), step.events) << "at " << step.now - kNow;
    }
}

TEST_F(JournalWatch, ALostCursorStartsAgainFromMidnightWithoutReportingTwice)
{
    const std::vector<JournalEntry> kept = {kernel(kNow - 6, "HALVOREN|Array 1 drive 2 failed"),
                                            kernel(kNow - 5, "HALVOREN|Array 1 rebuild started")};
    append(kept);
    geterrordata();
    ASSERT_EQ(events(), entry_of(kept[0]) + entry_of(kept[1]));

    // A journal written anew holds other files: the saved cursor names none of them.
    ASSERT_EQ(std::remove((journal + "/test.journal").c_str()), 0);
    std::vector<JournalEntry> again = kept;
    again.push_back(kernel(kNow - 1, "HALVOREN|Array 1 rebuild done"));
    append(again);
    geterrordata();

    EXPECT_EQ(journal_entries_handled(), 3);
    EXPECT_EQ(events(), entry_of(kept[0]) + entry_of(kept[1]) + entry_of(again[2]));
}

TEST_F(JournalWatch, NoReadableSourceIsToldOnceUntilASourceWasReadAgain)
{
    const std::string kernlog = dir.file("kern.log");
    const std::string line = marked_line(kNow - 5, "Array 1 drive 2 failed");
    enum Action { Nothing, FlagsOff, KernLogAppears, KernLogGoes };
    struct Step {
        Action action;
        bool told;
        std::string events;
    };
    const Step steps[] = {
        {FlagsOff, false, ""},     {Nothing, true, ""},        {Nothing, false, ""},
        {KernLogAppears, false, line + "\n"}, {KernLogGoes, true, line + "\n"}, {Nothing, false, line + "\n"},
    };
    int number = 0;
    for (const Step& step : steps) {
        option3.popup = option3.uselogfile = step.action == FlagsOff ? 0 : 1;
        if (step.action == KernLogAppears)
            write_file(kernlog, line);
        if (step.action == KernLogGoes) {
            ASSERT_EQ(std::remove(kernlog.c_str()), 0);
        }
        testing::internal::CaptureStderr();
        geterrordata();
        const std::string err = testing::internal::GetCapturedStderr();
        const std::vector<std::string> popups = take_popups();
        const std::string where = "step " + std::to_string(number++);
        EXPECT_EQ(err, step.told ? std::string(kNoAccessText) + "\n" : "") << where;
        EXPECT_EQ(std::count(popups.begin(), popups.end(), kNoAccessText), step.told ? 1 : 0) << where;
        EXPECT_EQ(events(), step.events) << where;
    }
}

// Cases of one journal lie a week apart, so that no case's dates meet another's; each journal
// spans less than a year, so that no month and day comes twice.
constexpr int kLanes = 6;
constexpr int kCasesPerLane = 50;
constexpr std::time_t kDay = 86400;
constexpr std::time_t kCaseSpacing = 7 * kDay;

struct PassResult {
    std::string events;
    std::vector<std::string> popups;
    std::string last_seen;
    bool operator==(const PassResult&) const = default;
};

struct DifferentialCase {
    std::vector<JournalEntry> entries;
    std::vector<std::time_t> clocks;
    bool popups;
};

DifferentialCase make_case(Random& random, std::time_t day)
{
    DifferentialCase c;
    LineMaker maker(random);
    const std::time_t start = day + random.between(0, kDay - 1);
    const std::string host(static_cast<std::size_t>(random.between(1, 8)), 'q');
    for (int n = random.between(0, 30); n > 0; --n)
        c.entries.push_back(kernel(maker.stamp_near(start - random.between(0, kDay), false), ""));
    std::time_t now = start;
    for (int pass = random.between(2, 7); pass > 0; --pass) {
        for (int n = random.between(0, 6); n > 0; --n)
            c.entries.push_back(kernel(maker.stamp_near(now, false), ""));
        c.clocks.push_back(now);
        // Seconds on, onto the next minute or hour, over midnight, or a little back.
        const int kind = random.between(1, 100);
        now += kind <= 50 ? random.between(0, 20) : kind <= 80 ? random.between(20, 4000) : kind <= 95 ? random.between(4000, 40000) : -random.between(1, 30);
        now = std::min(now, day + 2 * kDay - 1);
    }
    for (JournalEntry& e : c.entries) {
        e.host = host;
        e.message = maker.message(4, 0, 20);
    }
    std::stable_sort(c.entries.begin(), c.entries.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.stamp < b.stamp; });
    c.popups = random.chance(10);
    return c;
}

PassResult pass_at(std::time_t now, bool popups, const std::string& eventlog, std::size_t& events_seen)
{
    set_fixed_clock(now);
    option3.popup = popups ? 1 : 0;
    geterrordata();
    PassResult result;
    const std::string all = read_file(eventlog);
    result.events = all.substr(events_seen);
    events_seen = all.size();
    result.popups = take_popups();
    result.last_seen = std::string(globalhour, 5) + globalminute + globalsecond + globaldate + "|" + olderrordata;
    return result;
}

TEST_F(JournalWatch, TheSameLinesAsATextLogGiveTheSameEvents)
{
    const std::time_t first_day = utc(2023, 1, 2, 0, 0, 0);
    std::vector<std::vector<DifferentialCase>> lanes(kLanes);
    for (int lane = 0; lane < kLanes; ++lane) {
        const std::string lane_dir = dir.file("lane" + std::to_string(lane));
        ASSERT_EQ(mkdir(lane_dir.c_str(), 0700), 0);
        std::vector<JournalEntry> all;
        for (int number = 0; number < kCasesPerLane; ++number) {
            Random random(1206u + static_cast<unsigned>(lane * kCasesPerLane + number));
            lanes[lane].push_back(make_case(random, first_day + number * kCaseSpacing));
            all.insert(all.end(), lanes[lane].back().entries.begin(), lanes[lane].back().entries.end());
        }
        ASSERT_EQ(write_journal(lane_dir, journal_export(all)), "");
    }

    std::size_t reported = 0;
    for (int lane = 0; lane < kLanes; ++lane) {
        for (int number = 0; number < kCasesPerLane; ++number) {
            const DifferentialCase& c = lanes[lane][number];
            const std::string text_log = dir.file("messages-" + std::to_string(lane) + "-" + std::to_string(number));
            std::string lines;
            for (const JournalEntry& e : c.entries)
                lines += syslog_line(e);
            write_file(text_log, lines);

            std::vector<PassResult> from_file, from_journal;
            for (bool journal_read : {false, true}) {
                forget_watch_state();
                write_file(eventlog, "");
                std::size_t events_seen = 0;
                set_system_log_path(journal_read ? dir.file("absent").c_str() : text_log.c_str());
                set_journal_directory(dir.file("lane" + std::to_string(lane)).c_str());
                for (std::time_t now : c.clocks)
                    (journal_read ? from_journal : from_file).push_back(pass_at(now, c.popups, eventlog, events_seen));
            }
            for (std::size_t pass = 0; pass < from_file.size(); ++pass) {
                const std::string where = "lane " + std::to_string(lane) + " case " + std::to_string(number) +
                                          " pass " + std::to_string(pass);
                ASSERT_EQ(from_journal[pass].events, from_file[pass].events) << where;
                ASSERT_EQ(from_journal[pass].popups, from_file[pass].popups) << where;
                ASSERT_EQ(from_journal[pass].last_seen, from_file[pass].last_seen) << where;
                reported += static_cast<std::size_t>(std::count(from_file[pass].events.begin(),
                                                                from_file[pass].events.end(), '\n')) / 2;
            }
        }
    }
    // The lines must give the watch something to report, or the comparison proves little.
    EXPECT_GT(reported, 300u);
}

} // namespace
