#include "status/command_line.h"

#include "base/bounded_text.h"
#include "base/clock.h"
#include "base/program.h"
#include "driver/device_port.h"
#include "driver/driver_requests.h"
#include "monitor/event_sources.h"
#include "monitor/resident_monitor.h"
#include "notify/notification_agent.h"
#include "service/service_client.h"
#include "service/system_bus_service.h"
#include "status/card_status.h"
#include "status/metrics_file.h"
#include "status/status_report.h"

#include <glib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Options {
    gboolean version = FALSE;
    gboolean status = FALSE;
    gboolean json = FALSE;
    gchar* prometheus = nullptr;
    gboolean monitor = FALSE;
    gboolean notify = FALSE;
    gchar* on_event = nullptr;
    gboolean test_event = FALSE;
    gchar* device = nullptr;
    gboolean system_bus = FALSE;
    gint timeout = 10;

    ~Options()
    {
        g_free(prometheus);
        g_free(on_event);
        g_free(device);
    }
    bool headless() const { return status || json || prometheus; }
    // The plain-text answer, read by monitoring systems from stdout alone.
    bool text() const { return status && !json; }
};

gboolean take_journal_directory(const gchar*, const gchar* value, gpointer, GError**)
{
    set_journal_directory(value);
    return TRUE;
}

std::string metrics_path;

// One entry per option; --help comes with the parser.
std::vector<GOptionEntry> option_entries(Options& o)
{
    return {
        {"version", 0, 0, G_OPTION_ARG_NONE, &o.version, "Print the program's version and exit", nullptr},
        {"status", 0, 0, G_OPTION_ARG_NONE, &o.status,
         "Read the card once, print its state as text and exit with 0 (OK), 1 (WARNING), 2 (CRITICAL) or 3 (UNKNOWN); "
         "needs no display",
         nullptr},
        {"json", 0, 0, G_OPTION_ARG_NONE, &o.json, "Like --status, but print one JSON document", nullptr},
        {"prometheus", 0, 0, G_OPTION_ARG_FILENAME, &o.prometheus,
         "Like --status, but write the state in the Prometheus text format to FILE, replacing it in one step; "
         "with --monitor, after every scan",
         "FILE"},
        {"monitor", 0, 0, G_OPTION_ARG_NONE, &o.monitor,
         "Watch the card without a display until SIGTERM or SIGINT: report every event on stderr and run the "
         "synchronisation schedule; needs no display",
         nullptr},
        {"notify", 0, 0, G_OPTION_ARG_NONE, &o.notify,
         "Show the system service's events as desktop notifications until SIGTERM or SIGINT (the session agent "
         "started at login); needs no window",
         nullptr},
        {"on-event", 0, 0, G_OPTION_ARG_FILENAME, &o.on_event,
         "With --monitor: run PROGRAM (no shell) as PROGRAM EVENT ARRAY DETAIL for each event, one at a time, "
         "killed after 60 s",
         "PROGRAM"},
        {"test-event", 0, 0, G_OPTION_ARG_NONE, &o.test_event, "With --monitor: report one TestEvent at start", nullptr},
        {"journal-directory", 0, 0, G_OPTION_ARG_CALLBACK, reinterpret_cast<gpointer>(take_journal_directory),
         "Read the driver's events from the journal files in DIR instead of the local journal", "DIR"},
        {"device", 0, 0, G_OPTION_ARG_FILENAME, &o.device, "The card's device node (default /dev/sda)", "PATH"},
        {"system-bus", 0, 0, G_OPTION_ARG_NONE, &o.system_bus,
         "With --monitor: serve the card on the system bus as org.quorvex.Monitor1, for users who cannot open the "
         "device node (the system service)",
         nullptr},
        {"timeout", 't', 0, G_OPTION_ARG_INT, &o.timeout,
         "With --status, --json or --prometheus: report UNKNOWN (3) when the driver has not answered within SECONDS "
         "(default 10)",
         "SECONDS"},
        {nullptr, 0, 0, G_OPTION_ARG_NONE, nullptr, nullptr, nullptr},
    };
}

void say(const std::string& message) { std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str()); }

constexpr const char* kUsage =
    "Usage: quorvex-monitor [--status | --json | --prometheus=FILE | --monitor] [OPTION...] (--help lists the options)";

// With --status the reason is the first line a monitoring system shows; the usage line
// follows on stderr.
int refuse(const std::string& why, bool text)
{
    if (text) {
        std::printf("QUORVEX %s - %s\n", kExitStatusWords[kExitUnknown], why.c_str());
        std::fflush(stdout);
    } else {
        say(why);
    }
    std::fprintf(stderr, "%s\n", kUsage);
    return kExitUnknown;
}

bool asks_for_text(int argc, char** argv)
{
    bool status = false, json = false;
    for (int k = 1; k < argc; ++k) {
        status = status || std::strcmp(argv[k], "--status") == 0;
        json = json || std::strcmp(argv[k], "--json") == 0;
    }
    return status && !json;
}

CardStatus no_answer_within(int seconds)
{
    CardStatus card;
    card.failure = "no answer from the driver within " + std::to_string(seconds) + " s";
    return card;
}

struct Reading {
    CardStatus card;
    std::time_t time;
    const char* source;
    bool answered; // false when the driver never answered within the limit
};

