// The log watch: which lines of the system log or the journal become events, what the user
// sees and what the event log gets, and where the next pass goes on.
#include "event_test_support.h"
#include "journal_files.h"
#include "test_support.h"

#include "monitor/event_sources.h"
#include "monitor/journal_source.h"
#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

const std::time_t kNow = utc(2023, 12, 6, 10, 42, 5); // a Wednesday
std::string line(std::time_t when, const std::string& event = "Array 1 drive 2 failed") { return marked_line(when, event); }
// The line's event log entry and popup text: the line and an empty line.
std::string entry(const std::string& line) { return line + "\n"; }
std::string after(std::size_t at, const std::string& seen, const std::string& events) { return std::to_string(at) + " " + seen + " " + events; }

class LogWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fixed_clock(kNow);
        std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
        flags(0, 1);
        set_system_log_path(syslog.c_str());
    }

    static void flags(std::uint32_t popup, std::uint32_t uselogfile) { option3.popup = popup, option3.uselogfile = uselogfile; }
    // Forgets the last-seen time, the last message, the read position and the event log.
    void forget()
    {
        for (char* field : {globalhour, globalminute, globalsecond, globaldate, olderrordata})
            field[0] = '\0';
        set_system_log_path(syslog.c_str()), std::remove(eventlog.c_str());
    }
    std::string events() const { return std::filesystem::exists(eventlog) ? read_file(eventlog) : ""; }
    // A pass; then the read position, the last-seen time and the event log.
    std::string pass()
    {
        geterrordata();
        return after(log_read_position(), std::string(globalhour) + ":" + globalminute + ":" + globalsecond, events());
    }
    // Labels of the open popups, sorted; each is closed by its OK button.
    static std::vector<std::string> popups()
    {
        std::vector<std::string> texts;
        for (GtkWidget* popup : open_popups()) {
            texts.push_back(label_text(popup_label(popup)));
            gtk_button_clicked(GTK_BUTTON(popup_button(popup)));
        }
        drain_events();
        EXPECT_EQ(open_popups().size(), 0u);
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    ScopedWorkDir dir;
    std::string syslog = dir.file("messages"), eventlog = dir.file("Error.log");
};

TEST_F(LogWatch, TheFlagsChoosePopupAndEventLog)
{
    // Which lines are events is checked against the full reread in the differential test.
    // Each event has a popup of its own, also when the event log cannot be opened.
    const std::string one = line(kNow - 3), two = line(kNow - 2, "Array 1 rebuild started"), before = "old\n\n";
    // popup, uselogfile, shown, logged (2: the event log is a directory)
    const std::uint32_t cases[][4] = {
        {1, 1, 1, 1}, {1, 2, 1, 0}, {2, 1, 0, 1}, {1, 0, 1, 0}, {0, 0, 0, 0}, {2, 2, 0, 0}, {1, 1, 1, 2}};
    for (const auto& [popup, uselogfile, shown, logged] : cases) {
        SCOPED_TRACE(testing::Message() << "popup " << popup << " uselogfile " << uselogfile << " logged " << logged);
        forget(), write_file(eventlog, before), write_file(syslog, one + two), flags(popup, uselogfile);
        if (logged == 2)
            std::strcpy(option3.logfile, dir.path().c_str());
        // With both off the log is not even read.
        const std::size_t read = shown || logged ? one.size() + two.size() : 0;
        EXPECT_EQ(pass(), after(read, read ? "10:42:03" : "::", before + (logged == 1 ? entry(one) + entry(two) : "")));
        EXPECT_EQ(popups(), shown ? (std::vector<std::string>{entry(one), entry(two)}) : std::vector<std::string>{});
    }
}

// A line of the kernel's, or of anyone who names a tag.
std::string tagged(std::time_t when, const std::string& event, const std::string& tag = "kernel: ", const std::string& host = "quorvex") { return log_prefix(when) + host + " " + tag + "HALVOREN|" + event + "\n"; }

// The events of an event log, by what follows the marker.
std::string reported(const std::string& log)
{
    std::string names;
    for (std::size_t at = 0; (at = log.find("HALVOREN|", at)) != std::string::npos; at = log.find('\n', at))
        names += (names.empty() ? "" : " ") + log.substr(at + 9, log.find('\n', at) - at - 9);
    return names;
}

