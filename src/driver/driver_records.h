// Request codes of the Halvoren driver and the byte layout of every record it exchanges.
// Records are kept as raw bytes; each field is read at its offset, little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr const char* kDeviceNode = "/dev/sda";

enum RequestCode : unsigned long {
    kRequestArrayStatus = 0x3801,
    kRequestIdentify = 0x3802,
    kRequestSwapBoxes = 0x3803,
    kRequestMirrorSync = 0x3804,
    kRequestPower = 0x3805,
    kRequestVersion = 0x3807,
    kRequestControllers = 0x3809,
};

inline constexpr std::size_t kArrayStatusSize = 204;
inline constexpr std::size_t kIdentifySize = 520;
inline constexpr std::size_t kSwapEntrySize = 16;
inline constexpr std::size_t kSwapEntries = 8;
inline constexpr std::size_t kVersionSize = 60;
inline constexpr std::size_t kCommandSize = 8;

inline std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put_le16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put_le32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Array status block (requests 0x3801 and 0x3809).
namespace status_block {
inline constexpr std::size_t kArrayIndex = 0;
inline constexpr std::size_t kControllerRecords = 32;
inline constexpr std::size_t kControllerRecordSize = 20;
inline constexpr std::size_t kArrayNumber = 72;
inline constexpr std::size_t kArrayStatus = 73;
inline constexpr std::size_t kRaidMode = 74;
inline constexpr std::size_t kCylinders = 76;
inline constexpr std::size_t kHeads = 78;
inline constexpr std::size_t kSectors = 79;
inline constexpr std::size_t kSize = 80;
inline constexpr std::size_t kProgress = 84;
inline constexpr std::size_t kMemberMask = 88;
inline constexpr std::size_t kRebuildMask = 90;
inline constexpr std::size_t kBusyMask = 200;
} // namespace status_block

// Controller record inside the status block, at 32 + 20 x controller index.
namespace controller_record {
inline constexpr std::size_t kDeviceId = 0;
inline constexpr std::size_t kIrq = 2;
inline constexpr std::size_t kChannel1Base1 = 4;
inline constexpr std::size_t kChannel1Base2 = 6;
inline constexpr std::size_t kChannel2Base1 = 8;
inline constexpr std::size_t kChannel2Base2 = 10;
inline constexpr std::size_t kBusMasterBase = 12;
inline constexpr std::size_t kRomBase = 16;
} // namespace controller_record

// One swap-box entry.
namespace swap_entry {
inline constexpr std::size_t kPresent = 0;
inline constexpr std::size_t kBoxType = 1;
inline constexpr std::size_t kSignature = 2;
inline constexpr std::size_t kFanSpeed = 4;
inline constexpr std::size_t kTemperatureC = 8;
inline constexpr std::size_t kTemperatureF = 10;
inline constexpr std::size_t kVcc = 12;
inline constexpr std::size_t kV12 = 14;
inline constexpr std::uint16_t kSensorSignature = 0x5CA3;
inline constexpr std::uint8_t kBoxTypeMask = 0x91;
} // namespace swap_entry

// Identify block: ATA IDENTIFY DEVICE data, byte 0 = 0x66 when no drive is present.
namespace identify {
inline constexpr std::size_t kPresence = 0;
inline constexpr std::size_t kCylinders = 2;
inline constexpr std::size_t kHeads = 6;
inline constexpr std::size_t kSectorsPerTrack = 12;
inline constexpr std::size_t kModel = 54;
inline constexpr std::size_t kModelSize = 40;
inline constexpr std::size_t kTotalSectors = 120;
inline constexpr std::size_t kDmaSelected = 127;
inline constexpr std::size_t kUltraDmaSelected = 177;
inline constexpr std::uint8_t kNoDrive = 0x66;
} // namespace identify

// The card's model, named after the controller's PCI device id.
constexpr const char* hardware_model_text(std::uint16_t device_id)
{
    switch (device_id) {
    case 0x6268:
    case 0x6270:
        return "100 KV2";
    case 0x0D30:
    case 0x4D30:
        return "100";
    default:
        return "66";
    }
}

static_assert(status_block::kBusyMask < kArrayStatusSize);
static_assert(status_block::kControllerRecords + 2 * status_block::kControllerRecordSize == 72);
static_assert(identify::kUltraDmaSelected < kIdentifySize);
static_assert(identify::kModel + identify::kModelSize <= identify::kTotalSectors);
