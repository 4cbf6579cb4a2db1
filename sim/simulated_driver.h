// The simulated Halvoren driver: an in-memory card that answers the seven request codes
// with the same byte records as the real driver, behind the program's device port.
// It records every open, close and request, so tests can check the protocol.
#pragma once

#include <array>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct SimController {
    std::uint16_t device_id = 0; // 0: no controller at this index
    std::uint8_t irq = 0;
    std::uint16_t channel1_base1 = 0, channel1_base2 = 0;
    std::uint16_t channel2_base1 = 0, channel2_base2 = 0;
    std::uint16_t bus_master_base = 0;
    std::uint32_t rom_base = 0;
};

struct SimDrive {
    bool present = false;
    bool powered = true; // a drive switched off answers like an empty position
    std::string model;   // up to 40 characters, padded with spaces
    std::uint16_t cylinders = 0, heads = 0, sectors_per_track = 0;
    std::uint32_t total_sectors = 0;
    std::uint8_t dma_selected = 0;       // identify byte 127
    std::uint8_t ultra_dma_selected = 0; // identify byte 177
};

struct SimArray {
    std::uint8_t number = 0;
    std::uint8_t status = 0; // 0: no array; 15 or 143: functional
    std::uint8_t raid_mode = 0;
    std::uint16_t cylinders = 0;
    std::uint8_t heads = 0, sectors = 0;
    std::uint32_t size_mb = 0;
    std::uint32_t progress = 0;
    std::uint8_t member_mask = 0;
    std::uint16_t rebuild_mask = 0;
    std::uint8_t busy_mask = 0;
};

struct SimSwapBox {
    std::uint8_t present = 0;
    std::uint8_t type = 0; // raw byte, before the program masks it
    std::uint16_t signature = 0;
    std::int32_t fan_speed = 0;
    std::uint16_t temperature_c = 0, temperature_f = 0;
    std::uint16_t vcc = 0, v12 = 0;
};

enum class SimCall { Open, Request, Close };

struct SimEvent {
    SimCall call;
    int fd;
    unsigned long code;                  // Request only
    std::array<std::uint8_t, 2> written; // the first two bytes of the record as the program sent it
};

class SimulatedCard {
public:
    std::array<SimController, 2> controllers{};
    std::array<SimDrive, 8> drives{};
    std::array<SimArray, 4> arrays{};
    std::array<SimSwapBox, 8> boxes{};
    std::string version_text = "Halvoren driver 2.0";

    bool fail_open = false;
    bool fail_version = false;
    // errno of a failed open and of a failed version request.
    int open_errno = ENOENT;
    int version_errno = ENOTTY;
    bool fail_sync = false;
    std::array<bool, 8> fail_power{};

    // Last values received by the driver.
    int last_sync_command = -1;

    // Called with every answer before it reaches the program: lets a test hand the
    // program odd or random records.
    std::function<void(unsigned long code, std::uint8_t* record)> tamper;

    std::vector<SimEvent> events;

    int open_device();
    int request(int fd, unsigned long code, void* record);
    int close_device(int fd);

    // Protocol checks.
    int opens() const;
    int closes() const;
    int bad_closes() const { return bad_closes_; }
    bool all_closed() const { return open_fds_.empty(); }
    std::vector<SimEvent> requests() const;
    std::vector<SimEvent> requests_with_code(unsigned long code) const;
    void clear_log() { events.clear(); }

private:
    void answer_array_status(std::uint8_t* record) const;
    void answer_identify(std::uint8_t* record) const;
    void answer_swap_boxes(std::uint8_t* record) const;
    void answer_controllers(std::uint8_t* record) const;
    int answer_power(const std::uint8_t* command);

    int next_fd_ = 100;
    std::vector<int> open_fds_;
    int bad_closes_ = 0;
};

// Routes the program's device port to the card (the card must outlive its use).
void install_simulated_driver(SimulatedCard& card);
// Back to the C library's calls.
void uninstall_simulated_driver();
