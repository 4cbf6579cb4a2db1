// The window of a user who cannot open the device node, served by the system service (the
// demo card behind the resident monitor, in a child): the same trees and pages as with the
// device itself, healthy, failed and rebuilding. A service that stops costs a failed scan at
// once, never a hang, and the window's next scan after its return works again.
#include "headless/private_bus.h"
#include "live_window_support.h"

#include "demo_card.h"
#include "demo_scenario.h"
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

} // namespace

TEST_F(PrivateBus, WindowThroughTheServiceShowsWhatTheDeviceShows)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    open_test_window();
    allow({"org.quorvex.monitor.read"});
    const std::string states[] = {"healthy", "degraded", "rebuilding"};
    std::vector<std::string> direct;
    for (const std::string& state : states) {
        card = make_demo_card();
        ASSERT_TRUE(DemoScenario::put_in_state(card, state));
        direct.push_back(scanned_window(1));
    }
    ASSERT_TRUE(direct[0] != direct[1] && direct[1] != direct[2]);
    card.fail_open = true;
    std::string why;
    for (std::size_t k = 0; k < std::size(states); ++k) {
        SCOPED_TRACE(states[k]);
        {
            const std::string state = "--demo-state=" + states[k];
            Spawned service{g_subprocess_new(G_SUBPROCESS_FLAGS_STDERR_SILENCE, nullptr, QUORVEX_DEMO_BINARY, "--monitor",
                                             "--system-bus", state.c_str(), nullptr)};
            ASSERT_TRUE(wait_for_owner(kServiceName));
            // The port is installed once; the services after the first serve it as they come.
            ASSERT_TRUE(k > 0 || route_requests_through_service(&why)) << why;
            EXPECT_EQ(scanned_window(1), direct[k]);
        }
        scanned_window(-1);
    }
}
