#include "inventory/inventory_scan.h"

#include "base/bounded_text.h"
#include "driver/drive_geometry.h"
#include "driver/driver_requests.h"
#include "inventory/inventory_tables.h"

#include <cstring>

namespace {

using DriveRow = char (*)[kLineSize];

// What one scan carries from pass to pass; nothing of it outlives the scan.
struct ScanState {
    bool error = false;
    int named_controllers = 1;
    bool rebuild_reported = false;
};

std::int32_t fan_speed_of(const std::uint8_t* entry) { return static_cast<std::int32_t>(le32(entry + swap_entry::kFanSpeed)); }
unsigned vcc_of(const std::uint8_t* entry) { return le16(entry + swap_entry::kVcc); }

void busy_test()
{
    readparameters('S', 0);
    readparameters('B', 0);
}

const char* box_type_text(std::uint8_t type)
{
    switch (type) {
    case 0:
        return "Universal Swap-box";
    case 1:
        return "Ternlift66";
    case 16:
        return "Swapbox for OEM";
    case 17:
        return "Marlinbay";
    default:
        return "Unknown Swapbox";
    }
}

// Which boxes can switch their drive, and a manageable box whose fan stands still is
// taken to have its drive switched off. The scan never switches a drive back on.
void update_power_flags(int j, const std::uint8_t* entry)
{
    const bool fan_stopped = fan_speed_of(entry) == 0;
    std::int32_t& manageable = PowerManage[j][0];
    std::int32_t& powered_on = PowerManage[j][1];
    switch (entry[swap_entry::kBoxType]) {
    case 0:
        if (vcc_of(entry) != 0) {
            manageable = 1;
            if (fan_stopped)
                powered_on = 0;
        }
        break;
    case 16:
        manageable = 1;
        if (fan_stopped)
            powered_on = 0;
        break;
    case 17:
        manageable = 0;
        if (fan_stopped)
            powered_on = 0;
        break;
    default:
        break;
    }
}

void write_sensor_lines(DriveRow row, const std::uint8_t* entry)
{
    const unsigned v12 = le16(entry + swap_entry::kV12);
    const unsigned vcc = vcc_of(entry);
    append_format(row[10], kLineSize, ":RPM :%d", fan_speed_of(entry));
    format_text(row[11], kLineSize, "                      :TEMP:%uC / %uF",
                static_cast<unsigned>(le16(entry + swap_entry::kTemperatureC)),
                static_cast<unsigned>(le16(entry + swap_entry::kTemperatureF)));
    format_text(row[12], kLineSize, "                      :Vcc :%u.%u V", vcc / 1000, (vcc / 100) % 10);
    format_text(row[13], kLineSize, "                      :V12 :%u.%u V", v12 / 1000, (v12 / 100) % 10);
}

void swap_box_pass()
{
    for (int j = 0; j < kDrivePositions; ++j) {
        const std::uint8_t* entry = SwapInfo[j];
        if (!swap_box_present(entry)) {
            PowerManage[j][0] = 0;
            continue;
        }
        DriveRow row = channeldiskinfo[j];
        copy_text(row[9], "Swapbox         :");
        append_text(row[9], box_type_text(entry[swap_entry::kBoxType]));
        update_power_flags(j, entry);
        copy_text(row[10], "                      ");
        if (swap_box_has_sensors(entry))
            write_sensor_lines(row, entry);
    }
}

// An identify word as decimal text, through the high-byte-first pair.
void word_text(std::size_t offset, char (&digits)[kNumberBufferSize])
{
    digits[0] = static_cast<char>(args[offset + 1]);
    digits[1] = static_cast<char>(args[offset]);
    numbertostring(digits);
}

const char* location_text(int j)
{
    return j < 4 ? "Location          :Controller #1" : "Location          :Controller #2";
}

const char* channel_text(int j)
{
    return (j & 2) == 0 ? "                      :Channel #1" : "                      :Channel #2";
}

const char* master_slave_text(int j)
{
    return (j & 1) == 0 ? "                      :Master" : "                      :Slave";
}

// The highest mode the drive has selected wins; Ultra DMA before multiword DMA.
const char* timing_text(const std::uint8_t* block)
{
    static const char* const ultra_dma[] = {
        "Timing             :Ultra DMA Mode 0", "Timing             :Ultra DMA Mode 1",
        "Timing             :Ultra DMA Mode 2", "Timing             :Ultra DMA Mode 3",
        "Timing             :Ultra DMA Mode 4", "Timing             :Ultra DMA Mode 5",
        "Timing             :Ultra DMA Mode 6",
    };
    static const char* const dma[] = {
        "Timing             :DMA Mode 0",
        "Timing             :DMA Mode 1",
        "Timing             :DMA Mode 2",
    };
    const std::uint8_t ultra = block[identify::kUltraDmaSelected];
    for (int mode = 6; mode >= 0; --mode)
        if (ultra & (1u << mode))
            return ultra_dma[mode];
    const std::uint8_t multiword = block[identify::kDmaSelected];
    for (int mode = 2; mode >= 0; --mode)
        if (multiword & (1u << mode))
            return dma[mode];
    return "Timing             :PIO Mode";
}

// Lines 2 to 7 of a drive row from the drive position and the identify words.
void write_place_and_mapping(DriveRow row, int j, const char* mapping_prefix)
{
    char digits[kNumberBufferSize];
    copy_text(row[2], location_text(j));
    copy_text(row[3], channel_text(j));
    copy_text(row[4], master_slave_text(j));
    word_text(identify::kCylinders, digits);
    format_text(row[5], kLineSize, "%s%s Cylinder", mapping_prefix, digits);
    word_text(identify::kHeads, digits);
    format_text(row[6], kLineSize, "                      :%s Heads", digits);
    word_text(identify::kSectorsPerTrack, digits);
    format_text(row[7], kLineSize, "                      :%s Sectors", digits);
}

void write_size(DriveRow row, const char* capacity)
{
    copy_text(row[1], "Size                :");
    append_text(row[1], capacity);
}

void drive_pass()
{
    for (int j = 0; j < kDrivePositions; ++j) {
        if (!identify_drive(j)) {
            channeldisknames[j][0] = '&';
            continue;
        }
        char name[identify::kModelSize];
        model_name_of(args, name);
        copy_text(channeldisknames[j], name);
        DriveRow row = channeldiskinfo[j];
        copy_text(row[0], "Status              :Functional");
        write_place_and_mapping(row, j, "Mapping:          ");
        char rec[kGeometryRecordSize];
        fill_geometry_record(rec, args, 0, j);
        calcchs_2(rec);
        write_size(row, rec);
        copy_text(row[8], timing_text(args));
    }
}

void write_channel_lines(int c, const std::uint8_t* record)
{
    format_text(channelinfo[c][0], kLineSize, "BASE IO ADDRESS1: 0x%x", static_cast<unsigned>(le16(record + controller_record::kChannel1Base1)));
    format_text(channelinfo[c][1], kLineSize, "BASE IO ADDRESS2: 0x%x", static_cast<unsigned>(le16(record + controller_record::kChannel1Base2)));
    format_text(channelinfo[c][2], kLineSize, "BASE IO ADDRESS1: 0x%x", static_cast<unsigned>(le16(record + controller_record::kChannel2Base1)));
    format_text(channelinfo[c][3], kLineSize, "BASE IO ADDRESS2: 0x%x", static_cast<unsigned>(le16(record + controller_record::kChannel2Base2)));
}

void write_controller_lines(int c, const std::uint8_t* record)
{
    // The driver may fill all 60 bytes; the line takes what fits after its prefix.
    char driver_version[kVersionSize + 1] = {};
    std::memcpy(driver_version, version, kVersionSize);
    char (*lines)[kLineSize] = controllerinfo[c];
    copy_text(lines[0], "VERSION                                :");
    append_text(lines[0], driver_version);
    format_text(lines[1], kLineSize, "IRQ                                        :%u", static_cast<unsigned>(record[controller_record::kIrq]));
    format_text(lines[2], kLineSize, "BUS MASTER BASE ADDRESS:0x%x", static_cast<unsigned>(le16(record + controller_record::kBusMasterBase)));
    format_text(lines[3], kLineSize, "ROM BASE ADDRESS             :0x%x", static_cast<unsigned>(le32(record + controller_record::kRomBase)));
    copy_text(lines[4], "HARDWARE TYPE                   :HALVOREN");
    append_text(lines[4], hardware_model_text(le16(record + controller_record::kDeviceId)));
}

void name_controller(int c, const std::uint8_t* record, ScanState& state)
{
    // The whole name goes, so the tree's test finds no controller here.
    if (!controller_present(record)) {
        std::memset(controllernames[c], 0, sizeof controllernames[c]);
        return;
    }
    copy_text(controllernames[c], state.named_controllers == 1 ? "Halvoren 1" : "Halvoren 2");
    copy_text(channelnames[c][0], "Channel 1");
    copy_text(channelnames[c][1], "Channel 2");
    ++state.named_controllers;
}

void controller_pass(ScanState& state)
{
    for (int c = 0; c < kControllers; ++c) {
        const std::uint8_t* record = controller_record_of(ArrayStatus, c);
        write_channel_lines(c, record);
        write_controller_lines(c, record);
        name_controller(c, record, state);
    }
}

void mark_all_member_slots_empty()
{
    for (auto& name : arraydisknames)
        name[0] = '&';
}

void set_flags(std::uint8_t mask, std::int32_t value)
{
    for (int j = 0; j < kDrivePositions; ++j)
        if (mask & (1u << j))
            DiskErrorFlag[j] = value;
}

// Members of a striping or mirroring array start out functional; in a mirror that is
// being rebuilt the drives in the busy mask are the ones rebuilding.
void set_disk_error_flags(std::uint8_t raid_mode, std::uint8_t member_mask, std::uint16_t rebuild_mask, std::uint8_t busy_mask)
{
    if (raid_mode == 0) {
        set_flags(member_mask, 0);
    } else if (raid_mode == 1) {
        set_flags(member_mask, 0);
        if (rebuild_mask != 0)
            set_flags(busy_mask, 1);
    }
}

void write_array_lines(int a, ScanState& state)
{
    const std::uint8_t status = ArrayStatus[status_block::kArrayStatus];
    const std::uint8_t raid_mode = ArrayStatus[status_block::kRaidMode];
    char (*lines)[kLineSize] = arrayinfo[a];
    format_text(arraynames[a], sizeof arraynames[a], "Array %u", static_cast<unsigned>(ArrayStatus[status_block::kArrayNumber]));
    copy_text(lines[0], "RAID MODE    :");
    if (raid_mode == 0)
        append_text(lines[0], "Stripping");
    else if (raid_mode == 1)
        append_text(lines[0], "Mirroring");
    format_text(lines[2], kLineSize, "Mapping         :%u Cylinder", static_cast<unsigned>(le16(ArrayStatus + status_block::kCylinders)));
    format_text(lines[3], kLineSize, "                     :%u Head", static_cast<unsigned>(ArrayStatus[status_block::kHeads]));
    format_text(lines[4], kLineSize, "                     :%u Sector", static_cast<unsigned>(ArrayStatus[status_block::kSectors]));
    format_text(lines[5], kLineSize, "Size               :%d MB", static_cast<std::int32_t>(le32(ArrayStatus + status_block::kSize)));
    copy_text(lines[6], "Status             :");
    if (array_functional(status)) {
        append_text(lines[6], "Functional");
    } else {
        state.error = true;
        append_text(lines[6], raid_mode == 1 ? "Critical" : "Offline");
    }
}

const char* member_status_text(int j, std::uint8_t raid_mode, ScanState& state)
{
    if (DiskErrorFlag[j] == 0)
        return "Status              :Functional";
    state.error = true;
    if (DiskErrorFlag[j] == 1)
        return "Status              :Rebuilding";
    return raid_mode != 0 ? "Status              :Critical" : "Status              :Offline";
}

// A member drive's lines go to its drive position row and its member slot row alike.
// A member that does not answer (switched off, or the request failed) is absent: its
// slot keeps "&" and nothing is written from the previous drive's answer.
void write_member_drive(int a, int j, ScanState& state)
{
    const int slot = a * kDrivePositions + j;
    if (!identify_drive(j)) {
        channeldisknames[j][0] = '&';
        return;
    }
    char name[identify::kModelSize];
    model_name_of(args, name);
    copy_text(channeldisknames[j], name);
    copy_text(arraydisknames[slot], name);

    DriveRow by_position = channeldiskinfo[j];
    DriveRow by_slot = arraydiskinfo[slot];
    const char* status = member_status_text(j, ArrayStatus[status_block::kRaidMode], state);
    copy_text(by_position[0], status);
    copy_text(by_slot[0], status);
    write_place_and_mapping(by_position, j, "Mapping:          ");
    write_place_and_mapping(by_slot, j, "Mapping          :");

    char rec[kGeometryRecordSize];
    fill_geometry_record(rec, args, slot, j);
    calcchs(rec);
    write_size(by_position, rec);
    write_size(by_slot, rec);

    const char* timing = timing_text(args);
    copy_text(by_position[8], timing);
    copy_text(by_slot[8], timing);
    for (int line = 9; line <= 13; ++line)
        copy_text(by_slot[line], by_position[line]);
}

void record_rebuild_numbers(int a, ScanState& state)
{
    arrayrebuildinfo[a][0] = static_cast<std::int32_t>(le32(ArrayStatus + status_block::kProgress));
    arrayrebuildinfo[a][1] = static_cast<std::int32_t>(le32(ArrayStatus + status_block::kSize));
    arrayrebuildinfo[a][2] = ArrayStatus[status_block::kMemberMask];
    const std::uint16_t rebuild_mask = le16(ArrayStatus + status_block::kRebuildMask);
    if (rebuild_mask >= 1 && rebuild_mask <= 254) {
        // Arrays may rebuild at the same time: one scan's masks add up, the previous scan's go.
        rebuilding_drive_mask() = (state.rebuild_reported ? rebuilding_drive_mask() : 0) | rebuild_mask;
        state.rebuild_reported = true;
    }
}

void array_pass(ScanState& state)
{
    for (int a = 0; a < kArrays; ++a) {
        read_array_status(a);
        const std::uint8_t status = ArrayStatus[status_block::kArrayStatus];
        const std::uint8_t member_mask = ArrayStatus[status_block::kMemberMask];
        if (!array_exists(status)) {
            // A vanished array is no longer listed, so no page still calls it functional.
            arraynames[a][0] = '\0';
        } else {
            set_disk_error_flags(ArrayStatus[status_block::kRaidMode], member_mask,
                                 le16(ArrayStatus + status_block::kRebuildMask), ArrayStatus[status_block::kBusyMask]);
            write_array_lines(a, state);
            for (int j = 0; j < kDrivePositions; ++j)
                if (member_mask & (1u << j))
                    write_member_drive(a, j, state);
        }
        record_rebuild_numbers(a, state);
    }
    // Once no array reports a rebuild, none is in progress: the bars go and the
    // synchronisation schedule may run again.
    if (!state.rebuild_reported)
        rebuilding_drive_mask() = 0;
}

AfterScanHook after_scan_hook = nullptr;

} // namespace

void set_after_scan_hook(AfterScanHook hook) { after_scan_hook = hook; }

int gtkReadFile()
{
    ScanState state;
    busy_test();
    swap_box_pass();
    drive_pass();
    if (!read_version_and_controllers())
        return -1;
    controller_pass(state);
    mark_all_member_slots_empty();
    array_pass(state);
    errorBeep = state.error ? 1 : 0;
    if (after_scan_hook)
        after_scan_hook();
    return 1;
}