// The card itself; when this user cannot open the device node, the system service's
// latest scan; when neither, both reasons.
Reading read_card(int timeout)
{
    const std::optional<CardStatus> collected = collect_card_status_within(std::chrono::seconds(timeout));
    if (!collected)
        return {no_answer_within(timeout), clock_seconds(), "device", false};
    Reading reading{*collected, clock_seconds(), "device", true};
    if (reading.card.card_found || last_device_failure().step != DeviceStep::Open)
        return reading;
    std::string why;
    if (const auto document = read_service_status(&why)) {
        std::time_t scanned = 0;
        if (auto card = card_status_from_json(*document, &scanned))
            return {std::move(*card), scanned, "service", true};
        why = "the system service org.quorvex.Monitor1 has no status yet";
    }
    reading.card.failure += "; " + why;
    return reading;
}

int answer(const Options& o)
{
    const auto [card, now, source, answered] = read_card(o.timeout);
    int status = overall_status(card);
    if (!card.card_found && !o.text())
        say(card.failure);
    if (o.json)
        std::fputs(status_json(card, now, source).c_str(), stdout);
    else if (o.status)
        std::fputs(status_text(card).c_str(), stdout);
    std::fflush(stdout);
    if (o.prometheus) {
        if (int error = write_metrics_file(o.prometheus, card, now)) {
            say(std::string("cannot write ") + o.prometheus + ": " + std::strerror(error));
            // Alone the file is the answer; beside --status or --json the card's state is.
            if (!o.status && !o.json)
                status = kExitUnknown;
        }
    }
    // The thread of the unanswered request may never return: nothing may wait for it.
    if (!answered) {
        std::fflush(stderr);
        std::_Exit(status);
    }
    return status;
}

bool serving_bus = false;
bool bus_lost = false;

// With --monitor: after every scan the metrics file, written as --prometheus writes it, and
// the system service's Status; one reading for both.
void after_monitor_scan()
{
    const CardStatus card = collect_card_status();
    const std::time_t now = clock_seconds();
    if (serving_bus)
        publish_status(card, now);
    if (metrics_path.empty())
        return;
    if (int error = write_metrics_file(metrics_path, card, now))
        say("cannot write " + metrics_path + ": " + std::strerror(error));
}

// Without its name the service serves nobody: it ends, and its manager may start it again.
void on_bus_name_lost()
{
    bus_lost = true;
    request_monitor_stop();
}

int watch(const Options& o)
{
    MonitorOptions monitor;
    if (o.on_event)
        monitor.on_event = o.on_event;
    monitor.test_event = o.test_event;
    if (o.prometheus)
        metrics_path = o.prometheus;
    serving_bus = o.system_bus;
    if (o.prometheus || o.system_bus)
        monitor.after_scan = after_monitor_scan;
    if (o.system_bus) {
        monitor.on_report = publish_event;
        // The name is taken once the loop runs, after the first scan set Status.
        serve_system_bus(on_bus_name_lost);
    }
    const int status = run_resident_monitor(monitor);
    if (o.system_bus)
        stop_serving_system_bus();
    return bus_lost ? 1 : status;
}

} // namespace

std::optional<int> run_command_line(int& argc, char**& argv, const std::vector<GOptionEntry>& extra)
{
    Options options;
    std::vector<GOptionEntry> entries = option_entries(options);
    entries.insert(entries.end() - 1, extra.begin(), extra.end());
    GOptionContext* context = g_option_context_new(nullptr);
    g_option_context_set_summary(context, "Monitor of the Halvoren IDE RAID cards: a window on the desktop, or one answer "
                                          "on the command line for scripts and monitoring systems, or a resident watch "
                                          "without a display (--monitor).");
    g_option_context_set_description(context, "The window also takes the toolkit's options, such as --display=DISPLAY: "
                                              "--help-gtk lists them.");
    g_option_context_add_main_entries(context, entries.data(), nullptr);
    // The toolkit's own options (--display and the like) are left for it.
    g_option_context_set_ignore_unknown_options(context, TRUE);
    const bool text = asks_for_text(argc, argv);
    GError* error = nullptr;
    const bool parsed = g_option_context_parse(context, &argc, &argv, &error);
    g_option_context_free(context);
    if (!parsed) {
        gchar* valid = g_utf8_make_valid(error->message, -1);
        const std::string why = valid;
        g_free(valid);
        g_error_free(error);
        return refuse(why, text);
    }
    // Only the window's toolkit may take what is left.
    const bool window = !options.version && !options.monitor && !options.notify && !options.headless();
    if (!window && argc > 1)
        return refuse(leftover_argument(argc, argv), text);
    if (options.timeout < 1)
        return refuse("--timeout takes a number of seconds from 1", text);
    if (options.version) {
        std::printf("%s %s\n", kProgramName, kProgramVersion);
        return 0;
    }
    if (options.device)
        set_device_path(options.device);
    if (options.system_bus && !options.monitor) {
        say("--system-bus serves the card only with --monitor");
        return kExitUnknown;
    }
    if (options.monitor)
        return watch(options);
    if (options.notify)
        return run_notification_agent();
    if (!options.headless())
        return std::nullopt;
    return answer(options);
}

std::string leftover_argument(int argc, char** argv)
{
    if (argc < 2)
        return {};
    const char* first = argv[1];
    return (first[0] == '-' && first[1] != '\0' ? "unknown option " : "unexpected argument ") + printable_text(first);
}

int refuse_command_line(const std::string& why) { return refuse(why, false); }
