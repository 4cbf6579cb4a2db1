#include "demo_card.h"
#include "inventory/inventory_scan.h"

#include <benchmark/benchmark.h>

// One complete inventory scan of the demo machine through the simulated driver.
static void BM_InventoryScan(benchmark::State& state)
{
    SimulatedCard card = make_demo_card();
    install_simulated_driver(card);
    for (auto _ : state) {
        benchmark::DoNotOptimize(gtkReadFile());
        card.clear_log();
    }
    uninstall_simulated_driver();
}
BENCHMARK(BM_InventoryScan)->Unit(benchmark::kMicrosecond);
