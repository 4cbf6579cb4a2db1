// Every request the program makes of the Halvoren driver, and the records they fill.
// Each request opens the device node, issues one request and closes it again; nothing
// here knows how the answers are shown.
#pragma once

#include "driver/driver_records.h"

#include <cstdint>
#include <string>

// Records: each keeps the last answer until the next request overwrites it.
extern std::uint8_t ArrayStatus[kArrayStatusSize];
extern std::uint8_t SwapInfo[kSwapEntries][kSwapEntrySize];
extern std::uint8_t args[kIdentifySize];
extern char version[kVersionSize];

// 1 while the last swap-box read was skipped because the controller was busy.
extern std::int32_t SystemBusy;
// The last synchronisation command value handed to the driver.
extern std::int32_t Mirror_Sync;

// Kind 'S': array 0 into ArrayStatus; 'B': swap boxes (or SystemBusy); 'I': identify
// of a drive position into args. Any other kind does nothing.
void readparameters(char kind, int position);

// Array status of one array index, copied into ArrayStatus.
void read_array_status(int array_index);

// Version into `version` and, when that succeeds, the controller records into
// ArrayStatus, on one descriptor. False when no card or no compatible driver answered;
// the reason is then kept until the next call.
bool read_version_and_controllers();

// Why the last version request failed: the step and its errno.
enum class DeviceStep { None, Open, Version };
struct DeviceFailure {
    DeviceStep step = DeviceStep::None;
    int error = 0;
};
DeviceFailure last_device_failure();

// The reason as one line of text without the newline, e.g. "cannot open /dev/sda:
// Permission denied (run as root or as a member of group disk)"; empty with no failure.
std::string device_failure_text();

// Synchronisation command; repeats of the last value are not sent.
void ioctl3804(int value);

// Power command for a drive position character '1'..'8' and '1' (on) or '0' (off).
// 0 on success, -1 when the device could not be opened or the request failed.
int ioctl3805(char position_character, char switch_character);

// The tests the rest of the program applies to the records.
inline bool array_exists(std::uint8_t status) { return status != 0; }
inline bool array_functional(std::uint8_t status) { return status == 15 || status == 143; }
inline bool drive_present(const std::uint8_t* identify_block) { return identify_block[identify::kPresence] != identify::kNoDrive; }
bool swap_box_present(const std::uint8_t* entry);
inline bool swap_box_has_sensors(const std::uint8_t* entry) { return le16(entry + swap_entry::kSignature) == swap_entry::kSensorSignature; }
inline const std::uint8_t* controller_record_of(const std::uint8_t* block, int controller)
{
    return block + status_block::kControllerRecords + status_block::kControllerRecordSize * controller;
}
inline bool controller_present(const std::uint8_t* record) { return le16(record + controller_record::kDeviceId) != 0; }

// The model text of an identify block as a drive name: the bytes of each word swapped,
// cut after 39 characters. `name` must hold at least 40 bytes.
void model_name_of(const std::uint8_t* identify_block, char* name);
