#include "driver/driver_requests.h"

#include "driver/device_port.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::uint8_t ArrayStatus[kArrayStatusSize];
std::uint8_t SwapInfo[kSwapEntries][kSwapEntrySize];
std::uint8_t args[kIdentifySize];
char version[kVersionSize];
std::int32_t SystemBusy = 0;
std::int32_t Mirror_Sync = 0;

namespace {

// The driver may write more than the 204 bytes the program reads, so every request
// that answers with the array status layout (0x3801, also through kind 'S', and 0x3809)
// gets this padded block, never ArrayStatus itself; a failed request leaves the
// previous answer in place, which the callers then see.
std::uint8_t status_work_block[256];

DeviceFailure version_failure;

int request_once(unsigned long code, void* record)
{
    DeviceHandle device;
    return device.request(code, record);
}

void request_status_block(const DeviceHandle& device, unsigned long code)
{
    device.request(code, status_work_block);
    std::memcpy(ArrayStatus, status_work_block, kArrayStatusSize);
}

void read_swap_boxes()
{
    if (ArrayStatus[status_block::kBusyMask] != 0) {
        DeviceHandle device;
        SystemBusy = 1;
        return;
    }
    request_once(kRequestSwapBoxes, SwapInfo);
    SystemBusy = 0;
    for (auto& entry : SwapInfo)
        entry[swap_entry::kBoxType] &= swap_entry::kBoxTypeMask;
}

int request_identify(int position)
{
    if (position >= 0 && position <= 7)
        args[0] = static_cast<std::uint8_t>('1' + position);
    return request_once(kRequestIdentify, args);
}

} // namespace

bool identify_drive(int position) { return request_identify(position) >= 0 && drive_present(args); }

void readparameters(char kind, int position)
{
    switch (kind) {
    case 'S': {
        std::memset(status_work_block, 0, sizeof status_work_block);
        DeviceHandle device;
        request_status_block(device, kRequestArrayStatus);
        break;
    }
    case 'B':
        read_swap_boxes();
        break;
    case 'I':
        request_identify(position);
        break;
    default:
        break;
    }
}

void read_array_status(int array_index)
{
    status_work_block[0] = static_cast<std::uint8_t>(array_index);
    DeviceHandle device;
    request_status_block(device, kRequestArrayStatus);
}

bool read_version_and_controllers()
{
    DeviceHandle device;
    version_failure = {};
    if (!device.is_open()) {
        version_failure = {DeviceStep::Open, device.open_error()};
        return false;
    }
    errno = 0;
    if (device.request(kRequestVersion, version) < 0) {
        version_failure = {DeviceStep::Version, errno};
        return false;
    }
    // A failed request leaves ArrayStatus as it was.
    std::memcpy(status_work_block, ArrayStatus, kArrayStatusSize);
    request_status_block(device, kRequestControllers);
    return true;
}

DeviceFailure last_device_failure() { return version_failure; }

std::string device_failure_text()
{
    const char* hint = "";
    std::string text;
    switch (version_failure.step) {
    case DeviceStep::None:
        return text;
    case DeviceStep::Open:
        text = std::string("cannot open ") + device_path();
        if (version_failure.error == EACCES || version_failure.error == EPERM)
            hint = " (run as root or as a member of group disk)";
        break;
    case DeviceStep::Version:
        text = std::string("no answer to the version request on ") + device_path();
        hint = " (no Halvoren card or no compatible driver)";
        break;
    }
    text += ": ";
    text += version_failure.error != 0 ? std::strerror(version_failure.error) : "unknown error";
    return text + hint;
}

void ioctl3804(int value)
{
    if (value == Mirror_Sync)
        return;
    DeviceHandle device;
    if (!device.is_open())
        return;
    std::uint8_t command[kCommandSize] = {};
    command[0] = static_cast<std::uint8_t>(value);
    if (device.request(kRequestMirrorSync, command) != 0) {
        std::fputs("Ioctl Mirror_Sync_Day Fail\n", stdout);
        std::fflush(stdout);
    }
    Mirror_Sync = value;
}

int ioctl3805(char position_character, char switch_character)
{
    DeviceHandle device;
    if (!device.is_open())
        return -1;
    std::uint8_t command[kCommandSize] = {};
    command[0] = static_cast<std::uint8_t>(position_character);
    command[1] = static_cast<std::uint8_t>(switch_character);
    return device.request(kRequestPower, command) == 0 ? 0 : -1;
}

bool swap_box_present(const std::uint8_t* entry)
{
    if (entry[swap_entry::kPresent] != 1)
        return false;
    return le32(entry + swap_entry::kFanSpeed) != 0 || le16(entry + swap_entry::kVcc) != 0;
}

void model_name_of(const std::uint8_t* identify_block, char* name)
{
    for (std::size_t k = 0; k < identify::kModelSize; k += 2) {
        name[k] = static_cast<char>(identify_block[identify::kModel + k + 1]);
        name[k + 1] = static_cast<char>(identify_block[identify::kModel + k]);
    }
    name[39] = '\0';
}
