// The watch against the reference that rereads the whole log every pass, on random logs
// appended to in parts, rotated, rewritten and cut: both must report the same events in the
// same order and leave the same last-seen time and last message every pass.
#include "event_test_support.h"
#include "reference_log_watch.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace {

// Random lines as a system logger writes them, with the oddities of a real log: other days,
// lines from the future, several in one second, the marker under the kernel's tag or
// another, long host names, repeats, lines far longer than a piece, garbled ones and ones
// without their hour.
struct Random {
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) { return items[between(0, N - 1)]; }

    std::string line(std::time_t now)
    {
        static const char* const events[] = {"Array 1 drive 2 failed", "Array 1 rebuild started",
            // These agree in their first 70 characters once the prefix is in front.
            "Channel 1 master drive not responding, retrying the request once more (a)",
            "Channel 1 master drive not responding, retrying the request once more (b)"};
        // Mostly within seconds of now, some minutes or days off, the coming day a year before.
        const int kind = between(1, 100);
        last = kind <= 40 ? now - between(0, 16) : kind <= 50 ? (last ? last : now) : kind <= 60 ? now + between(0, 20)
             : kind <= 75 ? now - between(17, 600) : kind <= 85 ? now - 86400 * between(1, 3) + between(-100, 100)
             : kind <= 90 ? now + 86400 + between(-600, 600) : kind <= 95 ? now + 86400 - 365 * 86400 + between(-3600, 3600)
             : now - between(3600, 86400);
        std::string line = log_prefix(last);
        if (chance(30))
            line += "quorvex sshd[" + std::to_string(between(1, 99999)) + "]: session opened";
        else
            line += std::string(chance(90) ? "quorvex" : std::string(between(20, 60), 'h')) +
                    pick({" kernel: ", " kernel: ", " kernel: ", " kernel: [ 1234.567890] ", " abcde: ", " kernel: [1] x] "}) + "HALVOREN|" +
                    (chance(85) ? std::string(pick(events)) : std::string(between(300, 1200), static_cast<char>('a' + between(0, 25))));
        if (line.size() > 460 && chance(30)) // the piece after the first 399 characters is marked
            line.replace(399, 52, marked_line(last, "inner event"), 0, 52);
        if (chance(5)) // 397 to 401 characters with the newline sit on the piece edge
            line.resize(between(396, 400), 'p');
        if (chance(hourless)) // the message ends at the missing hour, marked or not before it
            line[7] = '\0', line[6] = pick({' ', 'x', 'y'});
        else if (chance(4))
            for (int n = between(1, 3); n > 0; --n)
                line[between(0, std::min<int>(40, line.size() - 1))] = pick({'\0', '\n', '\xff', ' ', ':', '9', 'D'});
        return line + "\n";
    }

    std::mt19937 engine;
    // Some logs have lost every hour: marked lines without one are newer than anything after
    // them, and in the first hour of the day they are recent.
    int hourless = chance(5) ? 100 : 2;
    std::time_t last = 0;
};

std::time_t next_edge(std::time_t now, int period) { return now - now % period + period; }

// The first logs are megabytes long, read in blocks of up to a megabyte, lines crossing the
// block edges.
TEST(LogWatchDifferential, RandomLogsGiveTheSameEventsAsAFullReread)
{
    ScopedWorkDir dir;
    // Thousands of logs are written, cut and replaced: in memory, where the file system does
    // not take care of replaced files.
    const std::string log_path = "/dev/shm/quorvex-messages-" + std::to_string(getpid());
    long reported_in_all = 0; // lines of the event logs
#ifdef __SANITIZE_ADDRESS__
    const int logs = 1000; // a third of the cases keeps the instrumented run within its time limit
#else
    const int logs = 3000;
#endif
    for (int number = 0; number < logs; ++number) {
        Random r{std::mt19937(20231206u + number)};
        std::time_t now = utc(2023, r.between(1, 12), r.between(1, 28), r.between(0, 23), r.between(0, 59), r.between(0, 59));
        if (r.chance(40))
            now = next_edge(now, r.pick({60, 3600, 86400})) - r.between(0, 20);
        use_fixed_clock(now);
        reference_log_watch::SideBySide both(log_path, dir.file("Error.log"));
        std::string stream; // appended in parts cut anywhere, after a history of several days
        for (int n = number < 4 ? 20000 : r.between(0, 30); n > 0; --n)
            stream += r.line(number < 4 ? now : now - r.between(0, 3 * 86400));
        for (int step = 0, steps = r.between(6, 20); step < steps && !HasFatalFailure(); ++step) {
            for (int n = r.chance(60) ? r.between(1, 6) : 0; n > 0; --n)
                stream += r.line(now);
            const std::size_t cut = r.chance(70) ? stream.size() : r.between(0, static_cast<int>(stream.size()));
            both.append(stream.substr(0, cut));
            stream.erase(0, cut);
            // Mostly seconds on, often onto a minute, hour or midnight edge, or days on or a little back.
            const int clock = r.between(1, 100), over = r.between(0, 1) * r.between(0, 16);
            now = clock <= 60 ? now : clock <= 78 ? now + r.between(0, 9) : clock <= 84 ? now + r.between(10, 40)
                : clock <= 89 ? next_edge(now, 60) - r.between(0, 3) + over : clock <= 92 ? next_edge(now, 3600) - r.between(0, 5) + over
                : clock <= 96 ? next_edge(now, 86400) - r.between(0, 10) + over : clock <= 98 ? now + r.between(3600, 3 * 86400)
                : now - r.between(1, 30);
            set_fixed_clock(now);
            bool must_read = false;
            if (const int kind = r.between(1, 100); kind <= 8) { // rotated, or the same file written anew
                std::string fresh;
                for (int n = r.between(0, 8); n > 0; --n)
                    fresh += r.line(now);
                ASSERT_TRUE(both.replace(fresh, kind <= 5)), stream.clear();
            } else if (kind <= 13 && both.size_at_last_read > 0) {
                // Cut below what the last pass saw, and written on for less than was cut.
                const std::size_t to = r.between(0, static_cast<int>(both.size_at_last_read) - 1);
                ASSERT_TRUE(both.cut(to));
                both.append(r.line(now).substr(0, both.size_at_last_read - to - 1));
                stream.clear();
                must_read = true;
            }
            ASSERT_TRUE(both.pass(must_read || r.chance(85))) << "case " << number << " step " << step;
        }
        reported_in_all += std::count(both.reference.reported.begin(), both.reference.reported.end(), '\n');
        if (HasFatalFailure())
            break;
    }
    std::remove(log_path.c_str());
    // The logs must give the watch something to report, or the comparison proves little.
    EXPECT_GT(reported_in_all, 10000); // lines: an event is its line and an empty line
}

} // namespace
