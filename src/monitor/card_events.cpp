#include "monitor/card_events.h"

#include "driver/driver_requests.h"
#include "monitor/rebuild_state.h"

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

std::uint8_t rebuilding_drives_of(int array_index)
{
    std::uint8_t bits = 0;
    const int mask = rebuilding_drive_mask();
    for (int position = 0; position < kDrivePositions; ++position)
        if ((mask & (1 << position)) && rebuild_array_of(1 << position) == array_index)
            bits = static_cast<std::uint8_t>(bits | (1u << position));
    return bits;
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

void drive_events(const CardPicture& before, const CardPicture& now, std::vector<CardEvent>& events)
{
    for (int j = 0; j < kDrivePositions; ++j) {
        const int was_in = array_holding(before, j);
        const std::string array = was_in < 0 ? "-" : array_text(before.arrays[was_in]);
        if (before.drives[j] && !now.drives[j])
            events.push_back({"DriveMissing", array, drive_text(j)});
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
                                  drive_text(j) + " at " + std::to_string(stringdivide(static_cast<int>(bit))) + "%"});
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
        array.rebuilding = rebuilding_drives_of(a);
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
    for (int c = 0; c < kControllers; ++c)
        if (before.controllers[c] && !now.controllers[c])
            events.push_back({"ControllerMissing", "-", "controller " + std::to_string(c + 1)});
    drive_events(before, now, events);
    rebuild_events(before, now, events);
    array_events(before, now, events);
    return events;
}
