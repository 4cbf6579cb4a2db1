// The system-log watch on a 100 MB log, side by side with a full reread of the log under
// the first-pass rules (what every pass cost before the watch kept its place): a pass over
// the unchanged log, the first pass, and a pass after 1,000 appended lines. Wall-clock
// times: a pass holds up the window for that long. Each benchmark counts what its passes
// read and reported, and fails when a pass that must read read nothing.
#include "../tests/reference_log_watch.h"

#include "monitor/log_follower.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

constexpr std::size_t kLogSize = 100u << 20;
constexpr int kAppendedLines = 1000;

std::time_t bench_now;
std::time_t bench_clock() { return bench_now; }

long events_reported = 0;
void count_event(const char*) { ++events_reported; }

// Lines of several days, about one in a hundred marked, the clock running with them.
class LogWriter {
public:
    explicit LogWriter(std::time_t start) : stamp_(start) {}

    void add_line(std::string& out)
    {
        seed_ = seed_ * 6364136223846793005u + 1442695040888963407u;
        const unsigned r = static_cast<unsigned>(seed_ >> 33);
        stamp_ += r % 3 == 0;
        char prefix[26];
        ctime_r(&stamp_, prefix);
        char line[200];
        if (r % 97 == 0)
            std::snprintf(line, sizeof line, "%.15s quorvex kernel: HALVOREN|Array %u drive %u failed\n", prefix + 4,
                          r % 4 + 1, r % 8);
        else
            std::snprintf(line, sizeof line,
                          "%.15s quorvex sshd[%u]: Accepted publickey for admin from 10.0.%u.%u port %u ssh2\n",
                          prefix + 4, r % 30000 + 1000, r % 250, (r >> 8) % 250, r % 60000 + 1024);
        out += line;
    }
    std::time_t stamp() const { return stamp_; }

private:
    std::time_t stamp_;
    std::uint64_t seed_ = 42;
};

void write_all(const std::string& path, const std::string& bytes, const char* mode)
{
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        std::abort();
}

// The 100 MB log, written once per run and removed at its end; a copy takes the appends.
struct BigLog {
    std::string path = "/tmp/quorvex-bench-messages-" + std::to_string(getpid());
    std::string growing = path + "-growing";
    LogWriter writer{0};
    std::size_t size = 0;

    BigLog()
    {
        setenv("TZ", "UTC", 1);
        tzset();
        // From 2 December 2023 on: the million lines end on the afternoon of the 6th.
        writer = LogWriter(1701475200);
        std::string chunk;
        std::remove(path.c_str());
        while (size < kLogSize) {
            chunk.clear();
            while (chunk.size() < (1u << 20))
                writer.add_line(chunk);
            write_all(path, chunk, "ab");
            size += chunk.size();
        }
        bench_now = writer.stamp() + 5;
        std::filesystem::copy_file(path, growing, std::filesystem::copy_options::overwrite_existing);

        set_clock_source(bench_clock);
        set_event_sink(count_event);
        option3.uselogfile = 1;
        option3.popup = 0;
    }
    ~BigLog()
    {
        std::remove(path.c_str());
        std::remove(growing.c_str());
    }

    void append_lines()
    {
        std::string lines;
        for (int i = 0; i < kAppendedLines; ++i)
            writer.add_line(lines);
        write_all(growing, lines, "ab");
        bench_now = writer.stamp() + 2;
    }
};

BigLog& big_log()
{
    static BigLog log;
    return log;
}

void forget_last_seen()
{
    std::memset(globalhour, 0, sizeof globalhour);
    std::memset(globaldate, 0, sizeof globaldate);
    std::memset(olderrordata, 0, sizeof olderrordata);
}

// Every pass reads the whole log and walks it under the first-pass rules, as before the
// watch kept its place. Returns how many bytes the walk handled.
std::size_t full_reread(reference_log_watch::State& reference, const std::string& path)
{
    static std::string text;
    text.resize(std::filesystem::file_size(path));
    std::FILE* log = std::fopen(path.c_str(), "rb");
    const std::size_t got = log ? std::fread(text.data(), 1, text.size(), log) : 0;
    if (log)
        std::fclose(log);
    text.resize(got);
    char now[26];
    gettimenow(now);
    return reference_log_watch::handle_lines(reference, text, now, true);
}

void require(benchmark::State& state, bool done, const char* failure)
{
    if (!done)
        state.SkipWithError(failure);
}

void BM_FullReread_UnchangedLog(benchmark::State& state)
{
    BigLog& log = big_log();
    reference_log_watch::State reference;
    std::size_t handled = 0;
    for (auto _ : state)
        handled = full_reread(reference, log.path);
    require(state, handled == log.size, "the reread did not read the whole log");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(handled));
}
BENCHMARK(BM_FullReread_UnchangedLog)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Watch_UnchangedLog(benchmark::State& state)
{
    BigLog& log = big_log();
    forget_last_seen();
    set_system_log_path(log.path.c_str());
    geterrordata();
    require(state, log_read_position() == static_cast<std::int64_t>(log.size), "the first pass did not read the log");
    for (auto _ : state)
        geterrordata();
    state.counters["offset_mb"] = static_cast<double>(log_read_position()) / (1 << 20);
}
BENCHMARK(BM_Watch_UnchangedLog)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Watch_FirstPass(benchmark::State& state)
{
    BigLog& log = big_log();
    for (auto _ : state) {
        forget_last_seen();
        set_system_log_path(log.path.c_str());
        geterrordata();
    }
    require(state, log_read_position() == static_cast<std::int64_t>(log.size), "the first pass did not read the log");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * log_read_position());
}
BENCHMARK(BM_Watch_FirstPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FullReread_After1000Lines(benchmark::State& state)
{
    BigLog& log = big_log();
    reference_log_watch::State reference;
    full_reread(reference, log.growing);
    for (auto _ : state) {
        state.PauseTiming();
        log.append_lines();
        state.ResumeTiming();
        full_reread(reference, log.growing);
    }
}
BENCHMARK(BM_FullReread_After1000Lines)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

// Every marked line appended is reported, about ten per pass.
void BM_Watch_After1000Lines(benchmark::State& state)
{
    BigLog& log = big_log();
    forget_last_seen();
    set_system_log_path(log.growing.c_str());
    geterrordata();
    events_reported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        log.append_lines();
        state.ResumeTiming();
        geterrordata();
    }
    require(state, events_reported > 0, "the passes reported none of the lines appended");
    state.counters["events_per_pass"] = static_cast<double>(events_reported) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Watch_After1000Lines)->Unit(benchmark::kMicrosecond)->Iterations(300)->UseRealTime();

} // namespace
