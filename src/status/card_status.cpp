#include "status/card_status.h"

#include "base/bounded_text.h"
#include "driver/driver_records.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <thread>

namespace {

constexpr std::uint64_t kBytesPerMegabyte = 1024 * 1024;

const char* box_type_name(std::uint8_t type)
{
    switch (type) {
    case 0:
        return "universal";
    case 1:
        return "ternlift66";
    case 16:
        return "oem";
    case 17:
        return "marlinbay";
    default:
        return "unknown";
    }
}

void read_controllers(CardStatus& card)
{
    char text[kVersionSize + 1] = {};
    std::memcpy(text, version, kVersionSize);
    card.driver_version = printable_text(text);
    for (int c = 0; c < kControllers; ++c) {
        const std::uint8_t* record = controller_record_of(ArrayStatus, c);
        if (!controller_present(record))
            continue;
        const std::uint16_t id = le16(record + controller_record::kDeviceId);
        card.controllers.push_back({c, id, hardware_model_text(id), record[controller_record::kIrq]});
    }
}

void read_swap_boxes(CardStatus& card)
{
    readparameters('S', 0);
    readparameters('B', 0);
    if (SystemBusy == 1)
        return;
    std::vector<SwapBoxStatus> boxes;
    for (int j = 0; j < kDrivePositions; ++j) {
        const std::uint8_t* entry = SwapInfo[j];
        if (!swap_box_present(entry))
            continue;
        SwapBoxStatus box{j, box_type_name(entry[swap_entry::kBoxType]), {}, {}, {}, {}};
        if (swap_box_has_sensors(entry)) {
            box.fan_rpm = static_cast<std::int32_t>(le32(entry + swap_entry::kFanSpeed));
            box.temperature_celsius = le16(entry + swap_entry::kTemperatureC);
            box.vcc_volts = le16(entry + swap_entry::kVcc) / 1000.0;
            box.v12_volts = le16(entry + swap_entry::kV12) / 1000.0;
        }
        boxes.push_back(box);
    }
    card.swap_boxes = std::move(boxes);
}

ArrayState array_state(std::uint8_t status, std::uint8_t raid_mode, std::uint16_t rebuild_mask)
{
    // The same rebuild test as the scan's rebuild display.
    if (rebuild_mask >= 1 && rebuild_mask <= 254)
        return ArrayState::Rebuilding;
    if (array_functional(status))
        return ArrayState::Functional;
    return raid_mode == 1 ? ArrayState::Critical : ArrayState::Offline;
}

// Rebuilding drives: the busy mask of a mirror being rebuilt, as the scan marks them.
std::uint8_t read_arrays(CardStatus& card)
{
    std::uint8_t rebuilding = 0;
    for (int a = 0; a < kArrays; ++a) {
        read_array_status(a);
        const std::uint8_t status = ArrayStatus[status_block::kArrayStatus];
        if (!array_exists(status))
            continue;
        const std::uint8_t mode = ArrayStatus[status_block::kRaidMode];
        const std::uint16_t rebuild_mask = le16(ArrayStatus + status_block::kRebuildMask);
        ArrayStatusEntry array;
        array.index = a;
        array.number = ArrayStatus[status_block::kArrayNumber];
        array.raid_mode = mode == 0 ? "striping" : mode == 1 ? "mirroring" : "unknown";
        array.state = array_state(status, mode, rebuild_mask);
        const std::uint32_t size = le32(ArrayStatus + status_block::kSize);
        array.size_bytes = size * kBytesPerMegabyte;
        if (array.state == ArrayState::Rebuilding && size != 0)
            array.rebuild_ratio = std::clamp(static_cast<double>(le32(ArrayStatus + status_block::kProgress)) / size, 0.0, 1.0);
        const std::uint8_t members = ArrayStatus[status_block::kMemberMask];
        for (int j = 0; j < kDrivePositions; ++j)
            if (members & (1u << j))
                array.members.push_back(j);
        if (mode == 1 && rebuild_mask != 0)
            rebuilding |= ArrayStatus[status_block::kBusyMask] & members;
        card.arrays.push_back(array);
    }
    return rebuilding;
}

void read_drives(CardStatus& card, std::uint8_t rebuilding)
{
    for (int j = 0; j < kDrivePositions; ++j) {
        // A failed identify leaves another drive's answer in args: no drive here either.
        if (!identify_drive(j))
            continue;
        DriveStatus drive;
        drive.position = j;
        drive.controller = j / 4;
        drive.channel = (j / 2) % 2;
        drive.role = j % 2 == 0 ? "master" : "slave";
        char name[identify::kModelSize];
        model_name_of(args, name);
        drive.model = printable_text(name);
        drive.model.erase(drive.model.find_last_not_of(' ') + 1);
        drive.size_bytes = std::uint64_t{le32(args + identify::kTotalSectors)} * 512;
        drive.state = rebuilding & (1u << j) ? DriveState::Rebuilding : DriveState::Functional;
        for (const ArrayStatusEntry& array : card.arrays)
            if (std::find(array.members.begin(), array.members.end(), j) != array.members.end())
                drive.array_number = array.number;
        card.drives.push_back(drive);
    }
}

// Whether the summary already names the array (it names every array not functional).
bool array_named(const CardStatus& card, std::optional<int> number)
{
    for (const ArrayStatusEntry& array : card.arrays)
        if (number && array.number == *number && array.state != ArrayState::Functional)
            return true;
    return false;
}

} // namespace

