// The log watch reading the journal: a pass over a journal of 1,000,000 entries with nothing
// new, and the first pass over 100,000 kernel entries written between today's midnight and
// the moment of the run, beside what a user would run by hand on the same files,
// journalctl -k --since today --grep 'HALVOREN\|'. The journals are written once by
// systemd-journal-remote and kept under the build folder. Each benchmark reports the
// entries read and fails when a pass that must read read nothing.
#include "../tests/journal_files.h"

#include "monitor/event_sources.h"
#include "monitor/journal_source.h"
#include "monitor/log_watch.h"
#include "settings/settings_record.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

std::time_t bench_now;
std::time_t bench_clock() { return bench_now; }

void ignore_event(const char*) {}

// About one kernel line in a hundred is the driver's.
JournalEntry bench_entry(std::time_t stamp, unsigned n)
{
    char message[160];
    if (n % 97 == 0)
        std::snprintf(message, sizeof message, "HALVOREN|Array %u drive %u failed", n % 4 + 1, n % 8);
    else
        std::snprintf(message, sizeof message, "ata%u.00: exception Emask 0x0 SAct 0x%x SErr 0x0 action 0x6 frozen",
                      n % 8 + 1, n * 2654435761u);
    return {stamp, "quorvex", message};
}

// A journal of count entries from first on, one per spacing seconds, made once: a directory
// that holds the mark "complete" is taken as it is.
std::string cached_journal(const std::string& name, std::time_t first, double spacing, unsigned count)
{
    const std::string dir = std::string(QUORVEX_BENCH_CACHE) + "/" + name;
    if (std::filesystem::exists(dir + "/complete"))
        return dir;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::fprintf(stderr, "Writing the journal %s (%u entries), once...\n", dir.c_str(), count);
    constexpr unsigned kChunk = 100000;
    for (unsigned from = 0; from < count; from += kChunk) {
        std::vector<JournalEntry> entries;
        for (unsigned n = from; n < std::min(count, from + kChunk); ++n)
            entries.push_back(bench_entry(first + static_cast<std::time_t>(n * spacing), n));
        if (const std::string failure = write_journal(dir, journal_export(entries)); !failure.empty()) {
            std::fprintf(stderr, "%s\n", failure.c_str());
            std::abort();
        }
    }
    std::fclose(std::fopen((dir + "/complete").c_str(), "w"));
    return dir;
}

void watch_journal(const std::string& dir, std::time_t now)
{
    setenv("TZ", "UTC", 1);
    tzset();
    bench_now = now;
    set_clock_source(bench_clock);
    set_system_log_path("/nonexistent/messages");
    set_journal_directory(dir.c_str());
    set_event_sink(ignore_event);
    option3.uselogfile = 1;
    option3.popup = 0;
}

void forget_last_seen()
{
    std::memset(globalhour, 0, sizeof globalhour);
    std::memset(globaldate, 0, sizeof globaldate);
    std::memset(olderrordata, 0, sizeof olderrordata);
}

// 1,000,000 entries, one a second: eleven and a half days ending on 6 December 2023. The
// first pass reads that day's entries; each pass after it asks the journal for what follows.
void BM_Journal_NothingNew_1M(benchmark::State& state)
{
    constexpr std::time_t kFirst = 1700870400;
    constexpr unsigned kCount = 1000000;
    const std::string dir = cached_journal("journal-1m", kFirst, 1.0, kCount);
    watch_journal(dir, kFirst + kCount + 5);
    forget_last_seen();
    geterrordata();
    const JournalFigures first = journal_figures();
    if (first.entries_read == 0)
        state.SkipWithError("the first pass read no entry");
    for (auto _ : state)
        geterrordata();
    const JournalFigures after = journal_figures();
    if (after.passes != static_cast<std::int64_t>(state.iterations()) + 1)
        state.SkipWithError("a pass did not ask the journal");
    state.counters["first_pass_entries"] = static_cast<double>(first.entries_read);
    state.counters["entries_read"] = static_cast<double>(after.entries_read);
}
BENCHMARK(BM_Journal_NothingNew_1M)->Unit(benchmark::kMicrosecond)->UseRealTime();

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// 100,000 kernel entries from today's midnight (UTC, as journalctl is run with TZ=UTC) up to
// the moment the journal is written, so that --since today and the first pass take them
// all at any hour; the journal is written anew on another day.
void BM_Journal_FirstPass_100kToday_VsJournalctl(benchmark::State& state)
{
    constexpr unsigned kCount = 100000;
    const std::time_t now = std::time(nullptr);
    const std::time_t midnight = now - now % 86400;
    char name[32];
    std::snprintf(name, sizeof name, "journal-today-%lld", static_cast<long long>(midnight));
    const std::string dir = cached_journal(name, midnight, static_cast<double>(now - midnight) / kCount, kCount);
    watch_journal(dir, now);
    const std::string peer = "journalctl -q -k --since today --grep 'HALVOREN\\|' --directory '" + dir + "' >/dev/null";
    double watch = 0, journalctl = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        forget_last_seen();
        set_journal_directory(dir.c_str());
        geterrordata();
        const double watch_pass = seconds_since(start);
        if (journal_figures().entries_read != kCount)
            state.SkipWithError("the first pass did not read all of today's entries");
        start = std::chrono::steady_clock::now();
        if (std::system(peer.c_str()) != 0)
            state.SkipWithError("journalctl failed");
        const double peer_run = seconds_since(start);
        state.SetIterationTime(watch_pass);
        watch += watch_pass;
        journalctl += peer_run;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["watch_ms"] = watch / n * 1000;
    state.counters["journalctl_ms"] = journalctl / n * 1000;
    state.counters["journalctl_per_watch"] = journalctl / watch;
    state.counters["entries_read"] = static_cast<double>(journal_figures().entries_read);
    state.counters["marked"] = static_cast<double>(journal_figures().marked);
}
BENCHMARK(BM_Journal_FirstPass_100kToday_VsJournalctl)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

} // namespace
