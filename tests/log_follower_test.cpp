// The incremental reading of the system log: where a pass goes on, and when it starts the
// file again from its beginning.
#include "event_test_support.h"
#include "test_support.h"

#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const std::time_t kNow = utc(2023, 12, 6, 10, 42, 5);

class LogFollower : public ::testing::Test {
protected:
    void SetUp() override
    {
        use_fixed_clock(kNow);
        set_system_log_path(syslog.c_str());
        std::memset(option3.logfile, 0, sizeof option3.logfile);
        std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
        option3.popup = 0;
        option3.uselogfile = 1;
    }

    void log(const std::string& content) { write_file(syslog, content); }
    void add(const std::string& bytes)
    {
        std::FILE* f = std::fopen(syslog.c_str(), "ab");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    // A new file takes the log's name.
    void rotate(const std::string& content)
    {
        write_file(syslog + ".new", content);
        ASSERT_EQ(std::rename((syslog + ".new").c_str(), syslog.c_str()), 0);
    }
    std::string events() const { return read_file(eventlog); }
    static std::string entry(const std::string& line) { return line + "\n"; }

    ScopedWorkDir dir;
    std::string syslog = dir.file("messages");
    std::string eventlog = dir.file("Error.log");
};

TEST_F(LogFollower, AnUnfinishedLineWaitsForItsNewline)
{
    const std::string earlier = "Dec  6 10:30:00 quorvex kernel: eth0 link up\n";
    const std::string line = marked_line(kNow - 3, "Array 1 drive 2 failed");
    log(earlier + line.substr(0, 20));
    geterrordata();
    EXPECT_EQ(log_read_position(), static_cast<std::int64_t>(earlier.size()));
    EXPECT_EQ(globalhour[0], '\0');

    add(line.substr(20, line.size() - 21));
    geterrordata();
    EXPECT_EQ(log_read_position(), static_cast<std::int64_t>(earlier.size()));
    EXPECT_EQ(events(), "");

    add("\n");
    geterrordata();
    EXPECT_EQ(log_read_position(), static_cast<std::int64_t>(earlier.size() + line.size()));
    EXPECT_EQ(events(), entry(line));
}

TEST_F(LogFollower, A399CharacterPieceEndingTheFileIsHandledAtOnce)
{
    std::string piece = marked_line(kNow - 3, "");
    piece.pop_back();
    piece.resize(399, 'z');
    log(piece);
    geterrordata();
    EXPECT_EQ(events(), piece.substr(0, 398) + "\n");
    EXPECT_EQ(log_read_position(), 399);

    // The rest of the line is a piece of its own, and no event.
    add("zz\n");
    geterrordata();
    EXPECT_EQ(log_read_position(), 402);
    EXPECT_EQ(events(), piece.substr(0, 398) + "\n");
}

TEST_F(LogFollower, AReplacedFileIsReadFromItsStartEvenWhenItEndsLikeTheOldOne)
{
    const std::string noise = "Dec  5 09:00:00 quorvex sshd: " + std::string(500, 'n') + "\n";
    const std::string first = marked_line(kNow - 9, "Array 1 drive 2 failed");
    const std::string second = marked_line(kNow - 8, "Array 1 drive 1 failed");
    ASSERT_EQ(first.size(), second.size());
    log(first + noise);
    geterrordata();
    ASSERT_EQ(events(), entry(first));

    rotate(second + noise);
    geterrordata();
    EXPECT_EQ(events(), entry(first) + entry(second));
}

TEST_F(LogFollower, LinesOfANewDayAlreadyReadCountAfterMidnight)
{
    const std::time_t evening = utc(2023, 12, 6, 23, 59, 50);
    const std::string late = marked_line(evening, "Array 1 drive 2 failed");
    const std::string ahead = marked_line(utc(2023, 12, 7, 0, 0, 3), "Array 1 drive 1 failed");
    set_fixed_clock(evening + 5);
    log(late + ahead);
    geterrordata();
    ASSERT_EQ(events(), entry(late));

    set_fixed_clock(utc(2023, 12, 7, 0, 0, 8));
    geterrordata();
    EXPECT_EQ(events(), entry(late) + entry(ahead));
    EXPECT_STREQ(globaldate, "Dec  7");
    EXPECT_STREQ(globalsecond, "03");
}

TEST_F(LogFollower, WithBothFlagsOffThePositionStaysAndLaterLinesAreReadWhenOn)
{
    const std::string first = marked_line(kNow - 30, "Array 1 drive 2 failed");
    log(first);
    geterrordata();
    const std::int64_t position = log_read_position();
    ASSERT_EQ(position, static_cast<std::int64_t>(first.size()));

    option3.uselogfile = 0;
    const std::string older = marked_line(kNow - 20, "Array 1 rebuild started");
    const std::string recent = marked_line(kNow - 2, "Array 1 rebuild done");
    add(older + recent);
    geterrordata();
    EXPECT_EQ(log_read_position(), position);
    EXPECT_STREQ(globalsecond, "35");

    option3.uselogfile = 1;
    geterrordata();
    EXPECT_EQ(events(), entry(recent));
    EXPECT_STREQ(globalsecond, "03");
}

} // namespace
