#include "monitor/resident_monitor.h"

#include "base/bounded_text.h"
#include "base/clock.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_scan.h"
#include "monitor/event_output.h"
#include "monitor/event_sources.h"
#include "monitor/log_watch.h"
#include "monitor/rebuild_state.h"
#include "monitor/sync_schedule.h"
#include "monitor/tick_cadence.h"
#include "settings/settings_file.h"
#include "settings/settings_record.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

MonitorOptions options;
void (*every_second)() = nullptr;
CardPicture previous;
bool have_picture = false;
bool driver_lost = false;
bool events_to_journal = false;

// The sources on the loop's context.
GMainLoop* monitor_loop = nullptr;
guint tick_source = 0;
guint stop_sources[2] = {0, 0};

std::string time_text()
{
    const std::time_t now = clock_seconds();
    std::tm local{};
    char text[40] = "";
    if (localtime_r(&now, &local))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

// The program gets the event with the time it was seen, whenever its turn comes.
void report(const CardEvent& event)
{
    write_event(event, events_to_journal);
    if (options.on_report)
        options.on_report(event, clock_seconds());
    if (!options.on_event.empty())
        queue_event_program(event, time_text());
}

// The driver's line as the log holds it, without the newlines the log watch adds; what
// leaves the program as text is printable ASCII, the event log gets the line's bytes.
void report_driver_line(const char* message)
{
    std::string line = message;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    report({"DriverEvent", "-", printable_text(line)});
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

// The driver's lines are read whether the card answered or not: what it logged while it
// did not answer is news too.
void scan()
{
    const bool answered = gtkReadFile() == 1;
    if (options.after_scan)
        options.after_scan();
    if (!answered) {
        if (!driver_lost)
            report({"ControllerMissing", "-", lost_driver_text()});
        driver_lost = true;
    } else {
        if (driver_lost)
            report({"ControllerFound", "-", "the driver answers again"});
        driver_lost = false;
        report_changes();
    }
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

// A refresh does nothing while nothing is rebuilt and the schedule can send nothing.
bool refresh_may_act() { return rebuilding_drive_mask() != 0 || schedule_may_send(); }

// Seconds until the next tick that can have work; the ticks between run together with it,
// so that an idle monitor wakes once per scan. Only a scan changes what a refresh may do.
int seconds_to_next_work()
{
    const bool refresh = refresh_may_act();
    int seconds = 1;
    for (int count = secondCount % 39 + 1; !(refresh && count % 5 == 0) && count % 8 != 0; count = count % 39 + 1)
        ++seconds;
    return seconds;
}

void schedule_ticks();

gboolean on_ticks(gpointer seconds)
{
    tick_source = 0;
    for (int k = GPOINTER_TO_INT(seconds); k > 0 && monitor_loop; --k)
        monitor_tick();
    schedule_ticks();
    return G_SOURCE_REMOVE;
}

guint attach(GSource* source, GSourceFunc callback, gpointer data)
{
    g_source_set_callback(source, callback, data, nullptr);
    const guint id = g_source_attach(source, g_main_loop_get_context(monitor_loop));
    g_source_unref(source);
    return id;
}

void schedule_ticks()
{
    if (!monitor_loop)
        return;
    const int seconds = seconds_to_next_work();
    tick_source = attach(g_timeout_source_new(static_cast<guint>(seconds) * 1000u), on_ticks, GINT_TO_POINTER(seconds));
}

gboolean on_stop_signal(gpointer)
{
    request_monitor_stop();
    return G_SOURCE_CONTINUE;
}

void remove_source(guint& id)
{
    if (id != 0 && monitor_loop)
        if (GSource* source = g_main_context_find_source_by_id(g_main_loop_get_context(monitor_loop), id))
            g_source_destroy(source);
    id = 0;
}

} // namespace

void start_monitor(const MonitorOptions& chosen, GMainContext* context)
{
    options = chosen;
    have_picture = false;
    driver_lost = false;
    events_to_journal = stderr_is_journal(std::getenv("JOURNAL_STREAM"));
    set_event_program({options.on_event, options.hook_limit_ms, options.stop_grace_ms}, context);
    // What follows a scan here comes after the metrics file, in scan() itself.
    set_after_scan_hook(nullptr);
    set_event_sink(report_driver_line);
    arrayrebuilddisk[0] = arrayrebuilddisk[1] = 0;
    globalhour[0] = '\0';
    forget_event_sources();
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

void attach_monitor_sources(GMainLoop* loop)
{
    monitor_loop = loop;
    schedule_ticks();
    stop_sources[0] = attach(g_unix_signal_source_new(SIGTERM), on_stop_signal, nullptr);
    stop_sources[1] = attach(g_unix_signal_source_new(SIGINT), on_stop_signal, nullptr);
}

void request_monitor_stop()
{
    remove_source(tick_source);
    stop_event_programs();
    if (monitor_loop)
        g_main_loop_quit(monitor_loop);
}

void run_monitor_loop(GMainLoop* loop)
{
    g_main_loop_run(loop);
    while (!event_programs_done())
        g_main_context_iteration(g_main_loop_get_context(loop), TRUE);
    for (guint& id : stop_sources)
        remove_source(id);
    monitor_loop = nullptr;
}

int run_resident_monitor(const MonitorOptions& chosen)
{
    // A parent that ignores SIGCHLD would leave no exit status to wait for.
    std::signal(SIGCHLD, SIG_DFL);
    std::signal(SIGPIPE, SIG_IGN);
    init_enviorment();
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    // The stop signals are caught before the first program can start.
    attach_monitor_sources(loop);
    start_monitor(chosen, g_main_loop_get_context(loop));
    run_monitor_loop(loop);
    g_main_loop_unref(loop);
    std::fprintf(stderr, "quorvex-monitor: stopped\n");
    return 0;
}
