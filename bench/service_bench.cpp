// The system service: the demo card behind quorvex-monitor-demo --monitor --system-bus on a
// private bus, polkit's answers from the python3-dbusmock template allowing reads.
// - one inventory scan through the service beside the same scan on the simulated card;
// - the service's ticks and memory while a client calls Request in a tight loop for 10 s;
// - the service's CPU time while one window-like client scans through it every 8 s.
// The service writes the monotonic time of each tick to a file (--demo-tick-times); a
// tick's delay is how much later it ran than its timer was set for.
#include "demo_card.h"
#include "driver/driver_records.h"
#include "inventory/inventory_scan.h"
#include "service/service_client.h"
#include "service/system_bus_service.h"

#include <benchmark/benchmark.h>
#include <gio/gio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// bus: the address the process finds as its system bus; null: this process's.
GSubprocess* spawn(const char* const* argv, const char* bus = nullptr, GSubprocessFlags flags = G_SUBPROCESS_FLAGS_STDOUT_SILENCE)
{
    g_autoptr(GSubprocessLauncher) launcher = g_subprocess_launcher_new(GSubprocessFlags(flags | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
    if (bus)
        g_subprocess_launcher_setenv(launcher, "DBUS_SYSTEM_BUS_ADDRESS", bus, TRUE);
    return g_subprocess_launcher_spawnv(launcher, argv, nullptr);
}

bool name_owned(GDBusConnection* bus, const char* name)
{
    for (int k = 0; k < 500; ++k, g_usleep(10000)) {
        g_autoptr(GVariant) owned = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                                                "NameHasOwner", g_variant_new("(s)", name), G_VARIANT_TYPE("(b)"),
                                                                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
        gboolean yes = FALSE;
        if (owned)
            g_variant_get(owned, "(b)", &yes);
        if (yes)
            return true;
    }
    return false;
}

// The bus, the polkit mock and the service, for the life of the benchmark process.
struct ServiceOnPrivateBus {
    GSubprocess *daemon = nullptr, *polkit = nullptr, *service = nullptr;
    std::string address, tick_file, pid;
    bool ready = false;

    // program: the service to run; for_clients: the clients in this process find it as GLib
    // finds the system bus.
    explicit ServiceOnPrivateBus(const char* program, bool for_clients = true)
    {
        const std::string dir = g_get_tmp_dir();
        const std::string config = dir + "/quorvex-bench-bus.conf";
        tick_file = dir + "/quorvex-bench-ticks";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                 "<policy context='default'><allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/>"
                                 "<allow own='*'/></policy></busconfig>";
        const std::string config_option = "--config-file=" + config;
        const char* bus_argv[] = {"dbus-daemon", "--nofork", config_option.c_str(), "--print-address", nullptr};
        daemon = spawn(bus_argv, nullptr, G_SUBPROCESS_FLAGS_STDOUT_PIPE);
        g_autoptr(GDataInputStream) out = daemon ? g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon)) : nullptr;
        g_autofree gchar* line = out ? g_data_input_stream_read_line(out, nullptr, nullptr, nullptr) : nullptr;
        if (!line)
            return;
        address = line;
        if (for_clients)
            g_setenv("DBUS_SYSTEM_BUS_ADDRESS", line, TRUE);
        g_autoptr(GDBusConnection) bus = connect();
        const char* polkit_argv[] = {"/usr/bin/python3", "-m", "dbusmock", "--template", "polkitd", nullptr};
        polkit = spawn(polkit_argv, line);
        if (!bus || !name_owned(bus, "org.freedesktop.PolicyKit1"))
            return;
        const char* read[] = {"org.quorvex.monitor.read", nullptr};
        g_autoptr(GVariant) allowed = g_dbus_connection_call_sync(bus, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
                                                                  "org.freedesktop.DBus.Mock", "SetAllowed", g_variant_new("(^as)", read),
                                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
        const std::string ticks_option = "--demo-tick-times=" + tick_file;
        const bool demo = std::string(program) == QUORVEX_DEMO_BINARY;
        const char* service_argv[] = {program, "--monitor", "--system-bus", demo ? ticks_option.c_str() : nullptr, nullptr};
        service = spawn(service_argv, address.c_str());
        ready = allowed && service && name_owned(bus, kServiceName);
        if (ready)
            pid = g_subprocess_get_identifier(service);
    }
    ~ServiceOnPrivateBus()
    {
        for (GSubprocess* process : {service, polkit, daemon})
            if (process) {
                g_subprocess_force_exit(process);
                g_subprocess_wait(process, nullptr, nullptr);
                g_object_unref(process);
            }
    }

    // A connection of its own, as another client's would be.
    GDBusConnection* connect() const
    {
        return g_dbus_connection_new_for_address_sync(
            address.c_str(), GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
    }

    long resident_kib() const
    {
        std::ifstream status("/proc/" + pid + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stol(line.substr(6));
        return -1;
    }

    // Time on a CPU of all the service's threads, in nanoseconds.
    long long cpu_ns() const
    {
        long long total = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/" + pid + "/task")) {
            long long ns = 0;
            std::ifstream(task.path() / "schedstat") >> ns;
            total += ns;
        }
        return total;
    }

    // The largest delay, in microseconds, of the tick batches that started in [from, to).
    // A batch is the ticks the service runs together after one timer of as many seconds.
    long long worst_tick_delay_us(gint64 from, gint64 to, int* batches) const
    {
        std::vector<gint64> times;
        std::ifstream in(tick_file);
        for (gint64 t; in >> t;)
            times.push_back(t);
        long long worst = -1;
        *batches = 0;
        for (std::size_t start = 1, previous_end = 0; start < times.size();) {
            if (times[start] - times[start - 1] < 500000) {
                ++start;
                continue;
            }
            previous_end = start - 1;
            std::size_t end = start;
            while (end + 1 < times.size() && times[end + 1] - times[end] < 500000)
                ++end;
            if (end + 1 == times.size())
                break; // the batch may still be running
            const gint64 set_for = times[previous_end] + static_cast<gint64>(end - start + 1) * 1000000;
            if (times[start] >= from && times[start] < to) {
                worst = std::max<long long>(worst, times[start] - set_for);
                ++*batches;
            }
            start = end + 1;
        }
        return worst;
    }
};

ServiceOnPrivateBus& service_on_private_bus()
{
    static ServiceOnPrivateBus service(QUORVEX_DEMO_BINARY);
    return service;
}

bool scan_once() { return gtkReadFile() == 1; }

void scan(benchmark::State& state)
{
    for (auto _ : state)
        if (!scan_once()) {
            state.SkipWithError("the scan found no card");
            break;
        }
}

// Installs the demo card, closed to this process, and routes the requests to the service.
bool use_service(benchmark::State& state, SimulatedCard& card)
{
    card.fail_open = true;
    install_simulated_driver(card);
    std::string why;
    if (service_on_private_bus().ready && route_requests_through_service(&why))
        return true;
    state.SkipWithError(("no service on the private bus " + why).c_str());
    return false;
}

// One driver request, as the window sends them.
bool request_version(GDBusConnection* bus)
{
    g_autoptr(GVariant) reply = g_dbus_connection_call_sync(
        bus, kServiceName, kServicePath, kServiceInterface, "Request",
        g_variant_new("(u@ay)", kRequestVersion, g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, nullptr, 0, 1)),
        G_VARIANT_TYPE("(iay)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
    gint32 result = -1;
    if (reply)
        g_variant_get_child(reply, 0, "i", &result);
    return result >= 0;
}

} // namespace

static void BM_InventoryScanDirect(benchmark::State& state)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    card.clear_log();
    scan_once();
    state.counters["requests_per_scan"] = static_cast<double>(card.requests().size());
    scan(state);
    uninstall_simulated_driver();
}
BENCHMARK(BM_InventoryScanDirect)->Unit(benchmark::kMicrosecond);

static void BM_InventoryScanThroughService(benchmark::State& state)
{
    SimulatedCard card = make_demo_card();
    if (use_service(state, card))
        scan(state);
    uninstall_simulated_driver();
}
BENCHMARK(BM_InventoryScanThroughService)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Waits until at least `seconds` passed and a tick batch started meanwhile (at most 40 s):
// an idle service's batches can be 15 s apart. `work` runs in between; false stops early.
template <typename Work>
gint64 span_with_a_tick(const ServiceOnPrivateBus& service, gint64 seconds, Work work)
{
    const gint64 from = g_get_monotonic_time();
    int batches = 0;
    for (gint64 now = from; now - from < 40 * G_USEC_PER_SEC; now = g_get_monotonic_time()) {
        if (now - from >= seconds * G_USEC_PER_SEC && (service.worst_tick_delay_us(from, now, &batches), batches > 0))
            return now;
        if (!work())
            break;
    }
    return g_get_monotonic_time();
}

// A quiet span, then a client calling Request as fast as the service answers for 10 s (more
// if no tick fell within them).
static void BM_ServiceUnderRequestLoad(benchmark::State& state)
{
    ServiceOnPrivateBus& service = service_on_private_bus();
    g_autoptr(GDBusConnection) client = service.ready ? service.connect() : nullptr;
    if (!client) {
        state.SkipWithError("no service on the private bus");
        return;
    }
    for (auto _ : state) {
        const gint64 quiet_from = g_get_monotonic_time();
        const gint64 load_from = span_with_a_tick(service, 1, [] {
            g_usleep(100000);
            return true;
        });
        const long resident_before = service.resident_kib();
        long calls = 0, failed = 0;
        const gint64 load_to = span_with_a_tick(service, 10, [&] {
            for (int k = 0; k < 100; ++k, ++calls)
                failed += request_version(client) ? 0 : 1;
            return failed == 0;
        });
        // Let the last batch end before it is measured.
        g_usleep(2 * G_USEC_PER_SEC);
        int quiet_batches = 0, load_batches = 0;
        const long long quiet_delay = service.worst_tick_delay_us(quiet_from, load_from, &quiet_batches);
        const long long load_delay = service.worst_tick_delay_us(load_from, load_to, &load_batches);
        if (failed > 0 || load_batches == 0 || quiet_batches == 0) {
            const std::string why = std::to_string(failed) + " of " + std::to_string(calls) + " requests failed; ticks seen: " +
                                    std::to_string(quiet_batches) + " quiet, " + std::to_string(load_batches) + " loaded";
            state.SkipWithError(why.c_str());
            break;
        }
        state.counters["requests_per_s"] = static_cast<double>(calls) * G_USEC_PER_SEC / static_cast<double>(load_to - load_from);
        state.counters["tick_delay_quiet_ms"] = static_cast<double>(quiet_delay) / 1000.0;
        state.counters["tick_delay_loaded_ms"] = static_cast<double>(load_delay) / 1000.0;
        state.counters["tick_batches_loaded"] = load_batches;
        state.counters["rss_before_kib"] = static_cast<double>(resident_before);
        state.counters["rss_after_kib"] = static_cast<double>(service.resident_kib());
    }
}
BENCHMARK(BM_ServiceUnderRequestLoad)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The product's own service on a bus of its own, without a card (a machine whose card is
// not there): its resident memory once it serves.
static void BM_ServiceResidentMemory(benchmark::State& state)
{
    ServiceOnPrivateBus service(QUORVEX_MONITOR_BINARY, false);
    if (!service.ready) {
        state.SkipWithError("the service did not start on its bus");
        return;
    }
    for (auto _ : state) {
        g_usleep(3 * G_USEC_PER_SEC);
        state.counters["rss_kib"] = static_cast<double>(service.resident_kib());
    }
}
BENCHMARK(BM_ServiceResidentMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The window scans every 8 s; the service's CPU time over 40 s, scaled to an hour.
static void BM_ServiceCpuWithOneWindow(benchmark::State& state)
{
    SimulatedCard card = make_demo_card();
    if (!use_service(state, card))
        return;
    ServiceOnPrivateBus& service = service_on_private_bus();
    constexpr int kScans = 5;
    for (auto _ : state) {
        const long long cpu_before = service.cpu_ns();
        const gint64 from = g_get_monotonic_time();
        for (int k = 0; k < kScans; ++k) {
            if (!scan_once())
                state.SkipWithError("a scan through the service failed");
            g_usleep(8 * G_USEC_PER_SEC);
        }
        const double seconds = static_cast<double>(g_get_monotonic_time() - from) / G_USEC_PER_SEC;
        const double cpu_seconds = static_cast<double>(service.cpu_ns() - cpu_before) / 1e9;
        state.counters["cpu_s_per_hour"] = cpu_seconds * 3600.0 / seconds;
        state.counters["rss_kib"] = static_cast<double>(service.resident_kib());
    }
    uninstall_simulated_driver();
}
BENCHMARK(BM_ServiceCpuWithOneWindow)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