// The first pass judges today's lines by their time; after it, each marked line the log
// gains is reported once, whatever its stamp, and nothing else is.
TEST_F(LogWatch, AfterTheFirstPassEveryAddedKernelLineIsReportedOnce)
{
    // When the pass runs (seconds after the case's start), and what the log got before it:
    // 'a' text appended, 'r' tail appended and the file rotated to a new one with text,
    // 'w' the file written anew with text.
    struct Step { int seconds; char action; std::string text, tail = ""; };
    const std::time_t t = kNow, evening = utc(2023, 12, 6, 23, 59, 50);
    const std::string long_host(40, 'h');
    const struct { const char* name; std::time_t start; std::string at_start; std::vector<Step> steps; std::string expected; } cases[] = {
        {"the first pass: today's recent lines, one per second", t,
         tagged(t - 86400, "yesterday") + tagged(t - 20, "old") + tagged(t - 5, "a") + tagged(t - 5, "same second"), {}, "a"},
        {"a line just after the pass at count 32, read 15 s later", t, "", {{15, 'a', tagged(t + 1, "late")}}, "late"},
        {"two lines in one second, and a repeat", t, "",
         {{8, 'a', tagged(t + 3, "one") + tagged(t + 3, "two") + tagged(t + 3, "two")}}, "one two"},
        {"across midnight", evening, tagged(evening - 1, "evening"), {{16, 'a', tagged(evening + 8, "23:59:58")}}, "evening 23:59:58"},
        {"the repeated hour of a clock change", t, tagged(t - 3, "before"), {{-3590, 'a', tagged(t - 3595, "an hour back")}},
         "before an hour back"},
        {"forged lines and the kernel's, a long host name", t, tagged(t - 2, "long host", "kernel: ", long_host),
         {{8, 'a', tagged(t + 1, "forged", "abcde: ") + tagged(t + 2, "forged tag", "abcde: kernel: ") +
                       tagged(t + 3, "stamped", "kernel: [ 1234.567890] ") + tagged(t + 4, "long", "kernel: ", long_host)}},
         "long host stamped long"},
        {"rotation reads the old file's tail first", t, tagged(t - 2, "a"),
         {{8, 'r', tagged(t + 7, "new"), tagged(t + 6, "tail")}, {16, 'a', tagged(t + 9, "after")}}, "a tail new after"},
        {"a file written anew is new", t, tagged(t - 2, "a") + tagged(t - 1, "b"), {{8, 'w', tagged(t - 1, "c")}}, "a b c"},
        {"an unfinished line waits for its newline", t, "",
         {{8, 'a', tagged(t + 1, "half").substr(0, 40)}, {16, 'a', tagged(t + 1, "half").substr(40)}}, "half"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget(), set_fixed_clock(c.start), write_file(syslog, c.at_start), geterrordata();
        for (const Step& step : c.steps) {
            if (step.action == 'r') {
                write_file(syslog, read_file(syslog) + step.tail);
                ASSERT_EQ(std::rename(syslog.c_str(), (syslog + ".1").c_str()), 0);
            }
            write_file(syslog, (step.action == 'a' ? read_file(syslog) : "") + step.text), set_fixed_clock(c.start + step.seconds), geterrordata();
        }
        EXPECT_EQ(reported(events()), c.expected);
    }
}

JournalEntry kernel(std::time_t stamp, const std::string& message) { return {stamp, "quorvex", message}; }

// The journal is read where the system log file has not been written for a day; the first
// pass reports today's recent kernel entries, later ones every marked kernel entry added,
// whatever the host's name.
TEST_F(LogWatch, TheJournalStandsInForAStaleLogAndGivesEachKernelEntryOnce)
{
    const std::string journal = dir.file("journal");
    ASSERT_EQ(mkdir(journal.c_str(), 0700), 0);
    set_journal_directory(journal.c_str()), write_file(syslog, line(kNow - 5, "from the stale file"));
    const timespec stale[2] = {{kNow - 90000, 0}, {kNow - 90000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, syslog.c_str(), stale, 0), 0);
    const auto append = [&](const std::vector<JournalEntry>& entries) { ASSERT_EQ(write_journal(journal, journal_export(entries)), ""); };
    // A pass at a time; then the marked entries handed on and the events reported.
    const auto pass_at = [&](std::time_t now) { return set_fixed_clock(now), geterrordata(), std::to_string(journal_figures().marked) + " " + reported(events()); };
    const std::string long_host(40, 'h');
    append({kernel(kNow - 86400, "HALVOREN|yesterday at this time"), kernel(kNow - 40, "HALVOREN|older than recent"),
            kernel(kNow - 5, "HALVOREN|failed"), kernel(kNow - 4, "usb 1-1: new device"),
            {kNow - 3, "quorvex", "HALVOREN|from a program", "syslog"}, {kNow - 3, "quorvex", "HALVOREN|from a service", "stdout"},
            {kNow - 2, long_host, "HALVOREN|long host", "kernel"}});
    EXPECT_EQ(pass_at(kNow), "3 failed long host");
    // A journal written anew holds other files: the pass goes on after the last entry's time.
    ASSERT_EQ(std::remove((journal + "/test.journal").c_str()), 0);
    append({kernel(kNow - 5, "HALVOREN|failed"), kernel(kNow - 2, "HALVOREN|long host"), kernel(kNow + 8, "HALVOREN|later")});
    EXPECT_EQ(pass_at(kNow + 30), "1 failed long host later");
    // The journal kept open takes in what is added, wherever its files went.
    ASSERT_EQ(std::rename(journal.c_str(), (journal + "-moved").c_str()), 0);
    EXPECT_EQ(pass_at(kNow + 31), "0 failed long host later");
    ASSERT_EQ(write_journal(journal + "-moved", journal_export({kernel(kNow + 12, "HALVOREN|last")})), "");
    EXPECT_EQ(pass_at(kNow + 32), "1 failed long host later last");
    // Once the file is written again it is read, from a first pass.
    write_file(syslog, line(kNow + 38, "from the file"));
    EXPECT_EQ(pass_at(kNow + 40), "0 failed long host later last from the file");
}

TEST_F(LogWatch, NoReadableSourceIsToldOnceUntilASourceWasReadAgain)
{
    const std::string l = line(kNow - 5);
    const bool steps[][3] = {{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}}; // flag on, kern.log, told
    for (int step = 0; step < 6; ++step) {
        const auto [on, kernlog, told] = steps[step];
        SCOPED_TRACE(step);
        kernlog ? write_file(dir.file("kern.log"), l) : void(std::remove(dir.file("kern.log").c_str()));
        flags(0, on), geterrordata();
        EXPECT_EQ(popups(), told ? std::vector<std::string>{no_source_notice(syslog.c_str(), false)} : std::vector<std::string>{});
        EXPECT_EQ(events(), step >= 3 ? entry(l) : "");
    }
}

} // namespace
