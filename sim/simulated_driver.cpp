#include "simulated_driver.h"

#include "driver/device_port.h"
#include "driver/driver_records.h"

#include <algorithm>
#include <cstring>

namespace {

SimulatedCard* installed_card = nullptr;

int sim_open(const char*, int) { return installed_card->open_device(); }
int sim_request(int fd, unsigned long code, void* record) { return installed_card->request(fd, code, record); }
int sim_close(int fd) { return installed_card->close_device(fd); }

void put_model(std::uint8_t* block, const std::string& model)
{
    char text[identify::kModelSize];
    std::memset(text, ' ', sizeof text);
    std::memcpy(text, model.data(), std::min(model.size(), sizeof text));
    // ATA strings: the first character of each pair in the word's high byte.
    for (std::size_t k = 0; k < identify::kModelSize; k += 2) {
        block[identify::kModel + k] = static_cast<std::uint8_t>(text[k + 1]);
        block[identify::kModel + k + 1] = static_cast<std::uint8_t>(text[k]);
    }
}

} // namespace

void install_simulated_driver(SimulatedCard& card)
{
    installed_card = &card;
    install_device_port(DevicePort{sim_open, sim_request, sim_close});
}

void uninstall_simulated_driver()
{
    install_device_port(system_device_port());
    installed_card = nullptr;
}

int SimulatedCard::open_device()
{
    if (fail_open) {
        errno = open_errno;
        return -1;
    }
    int fd = next_fd_++;
    open_fds_.push_back(fd);
    events.push_back({SimCall::Open, fd, 0, {}});
    return fd;
}

int SimulatedCard::close_device(int fd)
{
    auto it = std::find(open_fds_.begin(), open_fds_.end(), fd);
    if (it == open_fds_.end()) {
        ++bad_closes_;
        return -1;
    }
    open_fds_.erase(it);
    events.push_back({SimCall::Close, fd, 0, {}});
    return 0;
}

int SimulatedCard::request(int fd, unsigned long code, void* record)
{
    auto* bytes = static_cast<std::uint8_t*>(record);
    events.push_back({SimCall::Request, fd, code, {bytes[0], bytes[1]}});
    if (std::find(open_fds_.begin(), open_fds_.end(), fd) == open_fds_.end())
        return -1;
    switch (code) {
    case kRequestArrayStatus:
        answer_array_status(bytes);
        break;
    case kRequestIdentify:
        answer_identify(bytes);
        break;
    case kRequestSwapBoxes:
        answer_swap_boxes(bytes);
        break;
    case kRequestMirrorSync:
        if (fail_sync)
            return -1;
        last_sync_command = bytes[0];
        return 0;
    case kRequestPower:
        return answer_power(bytes);
    case kRequestVersion:
        if (fail_version) {
            errno = version_errno;
            return -1;
        }
        std::memset(bytes, 0, kVersionSize);
        std::memcpy(bytes, version_text.data(), std::min(version_text.size(), kVersionSize - 1));
        break;
    case kRequestControllers:
        answer_controllers(bytes);
        break;
    default:
        return -1;
    }
    if (tamper)
        tamper(code, bytes);
    return 0;
}

void SimulatedCard::answer_array_status(std::uint8_t* block) const
{
    const std::uint8_t index = block[status_block::kArrayIndex];
    std::memset(block + 1, 0, kArrayStatusSize - 1);
    if (index >= arrays.size())
        return;
    const SimArray& a = arrays[index];
    block[status_block::kArrayNumber] = a.number;
    block[status_block::kArrayStatus] = a.status;
    block[status_block::kRaidMode] = a.raid_mode;
    put_le16(block + status_block::kCylinders, a.cylinders);
    block[status_block::kHeads] = a.heads;
    block[status_block::kSectors] = a.sectors;
    put_le32(block + status_block::kSize, a.size_mb);
    put_le32(block + status_block::kProgress, a.progress);
    block[status_block::kMemberMask] = a.member_mask;
    put_le16(block + status_block::kRebuildMask, a.rebuild_mask);
    block[status_block::kBusyMask] = a.busy_mask;
}

