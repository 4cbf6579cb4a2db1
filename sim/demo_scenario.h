// The demo's scripted event, played on a loop on the demo card: a member drive of the
// mirroring array (arrays[0]) fails, the driver rebuilds it over a minute, and the array
// is functional again. Like the real driver, the card side writes a "HALVOREN|" line to
// the system log file at the failure and at the end of the rebuild.
#pragma once

#include "simulated_driver.h"

#include <string>

class DemoScenario {
public:
    // Seconds within one loop. Each event falls a few seconds before an inventory scan
    // of the monitor's 39-second cycle (the loop is five cycles long), so its log line is
    // still recent when the scan reads it.
    static constexpr int kFailAt = 44;
    static constexpr int kRebuildAt = 60;
    static constexpr int kRebuildSeconds = 60;
    static constexpr int kFunctionalAt = 123;
    static constexpr int kLength = 195;

    // The failing drive: position 1, the second member of the mirroring array.
    static constexpr int kFailingPosition = 1;
    static constexpr std::uint8_t kFailedStatus = 0x22;
    static constexpr std::uint8_t kFunctionalStatus = 15;

    DemoScenario(SimulatedCard& card, std::string system_log);

    // Puts the card as it is during the scripted failure ("degraded") or rebuild
    // ("rebuilding"); "healthy" leaves it. False for any other state.
    static bool put_in_state(SimulatedCard& card, const std::string& state);

    // One second of the scenario; the time of the log lines comes from gettimenow.
    void step();
    // Seconds into the current loop, 0 before the first step.
    int second() const { return second_; }

private:
    void fail_drive();
    void start_rebuild();
    void advance_rebuild();
    void finish_rebuild();
    void write_event(const std::string& text) const;

    SimulatedCard& card_;
    std::string system_log_;
    int second_ = 0;
};
