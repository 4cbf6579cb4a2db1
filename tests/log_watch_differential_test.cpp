// The incremental watch against the reference that rereads the whole log every pass, on
// random logs appended to in parts, replaced, rewritten and cut: both must report the same
// events in the same order and leave the same last-seen time and last message every pass.
#include "event_test_support.h"
#include "reference_log_watch.h"
#include "test_support.h"

#include "monitor/log_follower.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

namespace {

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) { return items[between(0, N - 1)]; }

private:
    std::mt19937 engine_;
};

class LineMaker {
public:
    // Some logs have lost every hour: marked lines without one are newer than anything
    // after them, and in the first hour of the day they are recent.
    explicit LineMaker(Random& random) : r_(random), hourless_percent_(random.chance(5) ? 100 : 2) {}

    // A whole line as a system logger writes it, with its newline.
    std::string line(std::time_t now)
    {
        static const char* const events[] = {"Array 1 drive 2 failed", "Array 1 rebuild started",
            // These agree in their first 70 characters once the prefix is in front.
            "Channel 1 master drive not responding, retrying the request once more (a)",
            "Channel 1 master drive not responding, retrying the request once more (b)"};
        static const std::string letters = [] {
            std::string all;
            for (unsigned i = 0; i < 3000; ++i)
                all += static_cast<char>('a' + (i * 7919u + i / 26) % 26);
            return all;
        }();
        last_ = stamp_near(now);
        std::string line = log_prefix(last_);
        if (r_.chance(30))
            line += "quorvex sshd[" + std::to_string(r_.between(1, 99999)) + "]: session opened";
        else // 16 filler characters put the marker at column 32; 8 to 30 cover columns 24 to 46.
            line += std::string(r_.chance(60) ? 16 : r_.between(8, 30), 'k') + "HALVOREN|" +
                    (r_.chance(85) ? std::string(r_.pick(events)) : letters.substr(r_.between(0, 1500), r_.between(300, 1200)));
        // Now and then the piece after the first 399 characters reads as a marked line.
        if (line.size() > 460 && r_.chance(30)) {
            const std::string inner = marked_line(last_, "inner event");
            line.replace(399, inner.size() - 1, inner.substr(0, inner.size() - 1));
        }
        if (r_.chance(5)) // 397 to 401 characters with the newline sit on the piece edge
            line.resize(r_.between(396, 400), 'p');
        if (r_.chance(hourless_percent_)) {
            // The message ends at the missing hour; the free column before it tells them apart.
            line[7] = '\0';
            line[6] = r_.pick({' ', 'x', 'y'});
        } else if (r_.chance(4)) {
            for (int n = r_.between(1, 3); n > 0; --n)
                line[r_.between(0, std::min<int>(40, static_cast<int>(line.size()) - 1))] =
                    r_.pick({'\0', '\n', '\xff', ' ', ':', '9', 'D'});
        }
        return line + "\n";
    }

private:
    // Mostly within seconds of now, some minutes or days off, the coming day of a year before.
    std::time_t stamp_near(std::time_t now)
    {
        const int kind = r_.between(1, 100);
        return kind <= 40   ? now - r_.between(0, 16)
               : kind <= 50 ? (last_ ? last_ : now)
               : kind <= 60 ? now + r_.between(0, 20)
               : kind <= 75 ? now - r_.between(17, 600)
               : kind <= 85 ? now - 86400 * r_.between(1, 3) + r_.between(-100, 100)
               : kind <= 90 ? now + 86400 + r_.between(-600, 600)
               : kind <= 95 ? now + 86400 - 365 * 86400 + r_.between(-3600, 3600)
                            : now - r_.between(3600, 86400);
    }

    Random& r_;
    int hourless_percent_;
    std::time_t last_ = 0;
};

// Thousands of logs are written, cut and replaced: in memory where the machine allows.
struct MemoryDir {
    ScopedWorkDir work;
    std::string path;
    MemoryDir()
    {
        char pattern[] = "/dev/shm/quorvex-logs-XXXXXX";
        path = mkdtemp(pattern) ? pattern : work.path();
    }
    ~MemoryDir()
    {
        if (path != work.path())
            (void)std::system(("rm -rf '" + path + "'").c_str());
    }
};

