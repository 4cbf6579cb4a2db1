#include "status/status_report.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>

namespace {

using Json = nlohmann::json;

// The model keeps its names as the program's own constants.
template <std::size_t N>
const char* name_among(const char* const (&names)[N], const std::string& text)
{
    const auto* found = std::find_if(std::begin(names), std::end(names), [&](const char* name) { return text == name; });
    if (found == std::end(names))
        throw std::out_of_range("unknown name " + text);
    return *found;
}

template <std::size_t N>
int index_among(const char* const (&names)[N], const std::string& text)
{
    return static_cast<int>(std::distance(std::begin(names), std::find(std::begin(names), std::end(names),
                                                                          name_among(names, text))));
}

template <typename T>
std::optional<T> optional_of(const Json& value)
{
    return value.is_null() ? std::nullopt : std::optional<T>(value.get<T>());
}

constexpr const char* kRaidModes[] = {"striping", "mirroring", "unknown"};
constexpr const char* kRoles[] = {"master", "slave"};
constexpr const char* kBoxTypes[] = {"universal", "ternlift66", "oem", "marlinbay", "unknown"};

ArrayStatusEntry array_of(const Json& a, int index)
{
    ArrayStatusEntry array;
    array.index = index;
    array.number = a.at("array");
    array.raid_mode = name_among(kRaidModes, a.at("raid_mode"));
    array.state = static_cast<ArrayState>(index_among(kArrayStateNames, a.at("state")));
    array.size_bytes = a.at("size_bytes");
    array.rebuild_ratio = optional_of<double>(a.at("rebuild_progress_ratio"));
    for (int member : a.at("members"))
        array.members.push_back(member - 1);
    return array;
}

DriveStatus drive_of(const Json& d)
{
    DriveStatus drive;
    drive.position = d.at("position").get<int>() - 1;
    drive.controller = d.at("controller").get<int>() - 1;
    drive.channel = d.at("channel").get<int>() - 1;
    drive.role = name_among(kRoles, d.at("role"));
    drive.model = d.at("model");
    drive.size_bytes = d.at("size_bytes");
    drive.state = static_cast<DriveState>(index_among(kDriveStateNames, d.at("state")));
    drive.array_number = optional_of<int>(d.at("array"));
    return drive;
}

SwapBoxStatus swap_box_of(const Json& b)
{
    return {b.at("position").get<int>() - 1, name_among(kBoxTypes, b.at("type")), optional_of<int>(b.at("fan_rpm")),
            optional_of<int>(b.at("temperature_celsius")), optional_of<double>(b.at("vcc_volts")),
            optional_of<double>(b.at("v12_volts"))};
}

CardStatus card_of(const Json& document)
{
    CardStatus card;
    card.card_found = !document.at("driver_version").is_null();
    if (!card.card_found) {
        card.failure = document.at("messages").at(0);
        return card;
    }
    card.driver_version = document.at("driver_version");
    for (const Json& c : document.at("controllers"))
        card.controllers.push_back({c.at("controller").get<int>() - 1, c.at("device_id"), c.at("model"), c.at("irq")});
    for (const Json& a : document.at("arrays"))
        card.arrays.push_back(array_of(a, static_cast<int>(card.arrays.size())));
    for (const Json& d : document.at("drives"))
        card.drives.push_back(drive_of(d));
    if (!document.at("swap_boxes").is_null()) {
        card.swap_boxes.emplace();
        for (const Json& b : document.at("swap_boxes"))
            card.swap_boxes->push_back(swap_box_of(b));
    }
    return card;
}

} // namespace

std::optional<CardStatus> card_status_from_json(const std::string& text, std::time_t* scanned)
{
    try {
        const Json document = Json::parse(text);
        CardStatus card = card_of(document);
        *scanned = document.at("time").get<std::int64_t>();
        return card;
    } catch (const Json::exception&) {
        return std::nullopt;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}
