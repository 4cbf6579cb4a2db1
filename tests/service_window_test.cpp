// The window of a user who cannot open the device node, served by the system service (the
// demo card behind the resident monitor, in a child): the same trees and pages as with the
// device itself; a service that stops costs failed scans, never a hang, until it is back.
#include "live_window_support.h"
#include "private_bus.h"

#include "demo_card.h"
#include "inventory/inventory_scan.h"
#include "service/service_client.h"

#include <chrono>

namespace {

// The trees and every page's lines, after the scan refilled them from nothing.
std::string scanned_window(int expected_scan)
{
    const std::pair<char*, std::size_t> tables[] = {{&channeldiskinfo[0][0][0], sizeof channeldiskinfo}, {&arraydiskinfo[0][0][0], sizeof arraydiskinfo},
                                                    {&arrayinfo[0][0][0], sizeof arrayinfo}, {&controllerinfo[0][0][0], sizeof controllerinfo},
                                                    {&channelinfo[0][0][0], sizeof channelinfo}};
    for (auto [table, size] : tables)
        std::memset(table, 0, size);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(gtkReadFile(), expected_scan);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    initgraph();
    std::string seen = describe_tree(treearray) + describe_tree(tree_of_page(1));
    for (auto [table, size] : tables)
        seen.append(table, size);
    return seen;
}

GSubprocess* start_service()
{
    return g_subprocess_new(G_SUBPROCESS_FLAGS_STDERR_SILENCE, nullptr, QUORVEX_DEMO_BINARY, "--monitor", "--system-bus", nullptr);
}

} // namespace

TEST_F(PrivateBus, WindowThroughTheServiceShowsWhatTheDeviceShows)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    open_test_window();
    allow({"org.quorvex.monitor.read"});
    const std::string direct = scanned_window(1);
    card.fail_open = true;
    std::string why;
    for (int run = 0; run < 2; ++run) {
        Spawned service{start_service()};
        ASSERT_TRUE(wait_for_owner(kServiceName));
        ASSERT_TRUE(run == 1 || route_requests_through_service(&why));
        EXPECT_EQ(scanned_window(1), direct);
    }
    // The service gone: a failed scan, at once.
    scanned_window(-1);
}
