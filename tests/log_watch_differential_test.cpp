// The incremental watch against the reference that rereads the whole log every pass, on
// randomly generated logs: both must report the same events in the same order and leave
// the same last-seen time and last message after every pass.
#include "event_test_support.h"
#include "random_log_lines.h"
#include "reference_log_watch.h"
#include "test_support.h"

#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kPiece = 399;

// Thousands of logs are written, cut and replaced: in memory where the machine allows, so
// that the file system's care for replaced files does not make the test slow. Also a fresh
// working directory.
class MemoryDir {
public:
    MemoryDir()
    {
        char pattern[] = "/dev/shm/quorvex-logs-XXXXXX";
        if (const char* made = mkdtemp(pattern))
            path_ = made;
        else
            path_ = work_.path();
    }
    ~MemoryDir()
    {
        if (path_ != work_.path())
            (void)std::system(("rm -rf '" + path_ + "'").c_str());
    }
    MemoryDir(const MemoryDir&) = delete;
    MemoryDir& operator=(const MemoryDir&) = delete;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    ScopedWorkDir work_;
    std::string path_;
};

class LogWatchDifferential : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(option3.logfile, 0, sizeof option3.logfile);
        std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
        option3.popup = 0;
    }

    void start_case(int number, std::time_t now)
    {
        log_path = logs.file("messages-" + std::to_string(number));
        write_file(log_path, "");
        set_system_log_path(log_path.c_str());
        write_file(eventlog, "");
        events_seen = 0;
        for (auto field : {globalhour, globalminute, globalsecond})
            std::memset(field, 0, sizeof globalhour);
        std::memset(globaldate, 0, sizeof globaldate);
        std::memset(olderrordata, 0, sizeof olderrordata);
        reference = reference_log_watch::State{};
        content.clear();
        size_at_last_read = 0;
        use_fixed_clock(now);
    }

    void append(const std::string& bytes)
    {
        if (std::FILE* f = std::fopen(log_path.c_str(), "ab")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        content += bytes;
    }

    // A new file takes the log's name; the old one goes away.
    void rotate(const std::string& fresh)
    {
        const std::string next = log_path + ".new";
        write_file(next, fresh);
        ASSERT_EQ(std::rename(next.c_str(), log_path.c_str()), 0);
        content = fresh;
    }

    // The same file written anew from its start.
    void rewrite(const std::string& fresh)
    {
        write_file(log_path, fresh);
        content = fresh;
    }

    void truncate_to(std::size_t length)
    {
        ASSERT_EQ(::truncate(log_path.c_str(), static_cast<off_t>(length)), 0);
        content.resize(length);
    }

    // What start-up does, or a change of the last-seen time made by anyone but the watch.
    void change_last_seen_outside(bool forget_all)
    {
        for (char* hour : {globalhour, reference.hour}) {
            hour[0] = forget_all ? '\0' : '0';
            hour[1] = '0';
        }
        if (forget_all) {
            std::memset(globaldate, 0, sizeof globaldate);
            std::memset(reference.date, 0, sizeof reference.date);
        }
    }

    // One pass of each; the program's watch writes its events to the event log.
    void pass_and_compare(bool on, const std::string& where)
    {
        option3.uselogfile = on ? 1 : 0;
        const std::size_t reported_before = reference.reported.size();
        reference_log_watch::pass(reference, log_path.c_str());
        geterrordata();
        if (on)
            size_at_last_read = content.size();
        reported_in_all += reference.reported.size() - reported_before;

        std::string expected;
        for (std::size_t i = reported_before; i < reference.reported.size(); ++i)
            expected += reference.reported[i];
        const std::string written = read_file(eventlog);
        ASSERT_GE(written.size(), events_seen) << where;
        ASSERT_EQ(written.substr(events_seen), expected) << where;
        events_seen = written.size();
        ASSERT_EQ(std::memcmp(globalhour, reference.hour, sizeof globalhour), 0) << where;
        ASSERT_EQ(std::memcmp(globalminute, reference.minute, sizeof globalminute), 0) << where;
        ASSERT_EQ(std::memcmp(globalsecond, reference.second, sizeof globalsecond), 0) << where;
        ASSERT_EQ(std::memcmp(globaldate, reference.date, sizeof globaldate), 0) << where;
        ASSERT_EQ(std::memcmp(olderrordata, reference.olderrordata, sizeof olderrordata), 0) << where;
    }

    MemoryDir logs;
    std::string eventlog = logs.file("Error.log");
    std::string log_path;
    std::string content;
    std::size_t events_seen = 0;
    std::size_t size_at_last_read = 0;
    std::size_t reported_in_all = 0;
    reference_log_watch::State reference;
};

std::time_t next_edge(std::time_t now, int period) { return now - now % period + period; }

// Mostly seconds at a time, often onto a minute, hour or midnight edge, now and then days
// ahead or a little back.
std::time_t move_clock(Random& random, std::time_t now)
{
    const int kind = random.between(1, 100);
    if (kind <= 45)
        return now + random.between(0, 9);
    if (kind <= 60)
        return now + random.between(10, 40);
    if (kind <= 72)
        return next_edge(now, 60) - random.between(0, 3) + random.between(0, 1) * random.between(0, 16);
    if (kind <= 80)
        return next_edge(now, 3600) - random.between(0, 5) + random.between(0, 1) * random.between(0, 16);
    if (kind <= 88)
        return next_edge(now, 86400) - random.between(0, 10) + random.between(0, 1) * random.between(0, 16);
    if (kind <= 93)
        return now + random.between(3600, 3 * 86400);
    return now - random.between(1, 30);
}

