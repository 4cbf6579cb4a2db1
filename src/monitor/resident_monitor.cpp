#include "monitor/resident_monitor.h"

#include "base/clock.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_scan.h"
#include "monitor/log_watch.h"
#include "monitor/rebuild_state.h"
#include "monitor/sync_schedule.h"
#include "monitor/tick_cadence.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>

namespace {

MonitorOptions options;
void (*every_second)() = nullptr;
CardPicture previous;
bool have_picture = false;
bool driver_lost = false;
volatile std::sig_atomic_t stop_requested = 0;

// The stop signal also writes a byte here, so a signal that comes between the test of
// stop_requested and the sleep still ends the sleep at once.
struct StopPipe {
    int ends[2] = {-1, -1};
    StopPipe()
    {
        if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0)
            ends[0] = ends[1] = -1;
    }
    ~StopPipe()
    {
        for (int end : ends)
            if (end >= 0)
                close(end);
    }
    StopPipe(const StopPipe&) = delete;
    StopPipe& operator=(const StopPipe&) = delete;
};
StopPipe stop_pipe;

std::string time_text()
{
    const std::time_t now = clock_seconds();
    std::tm local{};
    char text[40] = "";
    if (localtime_r(&now, &local))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

void report(const CardEvent& event)
{
    std::fprintf(stderr, "%s\n", event_line(event).c_str());
    if (options.on_event.empty())
        return;
    const HookOutcome outcome = run_event_hook(options.on_event, event, time_text(), options.hook_limit_ms, &stop_requested);
    std::fprintf(stderr, "quorvex-monitor: %s %s: %s\n", options.on_event.c_str(), event.name.c_str(),
                 describe_outcome(outcome, options.hook_limit_ms).c_str());
}

// The driver's line as the log holds it, without the newlines the log watch adds.
void report_driver_line(const char* message)
{
    std::string line = message;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    report({"DriverEvent", "-", line});
    if (option3.uselogfile == 1)
        append_to_event_log(message);
}

void report_changes()
{
    const CardPicture now = picture_after_scan();
    const CardPicture before = have_picture ? previous : startup_baseline(now);
    previous = now;
    have_picture = true;
    for (const CardEvent& event : card_events(before, now))
        report(event);
}

// Why the card could not be read, as the command line says it.
std::string lost_driver_text()
{
    const std::string reason = device_failure_text();
    return reason.empty() ? "no answer from the driver" : reason;
}

// The metrics file first: an event program may take its time.
void scan()
{
    const bool answered = gtkReadFile() == 1;
    if (options.after_scan)
        options.after_scan();
    if (!answered) {
        if (!driver_lost)
            report({"ControllerMissing", "-", lost_driver_text()});
        driver_lost = true;
        return;
    }
    driver_lost = false;
    report_changes();
    log_watch_pass();
}

// The schedule check and the bar slots, as in the window; nothing to draw.
void keep_slot(int bit)
{
    if (rebuild_array_of(bit) >= 0)
        take_rebuild_slots(bit);
}

void rebuild_refresh_without_bars() { rebuild_refresh(keep_slot, nullptr); }

// Change detection exists to rebuild the window's notebook; here the scan's comparison of
// pictures takes its place.
constexpr TickWork kMonitorTick{nullptr, nullptr, rebuild_refresh_without_bars, scan};

void on_stop_signal(int)
{
    stop_requested = 1;
    const char byte = 1;
    if (stop_pipe.ends[1] >= 0 && write(stop_pipe.ends[1], &byte, 1) < 0) {
        // A full pipe already wakes the sleep.
    }
}

void catch_stop_signals()
{
    // A byte left by an earlier stop would end every sleep at once.
    char left[16];
    while (stop_pipe.ends[0] >= 0 && read(stop_pipe.ends[0], left, sizeof left) > 0) {
    }
    struct sigaction action{};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: the sleep between ticks ends at once.
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// A refresh does nothing while nothing is rebuilt and the schedule can send nothing.
bool refresh_may_act() { return rebuilding_drive_mask() != 0 || schedule_may_send(); }

// Seconds until the next tick that can have work; the ticks between run together with it.
// Only a scan changes what a refresh may do, and every scan is woken for.
int seconds_to_next_work()
{
    const bool refresh = refresh_may_act();
    int seconds = 1;
    for (int count = secondCount % 39 + 1; !(refresh && count % 5 == 0) && count % 8 != 0; count = count % 39 + 1)
        ++seconds;
    return seconds;
}

using Clock = std::chrono::steady_clock;

// After a long tick (a slow program) the next ones come later, not at once.
Clock::time_point after(Clock::time_point at, int seconds)
{
    at += std::chrono::seconds(seconds);
    const Clock::time_point now = Clock::now();
    return at < now ? now + std::chrono::seconds(seconds) : at;
}

// Sleeps until the time or a stop signal, whichever comes first: the signal's byte in the
// stop pipe ends the wait, where the library's sleeps would go on.
void sleep_until(Clock::time_point at)
{
    const int wake = stop_pipe.ends[0];
    while (!stop_requested) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(at - Clock::now()).count();
        if (left <= 0)
            return;
        timeval wait{static_cast<time_t>(left / 1'000'000), static_cast<suseconds_t>(left % 1'000'000)};
        fd_set readable;
        FD_ZERO(&readable);
        if (wake >= 0)
            FD_SET(wake, &readable);
        select(wake + 1, wake >= 0 ? &readable : nullptr, nullptr, nullptr, &wait);
    }
}

} // namespace

std::string event_line(const CardEvent& event)
{
    std::string line = "quorvex-monitor: " + event.name;
    if (event.array != "-")
        line += " array " + event.array;
    return line + ": " + event.detail;
}

void start_monitor(const MonitorOptions& chosen)
{
    options = chosen;
    have_picture = false;
    driver_lost = false;
    // What follows a scan here comes after the metrics file, in scan() itself.
    set_after_scan_hook(nullptr);
    set_event_sink(report_driver_line);
    arrayrebuilddisk[0] = arrayrebuilddisk[1] = 0;
    globalhour[0] = '\0';
    if (options.test_event)
        report({"TestEvent", "-", "test of the event program"});
    scan();
}

void set_every_second_hook(void (*hook)()) { every_second = hook; }

void monitor_tick()
{
    if (every_second)
        every_second();
    run_tick(kMonitorTick);
}

int run_resident_monitor(const MonitorOptions& chosen)
{
    stop_requested = 0;
    catch_stop_signals();
    init_enviorment();
    start_monitor(chosen);
    Clock::time_point next = Clock::now();
    while (!stop_requested) {
        const int seconds = seconds_to_next_work();
        next = after(next, seconds);
        sleep_until(next);
        for (int k = 0; k < seconds && !stop_requested; ++k)
            monitor_tick();
    }
    std::fprintf(stderr, "quorvex-monitor: stopped\n");
    return 0;
}