class LogWatchDifferential : public ::testing::Test {
protected:
    void start_case(int number, std::time_t now)
    {
        log_path = logs.path + "/messages-" + std::to_string(number);
        write_file(log_path, "");
        set_system_log_path(log_path.c_str());
        write_file(eventlog, "");
        events_seen = size_at_last_read = 0;
        for (char* field : {globalhour, globalminute, globalsecond})
            std::memset(field, 0, sizeof globalhour);
        std::memset(globaldate, 0, sizeof globaldate);
        std::memset(olderrordata, 0, sizeof olderrordata);
        std::memset(option3.logfile, 0, sizeof option3.logfile);
        std::memcpy(option3.logfile, eventlog.data(), eventlog.size());
        option3.popup = 0;
        reference = reference_log_watch::State{};
        content.clear();
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
    // A new file takes the log's name (rotation), or the same file is written anew.
    void replace(const std::string& fresh, bool new_file)
    {
        write_file(new_file ? log_path + ".new" : log_path, fresh);
        ASSERT_TRUE(!new_file || std::rename((log_path + ".new").c_str(), log_path.c_str()) == 0);
        content = fresh;
    }
    // One pass of each; the program's watch writes its events to the event log.
    void pass_and_compare(bool on, const std::string& where)
    {
        option3.uselogfile = on ? 1 : 0;
        const std::size_t before = reference.reported.size();
        reference_log_watch::pass(reference, log_path.c_str());
        geterrordata();
        if (on)
            size_at_last_read = content.size();
        reported_in_all += reference.reported.size() - before;
        std::string expected;
        for (std::size_t i = before; i < reference.reported.size(); ++i)
            expected += reference.reported[i];
        const std::string written = read_file(eventlog);
        ASSERT_EQ(written.substr(std::min(events_seen, written.size())), expected) << where;
        events_seen = written.size();
        const auto state = [](const char* h, const char* m, const char* s, const char* d, const char* o) {
            return std::string(h, 5) + std::string(m, 5) + std::string(s, 5) + std::string(d, 7) + std::string(o, 400);
        };
        ASSERT_EQ(state(globalhour, globalminute, globalsecond, globaldate, olderrordata),
                  state(reference.hour, reference.minute, reference.second, reference.date, reference.olderrordata))
            << where;
    }

    MemoryDir logs;
    std::string eventlog = logs.path + "/Error.log";
    std::string log_path, content;
    std::size_t events_seen = 0, size_at_last_read = 0, reported_in_all = 0;
    reference_log_watch::State reference;
};

std::time_t next_edge(std::time_t now, int period) { return now - now % period + period; }

// Mostly seconds at a time, often onto a minute, hour or midnight edge, now and then days
// ahead or a little back.
std::time_t move_clock(Random& r, std::time_t now)
{
    const int kind = r.between(1, 100);
    const int overshoot = r.between(0, 1) * r.between(0, 16);
    return kind <= 45   ? now + r.between(0, 9)
           : kind <= 60 ? now + r.between(10, 40)
           : kind <= 72 ? next_edge(now, 60) - r.between(0, 3) + overshoot
           : kind <= 80 ? next_edge(now, 3600) - r.between(0, 5) + overshoot
           : kind <= 88 ? next_edge(now, 86400) - r.between(0, 10) + overshoot
           : kind <= 93 ? now + r.between(3600, 3 * 86400)
                        : now - r.between(1, 30);
}

TEST_F(LogWatchDifferential, RandomLogsGiveTheSameEventsAsAFullReread)
{
    for (int number = 0; number < 3000; ++number) {
        Random r(20231206u + static_cast<unsigned>(number));
        LineMaker maker(r);
        std::time_t now = utc(2023, r.between(1, 12), r.between(1, 28), r.between(0, 23), r.between(0, 59), r.between(0, 59));
        if (r.chance(40))
            now = next_edge(now, r.pick({60, 3600, 86400})) - r.between(0, 20);
        start_case(number, now);
        for (int n = r.between(0, 30); n > 0; --n) // history of several days
            append(maker.line(now - r.between(0, 3 * 86400)));
        // Appended bytes come from this stream, cut anywhere: lines arrive in parts.
        std::string stream;
        for (int step = 0, steps = r.between(6, 20); step < steps; ++step) {
            const std::string where = "case " + std::to_string(number) + " step " + std::to_string(step);
            bool must_read = false;
            if (r.chance(60)) {
                for (int n = r.between(1, 6); n > 0; --n)
                    stream += maker.line(now);
                const std::size_t cut = r.chance(70) ? stream.size() : r.between(0, static_cast<int>(stream.size()));
                append(stream.substr(0, cut));
                stream.erase(0, cut);
            }
            if (r.chance(40))
                set_fixed_clock(now = move_clock(r, now));
            if (const int kind = r.between(1, 100); kind <= 8) {
                // Rotated, or rewritten with lines unlike all before so the bytes before the
                // watch's position differ too.
                std::string fresh;
                for (int n = r.between(0, 8); n > 0; --n) {
                    std::string line = maker.line(now);
                    fresh += kind <= 5 ? line : line.insert(line.size() - 1, " rewritten " + where);
                }
                replace(fresh, kind <= 5);
                stream.clear();
            } else if (kind <= 13 && size_at_last_read > 0) {
                // Cut below what the last pass saw, and written on for less than was cut.
                const std::size_t kept = r.between(0, static_cast<int>(size_at_last_read) - 1);
                ASSERT_EQ(::truncate(log_path.c_str(), static_cast<off_t>(kept)), 0);
                content.resize(kept);
                std::string again = maker.line(now);
                again.resize(std::min(again.size(), size_at_last_read - kept - 1));
                append(again);
                stream.clear();
                must_read = true;
            }
            if (r.chance(3)) { // what start-up does, or anyone but the watch changing the last-seen time
                const bool forget_all = r.chance(50);
                for (char* hour : {globalhour, reference.hour})
                    hour[0] = forget_all ? '\0' : '0', hour[1] = '0';
                if (forget_all)
                    globaldate[0] = reference.date[0] = '\0';
            }
            pass_and_compare(must_read || r.chance(85), where);
            if (HasFatalFailure())
                return;
        }
    }
    // The logs must give the watch something to report, or the comparison proves little.
    EXPECT_GT(reported_in_all, 5000u);
}

// Logs of a few megabytes, read in blocks of up to a megabyte: lines, long ones too, cross
// the block edges.
TEST_F(LogWatchDifferential, LargeLogsGiveTheSameEventsAcrossReadBlocks)
{
    for (int number = 0; number < 4; ++number) {
        Random r(4242u + static_cast<unsigned>(number));
        LineMaker maker(r);
        const std::time_t now = utc(2023, 12, r.between(1, 28), r.between(0, 23), r.between(0, 59), 30);
        start_case(number, now);
        for (std::size_t megabytes : {3, 1}) {
            std::string part;
            while (part.size() < megabytes << 20)
                part += maker.line(now);
            append(part);
            pass_and_compare(true, "case " + std::to_string(number) + " " + std::to_string(megabytes));
            if (HasFatalFailure())
                return;
        }
    }
    EXPECT_GT(reported_in_all, 4u);
}

} // namespace
