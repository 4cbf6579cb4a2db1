// The system service and its clients on a private bus standing in for the system bus, with
// polkit's answers from a mock: the service runs in this process on the simulated card, so
// its device transcript shows what reached the device.
#include "demo_card.h"
#include "demo_scenario.h"
#include "driver/driver_records.h"
#include "service/system_bus_service.h"
#include "status/status_report.h"

#include "private_bus.h"

#include <nlohmann/json.hpp>

namespace {

std::string codes_of(const std::vector<SimEvent>& requests)
{
    std::string codes;
    for (const SimEvent& r : requests)
        codes += std::to_string(r.code - 0x3800) + " ";
    return codes;
}

} // namespace

TEST_F(PrivateBus, RequestsPassOnlyByTheRulesAndPolkit)
{
    // outcome: result, output size and the codes the device saw (less 0x3800), or the D-Bus error;
    // refused: the service's line about the caller, up to the uid.
    struct Case { std::uint32_t code; std::vector<guint8> input; std::vector<const char*> allowed; const char *outcome, *refused; };
    const char *read = "org.quorvex.monitor.read", *manage = "org.quorvex.monitor.manage";
    // A read allowed is remembered for a while, so the refused read comes first.
    const Case cases[] = {
        {0x3807, {}, {manage}, "-1 60: ", "refused request 0x3807 (org.quorvex.monitor.read)"},
        {0x3807, {}, {read}, "0 60: 7 ", ""},
        {0x3801, {1}, {read}, "0 204: 1 ", ""},
        {0x3802, {'1'}, {read}, "0 520: 2 ", ""},
        {0x3803, {}, {read}, "0 128: 3 ", ""},
        {0x3809, {}, {read}, "0 204: 9 ", ""},
        {0x3804, {1}, {manage}, "0 0: 4 ", ""},
        {0x3805, {'2', '0'}, {read, manage}, "0 0: 5 ", ""},
        {0x3805, {'2', '1'}, {read}, "-1 0: ", "refused request 0x3805 (org.quorvex.monitor.manage)"},
        {0x3801, {}, {read}, kInvalidRequestError, ""},
        {0x3801, {0, 0}, {read}, kInvalidRequestError, ""},
        {0x3805, {'2'}, {manage}, kInvalidRequestError, ""},
        {0x3806, {}, {read, manage}, kInvalidRequestError, ""},
        {0x5301, {0}, {read, manage}, kInvalidRequestError, ""},
    };
    SimulatedCard card = make_demo_card();
    serve(card);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.code << " input " << c.input.size());
        allow(c.allowed);
        card.clear_log();
        testing::internal::CaptureStderr();
        std::string outcome;
        g_autoptr(GVariant) reply = call(kServiceName, kServicePath, kServiceInterface, "Request",
                                         g_variant_new("(u@ay)", c.code, g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, c.input.data(), c.input.size(), 1)),
                                         &outcome);
        if (reply)
            outcome = std::to_string(g_variant_get_int32(g_variant_get_child_value(reply, 0))) + " " +
                      std::to_string(g_variant_n_children(g_variant_get_child_value(reply, 1))) + ": " + codes_of(card.requests());
        EXPECT_EQ(outcome, c.outcome);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  *c.refused ? "quorvex-monitor: " + std::string(c.refused) + " to uid " + std::to_string(getuid()) + "\n" : "");
        EXPECT_TRUE(card.all_closed());
    }
    EXPECT_FALSE(card.drives[1].powered);
}

