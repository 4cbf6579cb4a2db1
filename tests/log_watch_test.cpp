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
        set_system_log_path(syslog.c_str());
        std::remove(eventlog.c_str());
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
        forget();
        write_file(eventlog, before);
        write_file(syslog, one + two);
        flags(popup, uselogfile);
        if (logged == 2)
            std::strcpy(option3.logfile, dir.path().c_str());
        // With both off the log is not even read.
        const std::size_t read = shown || logged ? one.size() + two.size() : 0;
        EXPECT_EQ(pass(), after(read, read ? "10:42:03" : "::", before + (logged == 1 ? entry(one) + entry(two) : "")));
        EXPECT_EQ(popups(), shown ? (std::vector<std::string>{entry(one), entry(two)}) : std::vector<std::string>{});
    }
}

TEST_F(LogWatch, APassGoesOnWhereTheLastOneStopped)
{
    // A file replaced by one ending like it is read from its start.
    const std::string noise = "Dec  5 09:00:00 quorvex sshd: " + std::string(500, 'n') + "\n";
    const std::string first = line(kNow - 9), second = line(kNow - 8, "Array 1 drive 1 failed");
    write_file(syslog, first + noise);
    EXPECT_EQ(pass(), after(first.size() + noise.size(), "10:41:56", entry(first)));
    write_file(syslog + ".new", second + noise);
    ASSERT_EQ(std::rename((syslog + ".new").c_str(), syslog.c_str()), 0);
    EXPECT_EQ(pass(), after(second.size() + noise.size(), "10:41:57", entry(first) + entry(second)));
    const std::string all = entry(first) + entry(second);
    // A pass with nothing new reads only the end of a large log.
    const auto bytes_read = [] { return std::stol(read_file("/proc/self/io").substr(7)); };
    write_file(syslog, read_file(syslog) + std::string(2 << 20, '\n') + noise); // ends unlike the line added next
    geterrordata();
    write_file(syslog, read_file(syslog) + line(kNow - 1));
    geterrordata();
    const long before = bytes_read();
    geterrordata();
    EXPECT_LT(bytes_read() - before, 100000);
    // A system log that is a directory reads as empty.
    set_system_log_path(dir.path().c_str());
    EXPECT_EQ(pass(), after(0, "10:42:04", all + entry(line(kNow - 1))));
}

JournalEntry kernel(std::time_t stamp, const std::string& message) { return {stamp, "quorvex", message}; }
std::string entry(const JournalEntry& e) { return entry(log_prefix(e.stamp) + e.host + " kernel: " + e.message + "\n"); }

TEST_F(LogWatch, TodaysRecentMarkedKernelEntriesOfTheJournalArriveOnce)
{
    const std::string journal = dir.file("journal");
    ASSERT_EQ(mkdir(journal.c_str(), 0700), 0);
    set_journal_directory(journal.c_str());
    flags(1, 1);
    const auto append = [&](const std::vector<JournalEntry>& entries) { ASSERT_EQ(write_journal(journal, journal_export(entries)), ""); };
    // A pass at a time; then the journal entries handled and the event log.
    const auto pass_at = [&](std::time_t now) { return set_fixed_clock(now), geterrordata(), std::to_string(journal_entries_handled()) + " " + events(); };
    append({kernel(kNow - 86400, "HALVOREN|yesterday at this time"), kernel(kNow - 40, "HALVOREN|older than recent"),
            kernel(kNow - 5, "HALVOREN|Array 1 drive 2 failed"), kernel(kNow - 4, "usb 1-1: new device"),
            {kNow - 3, "quorvex", "HALVOREN|from a program", "syslog"}, {kNow - 3, "quorvex", "HALVOREN|from a service", "stdout"},
            kernel(kNow - 2, "HALVOREN|Array 1 rebuild started")});
    const std::string one = "Dec  6 10:42:00 quorvex kernel: HALVOREN|Array 1 drive 2 failed\n\n",
                      two = "Dec  6 10:42:03 quorvex kernel: HALVOREN|Array 1 rebuild started\n\n";
    EXPECT_EQ(pass_at(kNow), "3 " + one + two);
    // A journal written anew holds other files: the saved cursor names none of them, and
    // the pass starts again from midnight without reporting twice.
    ASSERT_EQ(std::remove((journal + "/test.journal").c_str()), 0);
    const JournalEntry later = kernel(kNow + 8, "HALVOREN|Array 1 rebuild done"), last = kernel(kNow + 12, "HALVOREN|Array 2 done");
    append({kernel(kNow - 5, "HALVOREN|Array 1 drive 2 failed"), kernel(kNow - 2, "HALVOREN|Array 1 rebuild started"), later});
    EXPECT_EQ(pass_at(kNow + 10), "3 " + one + two + entry(later));
    // The next passes read only what was appended, from the journal kept open.
    ASSERT_EQ(std::rename(journal.c_str(), (journal + "-moved").c_str()), 0);
    EXPECT_EQ(pass_at(kNow + 11), "0 " + one + two + entry(later));
    ASSERT_EQ(write_journal(journal + "-moved", journal_export({last})), "");
    EXPECT_EQ(pass_at(kNow + 14), "1 " + one + two + entry(later) + entry(last));
}

TEST_F(LogWatch, NoReadableSourceIsToldOnceUntilASourceWasReadAgain)
{
    const std::string l = line(kNow - 5);
    const bool steps[][3] = {{0, 0, 0}, {1, 0, 1}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}}; // flag on, kern.log, told
    for (int step = 0; step < 6; ++step) {
        const auto [on, kernlog, told] = steps[step];
        SCOPED_TRACE(step);
        flags(0, on);
        if (kernlog)
            write_file(dir.file("kern.log"), l);
        else
            std::remove(dir.file("kern.log").c_str());
        geterrordata();
        EXPECT_EQ(popups(), told ? std::vector<std::string>{kNoAccessText} : std::vector<std::string>{});
        EXPECT_EQ(events(), step >= 3 ? entry(l) : "");
    }
}

} // namespace
