#include "monitor/card_events.h"

#include "driver/driver_requests.h"

#include <algorithm>

namespace {

std::string drive_text(int position) { return "drive " + std::to_string(position + 1); }

ArrayCondition condition_of(std::uint8_t status, std::uint8_t raid_mode)
{
    if (!array_exists(status))
        return ArrayCondition::Absent;
    if (array_functional(status))
        return ArrayCondition::Functional;
    // The scan calls a failing mirror critical and any other failing array offline.
    return raid_mode == 1 ? ArrayCondition::Critical : ArrayCondition::Offline;
}

// The drives the array's own status block says are being rebuilt: another array's
// rebuild neither hides nor adds to them.
std::uint8_t rebuilding_drives_of_status_block()
{
    const std::uint16_t mask = le16(ArrayStatus + status_block::kRebuildMask);
    return mask >= 1 && mask <= 254 ? static_cast<std::uint8_t>(mask) : 0;
}

int rebuild_percent_of_status_block()
{
    const std::uint32_t size = le32(ArrayStatus + status_block::kSize);
    if (size == 0)
        return 0;
    const std::int64_t percent = std::int64_t{le32(ArrayStatus + status_block::kProgress)} * 100 / size;
    return static_cast<int>(std::clamp<std::int64_t>(percent, 0, 100));
}

std::string array_text(const ArrayPicture& array) { return std::to_string(array.number); }

// The array of which the drive was a member in the picture, or -1.
int array_holding(const CardPicture& picture, int position)
{
    for (int a = 0; a < kArrays; ++a)
        if (picture.arrays[a].condition != ArrayCondition::Absent && (picture.arrays[a].members & (1u << position)))
            return a;
    return -1;
}

std::string array_of_found(const CardPicture& picture, int position)
{
    const int in = array_holding(picture, position);
    return in < 0 ? "-" : array_text(picture.arrays[in]);
}

void drive_events(const CardPicture& before, const CardPicture& now, std::vector<CardEvent>& events)
{
    for (int j = 0; j < kDrivePositions; ++j) {
        const int was_in = array_holding(before, j);
        const std::string array = was_in < 0 ? "-" : array_text(before.arrays[was_in]);
        if (before.drives[j] && !now.drives[j])
            events.push_back({"DriveMissing", array, drive_text(j)});
        else if (!before.drives[j] && now.drives[j])
            events.push_back({"DriveFound", array_of_found(now, j), drive_text(j)});
        else if (was_in >= 0 && now.arrays[was_in].condition != ArrayCondition::Absent &&
                 !(now.arrays[was_in].members & (1u << j)))
            events.push_back({"DriveFailed", array, drive_text(j)});
    }
}

void rebuild_events(const CardPicture& before, const CardPicture& now, std::vector<CardEvent>& events)
{
    for (int a = 0; a < kArrays; ++a) {
        const ArrayPicture& was = before.arrays[a];
        const ArrayPicture& is = now.arrays[a];
        for (int j = 0; j < kDrivePositions; ++j) {
            const unsigned bit = 1u << j;
            if ((was.rebuilding & bit) && !(is.rebuilding & bit))
                events.push_back({"RebuildFinished", array_text(was), drive_text(j)});
            else if (!(was.rebuilding & bit) && (is.rebuilding & bit))
                events.push_back({"RebuildStarted", array_text(is),
                                  drive_text(j) + " at " + std::to_string(is.rebuild_percent) + "%"});
        }
    }
}

// Drives that left the array since the picture before, or the state's own word.
std::string failure_detail(const ArrayPicture& was, const ArrayPicture& is)
{
    std::string detail;
    const unsigned gone = was.members & ~is.members;
    for (int j = 0; j < kDrivePositions; ++j)
        if (gone & (1u << j))
            detail += (detail.empty() ? "" : ", ") + drive_text(j) + " offline";
    if (!detail.empty())
        return detail;
    return is.condition == ArrayCondition::Critical ? "Critical" : "Offline";
}

void array_events(const CardPicture& before, const CardPicture& now, std::vector<CardEvent>& events)
{
    for (int a = 0; a < kArrays; ++a) {
        const ArrayPicture& was = before.arrays[a];
        const ArrayPicture& is = now.arrays[a];
        if (was.condition == is.condition)
            continue;
        switch (is.condition) {
        case ArrayCondition::Critical:
            events.push_back({"ArrayDegraded", array_text(is), failure_detail(was, is)});
            break;
        case ArrayCondition::Offline:
            events.push_back({"ArrayOffline", array_text(is), failure_detail(was, is)});
            break;
        case ArrayCondition::Functional:
            if (was.condition != ArrayCondition::Absent)
                events.push_back({"ArrayFunctional", array_text(is), "Functional"});
            break;
        case ArrayCondition::Absent:
            events.push_back({"ArrayOffline", array_text(was), "no longer reported by the driver"});
            break;
        }
    }
}

} // namespace

CardPicture picture_after_scan()
{
    CardPicture picture;
    for (int a = 0; a < kArrays; ++a) {
        read_array_status(a);
        ArrayPicture& array = picture.arrays[a];
        array.condition = condition_of(ArrayStatus[status_block::kArrayStatus], ArrayStatus[status_block::kRaidMode]);
        array.number = ArrayStatus[status_block::kArrayNumber];
        array.members = ArrayStatus[status_block::kMemberMask];
        array.rebuilding = rebuilding_drives_of_status_block();
        array.rebuild_percent = rebuild_percent_of_status_block();
    }
    for (int j = 0; j < kDrivePositions; ++j)
        picture.drives[j] = channeldisknames[j][0] != '&' && channeldisknames[j][0] != '\0';
    for (int c = 0; c < kControllers; ++c)
        picture.controllers[c] = controllernames[c][0] != '\0';
    return picture;
}

CardPicture startup_baseline(const CardPicture& now)
{
    CardPicture baseline = now;
    for (ArrayPicture& array : baseline.arrays) {
        if (array.condition != ArrayCondition::Absent)
            array.condition = ArrayCondition::Functional;
        array.rebuilding = 0;
    }
    return baseline;
}

std::vector<CardEvent> card_events(const CardPicture& before, const CardPicture& now)
{
    std::vector<CardEvent> events;
    for (int c = 0; c < kControllers; ++c) {
        const std::string controller = "controller " + std::to_string(c + 1);
        if (before.controllers[c] && !now.controllers[c])
            events.push_back({"ControllerMissing", "-", controller});
        else if (!before.controllers[c] && now.controllers[c])
            events.push_back({"ControllerFound", "-", controller});
    }
    drive_events(before, now, events);
    rebuild_events(before, now, events);
    array_events(before, now, events);
    return events;
}