std::time_t starting_time(Random& random)
{
    std::time_t start =
        utc(2023, random.between(1, 12), random.between(1, 28), random.between(0, 23), random.between(0, 59),
            random.between(0, 59));
    if (random.chance(40))
        start = next_edge(start, random.pick({60, 3600, 86400})) - random.between(0, 20);
    return start;
}

TEST_F(LogWatchDifferential, RandomLogsGiveTheSameEventsAsAFullReread)
{
    constexpr int kCases = 3000;
    for (int number = 0; number < kCases; ++number) {
        Random random(20231206u + static_cast<unsigned>(number));
        LineMaker maker(random);
        std::time_t now = starting_time(random);
        start_case(number, now);

        // Some history: several days, and lines of the coming day from a year before.
        std::string history;
        for (int n = random.between(0, 30); n > 0; --n)
            history += maker.line(now - random.between(0, 3 * 86400));
        append(history);

        // Appended bytes come from this stream, cut anywhere: lines arrive in parts.
        std::string stream;
        const int steps = random.between(6, 20);
        for (int step = 0; step < steps; ++step) {
            const std::string where = "case " + std::to_string(number) + " step " + std::to_string(step);
            bool must_read = false;
            if (random.chance(60)) {
                for (int n = random.between(1, 6); n > 0; --n)
                    stream += maker.line(now);
                const std::size_t cut = random.chance(70)
                                            ? stream.size()
                                            : static_cast<std::size_t>(random.between(0, static_cast<int>(stream.size())));
                append(stream.substr(0, cut));
                stream.erase(0, cut);
            }
            if (random.chance(40)) {
                now = move_clock(random, now);
                set_fixed_clock(now);
            }
            if (random.chance(5)) {
                std::string fresh;
                for (int n = random.between(0, 8); n > 0; --n)
                    fresh += maker.line(now);
                rotate(fresh);
                stream.clear();
            } else if (random.chance(3)) {
                // Every line differs from all before it, so the bytes before the watch's
                // position differ too.
                std::string fresh;
                for (int n = random.between(0, 8); n > 0; --n) {
                    std::string line = maker.line(now);
                    fresh += line.insert(line.size() - 1, " rewritten " + where);
                }
                rewrite(fresh);
                stream.clear();
            } else if (random.chance(5) && size_at_last_read > 0) {
                // Cut below what the last pass saw, and let the writer go on for less than
                // was cut before the watch looks again.
                const auto kept = static_cast<std::size_t>(random.between(0, static_cast<int>(size_at_last_read) - 1));
                truncate_to(kept);
                std::string again = maker.line(now);
                again.resize(std::min(again.size(), size_at_last_read - kept - 1));
                append(again);
                stream.clear();
                must_read = true;
            }
            if (random.chance(3))
                change_last_seen_outside(random.chance(50));
            pass_and_compare(must_read || random.chance(85), where);
            if (HasFatalFailure())
                return;
        }
    }
    // The logs must give the watch something to report, or the comparison proves little.
    EXPECT_GT(reported_in_all, 5000u);
}

// Other days' marked lines and today's unmarked ones, some far longer than a piece.
std::string noise_line(Random& random, std::time_t now)
{
    std::string line = random.chance(50) ? log_prefix(now - 86400 * random.between(1, 9)) + "quorvex kernel: HALVOREN|"
                                         : log_prefix(now - random.between(0, 30)) + "quorvex sshd: ";
    line.append(static_cast<std::size_t>(random.chance(10) ? random.between(400, 1500) : random.between(5, 120)), 'n');
    return line + "\n";
}

// Noise up to `at` bytes into the appended part, then an event there: as a line of its
// own, or as the second piece of a longer line.
void put_event_at(std::string& part, std::size_t at, const std::string& event, Random& random, std::time_t now)
{
    while (part.size() + 1600 < at)
        part += noise_line(random, now);
    if (part.size() < at)
        part += std::string(at - part.size() - 1, 'f') + "\n";
    if (random.chance(30))
        part += std::string(kPiece, 'w');
    part += event;
}

// Logs of a few megabytes, read in several blocks: events start just before, on and after
// the block edges, or straddle them.
TEST_F(LogWatchDifferential, LargeLogsGiveTheSameEventsAcrossReadBlocks)
{
    constexpr std::size_t kBlock = 1u << 20;
    for (int number = 0; number < 6; ++number) {
        Random random(4242u + static_cast<unsigned>(number));
        const std::time_t now = utc(2023, 12, random.between(1, 28), random.between(0, 23), random.between(0, 59), 30);
        start_case(number, now);
        int event = 0;
        auto event_line = [&] {
            const int n = event++;
            return marked_line(now - 14 + n, "edge event " + std::to_string(n));
        };

        std::string first;
        for (std::size_t edge = kBlock; edge <= 3 * kBlock; edge += kBlock)
            put_event_at(first, edge - static_cast<std::size_t>(random.between(0, 450)), event_line(), random, now);
        first += std::string(static_cast<std::size_t>(random.between(0, 300)), 'u'); // unfinished
        append(first);
        pass_and_compare(true, "case " + std::to_string(number) + " first pass");
        if (HasFatalFailure())
            return;

        // The next pass reads from where the unfinished line starts.
        const std::size_t from = static_cast<std::size_t>(log_read_position());
        ASSERT_EQ(from, first.rfind('\n') + 1);
        const std::size_t edge = from + kBlock - first.size();
        std::string more;
        put_event_at(more, 200, event_line(), random, now);
        put_event_at(more, edge - static_cast<std::size_t>(random.between(0, 450)), event_line(), random, now);
        put_event_at(more, edge + 5000, event_line(), random, now);
        append(more);
        pass_and_compare(true, "case " + std::to_string(number) + " after a large append");
        if (HasFatalFailure())
            return;
    }
    EXPECT_EQ(reported_in_all, 6u * 6u);
}

} // namespace
