#include "status/status_report.h"

#include "base/program.h"

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json or_null(const std::optional<T>& value)
{
    return value ? Json(*value) : Json(nullptr);
}

Json controllers_json(const CardStatus& card)
{
    Json list = Json::array();
    for (const ControllerStatus& c : card.controllers)
        list.push_back({{"controller", c.index + 1}, {"device_id", c.device_id}, {"model", c.model}, {"irq", c.irq}});
    return list;
}

Json arrays_json(const CardStatus& card)
{
    Json list = Json::array();
    for (const ArrayStatusEntry& a : card.arrays) {
        Json members = Json::array();
        for (int position : a.members)
            members.push_back(position + 1);
        list.push_back({{"array", a.number},
                        {"raid_mode", a.raid_mode},
                        {"state", kArrayStateNames[static_cast<int>(a.state)]},
                        {"size_bytes", a.size_bytes},
                        {"rebuild_progress_ratio", or_null(a.rebuild_ratio)},
                        {"members", members}});
    }
    return list;
}

Json drives_json(const CardStatus& card)
{
    Json list = Json::array();
    for (const DriveStatus& d : card.drives)
        list.push_back({{"position", d.position + 1},
                        {"controller", d.controller + 1},
                        {"channel", d.channel + 1},
                        {"role", d.role},
                        {"model", d.model},
                        {"size_bytes", d.size_bytes},
                        {"state", kDriveStateNames[static_cast<int>(d.state)]},
                        {"array", or_null(d.array_number)}});
    return list;
}

Json swap_boxes_json(const CardStatus& card)
{
    if (!card.swap_boxes)
        return nullptr;
    Json list = Json::array();
    for (const SwapBoxStatus& b : *card.swap_boxes)
        list.push_back({{"position", b.position + 1},
                        {"type", b.type},
                        {"fan_rpm", or_null(b.fan_rpm)},
                        {"temperature_celsius", or_null(b.temperature_celsius)},
                        {"vcc_volts", or_null(b.vcc_volts)},
                        {"v12_volts", or_null(b.v12_volts)}});
    return list;
}

const char* const kOverallNames[] = {"ok", "warning", "critical", "unknown"};

} // namespace

std::string status_json(const CardStatus& card, std::time_t now, const char* source)
{
    const ExitStatus status = overall_status(card);
    Json messages = Json::array();
    if (!card.card_found)
        messages.push_back(card.failure);
    else if (!card.swap_boxes)
        messages.push_back("swap boxes not read, the controller was busy");
    Json document = {
        {"json_format_version", {1, 1}},
        {"program", {{"name", kProgramName}, {"version", kProgramVersion}}},
        {"time", static_cast<std::int64_t>(now)},
        {"source", source},
        {"exit_status", static_cast<int>(status)},
        {"overall", kOverallNames[status]},
        {"summary", summary_line(card)},
        {"messages", messages},
        {"driver_version", card.card_found ? Json(card.driver_version) : Json(nullptr)},
        {"controllers", controllers_json(card)},
        {"arrays", arrays_json(card)},
        {"drives", drives_json(card)},
        {"swap_boxes", swap_boxes_json(card)},
    };
    return document.dump(2) + "\n";
}