CardStatus collect_card_status()
{
    CardStatus card;
    if (!read_version_and_controllers()) {
        card.failure = printable_text(device_failure_text());
        return card;
    }
    card.card_found = true;
    read_controllers(card);
    read_swap_boxes(card);
    const std::uint8_t rebuilding = read_arrays(card);
    read_drives(card, rebuilding);
    return card;
}

std::optional<CardStatus> collect_card_status_within(std::chrono::seconds limit)
{
    auto promise = std::make_shared<std::promise<CardStatus>>();
    std::future<CardStatus> answer = promise->get_future();
    std::thread worker([promise] { promise->set_value(collect_card_status()); });
    if (answer.wait_for(limit) == std::future_status::timeout) {
        // A request stuck in the driver cannot be cancelled: the thread is left to it.
        worker.detach();
        return std::nullopt;
    }
    worker.join();
    return answer.get();
}

ExitStatus overall_status(const CardStatus& card)
{
    if (!card.card_found)
        return kExitUnknown;
    ExitStatus worst = kExitOk;
    for (const ArrayStatusEntry& array : card.arrays)
        worst = std::max(worst, array.state == ArrayState::Offline ? kExitCritical
                                : array.state == ArrayState::Functional ? kExitOk
                                                                        : kExitWarning);
    for (const DriveStatus& drive : card.drives)
        if (drive.state != DriveState::Functional)
            worst = std::max(worst, kExitWarning);
    return worst;
}

std::string summary_line(const CardStatus& card)
{
    const ExitStatus status = overall_status(card);
    std::string line = std::string("QUORVEX ") + kExitStatusWords[status] + " - ";
    if (!card.card_found)
        return line + card.failure;
    if (status == kExitOk)
        return line + std::to_string(card.arrays.size()) + (card.arrays.size() == 1 ? " array" : " arrays") + " functional";
    std::string problems;
    for (const ArrayStatusEntry& array : card.arrays) {
        if (array.state == ArrayState::Functional)
            continue;
        problems += problems.empty() ? "" : ", ";
        problems += "array " + std::to_string(array.number) + " " + kArrayStateNames[static_cast<int>(array.state)];
        if (array.rebuild_ratio)
            problems += " " + std::to_string(static_cast<int>(*array.rebuild_ratio * 100)) + "%";
    }
    // A drive the driver marks as rebuilt while its array reports no rebuild is named itself.
    for (const DriveStatus& drive : card.drives) {
        if (drive.state == DriveState::Functional || array_named(card, drive.array_number))
            continue;
        problems += problems.empty() ? "" : ", ";
        problems += "drive " + std::to_string(drive.position + 1) + " " + kDriveStateNames[static_cast<int>(drive.state)];
    }
    return line + problems;
}
