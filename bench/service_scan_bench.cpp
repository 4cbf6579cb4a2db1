// One complete inventory scan through the system service (the demo card behind
// quorvex-monitor-demo --monitor --system-bus on a private bus, polkit's answers from the
// python3-dbusmock template allowing reads) beside the same scan on the simulated card itself.
#include "demo_card.h"
#include "inventory/inventory_scan.h"
#include "service/service_client.h"
#include "service/system_bus_service.h"

#include <benchmark/benchmark.h>
#include <gio/gio.h>

#include <fstream>
#include <string>

namespace {

GSubprocess* spawn(const char* const* argv, GSubprocessFlags flags = G_SUBPROCESS_FLAGS_STDOUT_SILENCE)
{
    return g_subprocess_newv(argv, GSubprocessFlags(flags | G_SUBPROCESS_FLAGS_STDERR_SILENCE), nullptr);
}

bool name_owned(GDBusConnection* bus, const char* name)
{
    for (int k = 0; k < 500; ++k, g_usleep(10000)) {
        g_autoptr(GVariant) owned = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                                                "NameHasOwner", g_variant_new("(s)", name), nullptr,
                                                                G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr);
        if (owned && g_variant_get_boolean(g_variant_get_child_value(owned, 0)))
            return true;
    }
    return false;
}

// The bus, the polkit mock and the service, for the life of the benchmark process.
struct ServiceOnPrivateBus {
    GSubprocess *daemon = nullptr, *polkit = nullptr, *service = nullptr;
    bool ready = false;

    ServiceOnPrivateBus()
    {
        const std::string config = std::string(g_get_tmp_dir()) + "/quorvex-bench-bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                 "<policy context='default'><allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/>"
                                 "<allow own='*'/></policy></busconfig>";
        const std::string config_option = "--config-file=" + config;
        const char* bus_argv[] = {"dbus-daemon", "--nofork", config_option.c_str(), "--print-address", nullptr};
        daemon = spawn(bus_argv, G_SUBPROCESS_FLAGS_STDOUT_PIPE);
        g_autoptr(GDataInputStream) out = daemon ? g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon)) : nullptr;
        g_autofree gchar* address = out ? g_data_input_stream_read_line(out, nullptr, nullptr, nullptr) : nullptr;
        if (!address)
            return;
        g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address, TRUE);
        g_autoptr(GDBusConnection) bus = g_dbus_connection_new_for_address_sync(
            address, GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        const char* polkit_argv[] = {"/usr/bin/python3", "-m", "dbusmock", "--template", "polkitd", nullptr};
        polkit = spawn(polkit_argv);
        if (!bus || !name_owned(bus, "org.freedesktop.PolicyKit1"))
            return;
        const char* read[] = {"org.quorvex.monitor.read", nullptr};
        g_autoptr(GVariant) allowed = g_dbus_connection_call_sync(bus, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
                                                                  "org.freedesktop.DBus.Mock", "SetAllowed", g_variant_new("(^as)", read),
                                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
        const char* service_argv[] = {QUORVEX_DEMO_BINARY, "--monitor", "--system-bus", nullptr};
        service = spawn(service_argv);
        ready = allowed && name_owned(bus, kServiceName);
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
};

void scan(benchmark::State& state)
{
    for (auto _ : state)
        if (gtkReadFile() != 1) {
            state.SkipWithError("the scan found no card");
            break;
        }
}

} // namespace

static void BM_InventoryScanDirect(benchmark::State& state)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    scan(state);
    uninstall_simulated_driver();
}
BENCHMARK(BM_InventoryScanDirect)->Unit(benchmark::kMicrosecond);

static void BM_InventoryScanThroughService(benchmark::State& state)
{
    static ServiceOnPrivateBus service;
    SimulatedCard card = make_demo_card();
    card.fail_open = true; // this process cannot open the device node
    install_simulated_driver(card);
    std::string why;
    if (!service.ready || !route_requests_through_service(&why))
        state.SkipWithError(("no service on the private bus " + why).c_str());
    else
        scan(state);
    uninstall_simulated_driver();
}
BENCHMARK(BM_InventoryScanThroughService)->Unit(benchmark::kMicrosecond)->UseRealTime();
