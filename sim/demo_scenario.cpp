#include "demo_scenario.h"

#include "base/unique_file.h"
#include "monitor/log_watch.h"

#include <cstdint>
#include <utility>

DemoScenario::DemoScenario(SimulatedCard& card, std::string system_log)
    : card_(card), system_log_(std::move(system_log))
{
}

bool DemoScenario::put_in_state(SimulatedCard& card, const std::string& state)
{
    if (state == "healthy")
        return true;
    if (state != "degraded" && state != "rebuilding")
        return false;
    SimArray& mirror = card.arrays[0];
    mirror.status = kFailedStatus;
    if (state == "rebuilding") {
        mirror.rebuild_mask = mirror.busy_mask = 1u << kFailingPosition;
        mirror.progress = mirror.size_mb / 2;
    }
    return true;
}

void DemoScenario::step()
{
    if (++second_ > kLength)
        second_ = 1;
    if (second_ == kFailAt)
        fail_drive();
    else if (second_ == kRebuildAt)
        start_rebuild();
    else if (second_ > kRebuildAt && second_ <= kRebuildAt + kRebuildSeconds)
        advance_rebuild();
    else if (second_ == kFunctionalAt)
        finish_rebuild();
}

void DemoScenario::fail_drive()
{
    SimArray& mirror = card_.arrays[0];
    mirror.status = kFailedStatus;
    write_event("Array " + std::to_string(mirror.number) + " drive " + std::to_string(kFailingPosition + 1) +
                " failed");
}

void DemoScenario::start_rebuild()
{
    SimArray& mirror = card_.arrays[0];
    mirror.progress = 0;
    mirror.rebuild_mask = 1u << kFailingPosition;
    mirror.busy_mask = 1u << kFailingPosition;
}

void DemoScenario::advance_rebuild()
{
    SimArray& mirror = card_.arrays[0];
    const std::uint64_t done = static_cast<std::uint64_t>(second_ - kRebuildAt);
    mirror.progress = static_cast<std::uint32_t>(mirror.size_mb * done / kRebuildSeconds);
}

void DemoScenario::finish_rebuild()
{
    SimArray& mirror = card_.arrays[0];
    mirror.status = kFunctionalStatus;
    mirror.progress = 0;
    mirror.rebuild_mask = 0;
    mirror.busy_mask = 0;
    write_event("Array " + std::to_string(mirror.number) + " drive " + std::to_string(kFailingPosition + 1) +
                " rebuilt, array functional");
}

// "Dec  6 20:31:05 quorvex kernel: HALVOREN|...": the marker starts at column 32.
void DemoScenario::write_event(const std::string& text) const
{
    char now[26];
    gettimenow(now);
    const std::string line = std::string(now + 4, 15) + " quorvex kernel: HALVOREN|" + text + "\n";
    UniqueFile log(system_log_.c_str(), "a");
    if (log)
        std::fputs(line.c_str(), log.get());
}