void SimulatedCard::answer_identify(std::uint8_t* block) const
{
    const int position = block[0] - '1';
    std::memset(block, 0, 512);
    if (position < 0 || position > 7 || !drives[position].present || !drives[position].powered) {
        block[identify::kPresence] = identify::kNoDrive;
        return;
    }
    const SimDrive& d = drives[position];
    block[identify::kPresence] = 0x40; // general configuration: fixed disk
    put_le16(block + identify::kCylinders, d.cylinders);
    put_le16(block + identify::kHeads, d.heads);
    put_le16(block + identify::kSectorsPerTrack, d.sectors_per_track);
    put_model(block, d.model);
    put_le32(block + identify::kTotalSectors, d.total_sectors);
    block[identify::kDmaSelected] = d.dma_selected;
    block[identify::kUltraDmaSelected] = d.ultra_dma_selected;
}

void SimulatedCard::answer_swap_boxes(std::uint8_t* table) const
{
    for (std::size_t j = 0; j < boxes.size(); ++j) {
        std::uint8_t* e = table + j * kSwapEntrySize;
        const SimSwapBox& b = boxes[j];
        std::memset(e, 0, kSwapEntrySize);
        e[swap_entry::kPresent] = b.present;
        e[swap_entry::kBoxType] = b.type;
        put_le16(e + swap_entry::kSignature, b.signature);
        put_le32(e + swap_entry::kFanSpeed, static_cast<std::uint32_t>(b.fan_speed));
        put_le16(e + swap_entry::kTemperatureC, b.temperature_c);
        put_le16(e + swap_entry::kTemperatureF, b.temperature_f);
        put_le16(e + swap_entry::kVcc, b.vcc);
        put_le16(e + swap_entry::kV12, b.v12);
    }
}

void SimulatedCard::answer_controllers(std::uint8_t* block) const
{
    for (std::size_t c = 0; c < controllers.size(); ++c) {
        std::uint8_t* r = block + status_block::kControllerRecords + c * status_block::kControllerRecordSize;
        const SimController& k = controllers[c];
        std::memset(r, 0, status_block::kControllerRecordSize);
        put_le16(r + controller_record::kDeviceId, k.device_id);
        r[controller_record::kIrq] = k.irq;
        put_le16(r + controller_record::kChannel1Base1, k.channel1_base1);
        put_le16(r + controller_record::kChannel1Base2, k.channel1_base2);
        put_le16(r + controller_record::kChannel2Base1, k.channel2_base1);
        put_le16(r + controller_record::kChannel2Base2, k.channel2_base2);
        put_le16(r + controller_record::kBusMasterBase, k.bus_master_base);
        put_le32(r + controller_record::kRomBase, k.rom_base);
    }
}

int SimulatedCard::answer_power(const std::uint8_t* command)
{
    const int position = command[0] - '1';
    if (position < 0 || position > 7 || (command[1] != '0' && command[1] != '1'))
        return -1;
    if (fail_power[position])
        return -1;
    const bool on = command[1] == '1';
    drives[position].powered = on;
    // A switched-off bay stops its fan; switching on starts it again.
    if (boxes[position].present)
        boxes[position].fan_speed = on ? 3000 : 0;
    return 0;
}

int SimulatedCard::opens() const
{
    return static_cast<int>(std::count_if(events.begin(), events.end(), [](const SimEvent& e) { return e.call == SimCall::Open; }));
}

int SimulatedCard::closes() const
{
    return static_cast<int>(std::count_if(events.begin(), events.end(), [](const SimEvent& e) { return e.call == SimCall::Close; }));
}

std::vector<SimEvent> SimulatedCard::requests() const
{
    std::vector<SimEvent> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out), [](const SimEvent& e) { return e.call == SimCall::Request; });
    return out;
}

std::vector<SimEvent> SimulatedCard::requests_with_code(unsigned long code) const
{
    std::vector<SimEvent> out;
    std::copy_if(events.begin(), events.end(), std::back_inserter(out),
                 [code](const SimEvent& e) { return e.call == SimCall::Request && e.code == code; });
    return out;
}
