#include "status/status_report.h"

#include <cstdio>

namespace {

std::string megabytes(std::uint64_t bytes) { return std::to_string(bytes / (1024 * 1024)) + " MB"; }

std::string array_line(const ArrayStatusEntry& array)
{
    std::string line = "Array " + std::to_string(array.number) + ": " + array.raid_mode + ", " +
                       kArrayStateNames[static_cast<int>(array.state)];
    if (array.rebuild_ratio)
        line += " " + std::to_string(static_cast<int>(*array.rebuild_ratio * 100)) + "%";
    line += ", " + megabytes(array.size_bytes) + ", drives";
    for (int position : array.members)
        line += " " + std::to_string(position + 1);
    return line;
}

std::string drive_line(const DriveStatus& drive)
{
    return "Drive " + std::to_string(drive.position + 1) + ": controller " + std::to_string(drive.controller + 1) +
           " channel " + std::to_string(drive.channel + 1) + " " + drive.role + ", " + drive.model + ", " +
           megabytes(drive.size_bytes) + ", " + kDriveStateNames[static_cast<int>(drive.state)];
}

std::string volts(double value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.2f V", value);
    return text;
}

std::string swap_box_line(const SwapBoxStatus& box)
{
    std::string line = "Swap box " + std::to_string(box.position + 1) + ": " + box.type;
    if (box.fan_rpm)
        line += ", fan " + std::to_string(*box.fan_rpm) + " RPM, " + std::to_string(*box.temperature_celsius) +
                " C, Vcc " + volts(*box.vcc_volts) + ", V12 " + volts(*box.v12_volts);
    return line;
}

// The monitoring-plugin performance data of what the card has: each rebuild's progress and
// each swap box's sensors.
std::string performance_data(const CardStatus& card)
{
    std::string data;
    for (const ArrayStatusEntry& array : card.arrays)
        if (array.rebuild_ratio)
            data += " array_" + std::to_string(array.number) + "_rebuild=" +
                    std::to_string(static_cast<int>(*array.rebuild_ratio * 100)) + "%;;;0;100";
    for (const SwapBoxStatus& box : card.swap_boxes.value_or(std::vector<SwapBoxStatus>{}))
        if (box.fan_rpm) {
            const std::string name = " box_" + std::to_string(box.position + 1);
            data += name + "_temperature=" + std::to_string(*box.temperature_celsius) + ";;;;";
            data += name + "_fan=" + std::to_string(*box.fan_rpm) + ";;;;";
        }
    return data.empty() ? data : " |" + data;
}

} // namespace

std::string status_text(const CardStatus& card)
{
    std::string text = summary_line(card) + performance_data(card) + "\n";
    for (const ArrayStatusEntry& array : card.arrays)
        text += array_line(array) + "\n";
    for (const DriveStatus& drive : card.drives)
        text += drive_line(drive) + "\n";
    if (card.card_found && !card.swap_boxes)
        text += "Swap boxes: not read, the controller was busy\n";
    for (const SwapBoxStatus& box : card.swap_boxes.value_or(std::vector<SwapBoxStatus>{}))
        text += swap_box_line(box) + "\n";
    return text;
}