TEST_F(PrivateBus, StatusAndEventsAreSignalledOncePerChange)
{
    SimulatedCard card = make_demo_card();
    serve(card);
    std::vector<std::string> seen;
    g_dbus_connection_signal_subscribe(client_, kServiceName, nullptr, nullptr, kServicePath, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
                                       [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                                          GVariant* parameters, gpointer list) {
                                           const gchar* status = nullptr;
                                           g_autofree gchar* text = g_variant_print(parameters, FALSE);
                                           if (g_str_equal(signal, "PropertiesChanged"))
                                               g_variant_lookup(g_variant_get_child_value(parameters, 1), "Status", "&s", &status);
                                           static_cast<std::vector<std::string>*>(list)->push_back(status ? status : text);
                                       }, &seen, nullptr);
    // The match rule goes to the bus unanswered: a round trip after it, so no signal is missed.
    g_autoptr(GVariant) bus_id = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId", nullptr);
    ASSERT_TRUE(bus_id);
    const CardStatus healthy = collect_card_status();
    card.arrays[0].status = DemoScenario::kFailedStatus;
    const CardStatus degraded = collect_card_status();
    publish_status(healthy, 100);
    publish_status(healthy, 108);
    publish_status(degraded, 116);
    publish_event({"ArrayDegraded", "1", "Critical"}, 116);
    publish_event({"DriverEvent", "-", "Dec  7 21:00:00 host kernel: HALVOREN|drive 2 \xff failed"}, 117);
    publish_status(degraded, 124);
    // A round trip after the signals: every signal sent before it has arrived.
    g_autoptr(GVariant) status = call(kServiceName, kServicePath, "org.freedesktop.DBus.Properties", "Get",
                                      g_variant_new("(ss)", kServiceInterface, "Status"));
    ASSERT_TRUE(status);
    EXPECT_EQ(seen, (std::vector<std::string>{status_json(healthy, 100, "device"), status_json(degraded, 116, "device"),
                                              "('ArrayDegraded', '1', 'Critical', 116)",
                                              "('DriverEvent', '-', 'Dec  7 21:00:00 host kernel: HALVOREN|drive 2 \xef\xbf\xbd failed', 117)"}));
    EXPECT_EQ(g_variant_get_string(g_variant_get_variant(g_variant_get_child_value(status, 0)), nullptr),
              status_json(degraded, 124, "device"));
}

// What a user without access to the device node gets from the service (the demo card behind
// the resident monitor) is what root gets from the device, but for the source and the time.
// The window's side is in service_window_test.cpp.
TEST_F(PrivateBus, ClientsOfTheServiceSeeWhatTheDeviceShows)
{
    allow({"org.quorvex.monitor.read"});
    for (const char* state : {"--demo-state=healthy", "--demo-state=degraded"}) {
        SCOPED_TRACE(state);
        Spawned service{g_subprocess_new(G_SUBPROCESS_FLAGS_STDERR_SILENCE, nullptr, QUORVEX_DEMO_BINARY, "--monitor",
                                         "--system-bus", state, nullptr)};
        ASSERT_TRUE(wait_for_owner(kServiceName));
        for (const char* option : {"--status", "--json"}) {
            const Answer direct = run({QUORVEX_DEMO_BINARY, option, state});
            const Answer served = run({QUORVEX_MONITOR_BINARY, option, "--device=/nonexistent"});
            EXPECT_EQ(served.status, direct.status);
            EXPECT_EQ(served.err, direct.err);
            if (option == std::string("--status")) {
                EXPECT_EQ(served.out, direct.out);
                continue;
            }
            auto document = nlohmann::ordered_json::parse(served.out), own = nlohmann::ordered_json::parse(direct.out);
            EXPECT_EQ(document["source"].dump() + own["source"].dump(), R"("service""device")");
            EXPECT_LE(own["time"].get<int>() - document["time"].get<int>(), 8) << "the service's latest scan";
            document["time"] = own["time"];
            document["source"] = own["source"];
            EXPECT_EQ(document.dump(2) + "\n", direct.out);
        }
    }
    const Answer neither = run({QUORVEX_MONITOR_BINARY, "--status", "--device=/nonexistent"});
    EXPECT_EQ(neither.status, 3);
    // Both reasons in the first line, and nothing on stderr.
    EXPECT_EQ(neither.out.substr(0, neither.out.find('\n')) + neither.err,
              "QUORVEX UNKNOWN - cannot open /nonexistent: No such file or directory; the system service "
              "org.quorvex.Monitor1 is not running (sudo systemctl enable --now quorvex-monitor)");
}
