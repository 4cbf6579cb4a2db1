// The card's state as numbers and fixed names, read from the driver records in one pass
// of the scan's requests without touching the inventory tables: what the command line
// reports as text, JSON and metrics.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ArrayState { Functional, Rebuilding, Critical, Offline };
inline constexpr const char* kArrayStateNames[] = {"functional", "rebuilding", "critical", "offline"};
enum class DriveState { Functional, Rebuilding };
inline constexpr const char* kDriveStateNames[] = {"functional", "rebuilding"};

// The monitoring-plugin exit statuses and their words.
enum ExitStatus { kExitOk = 0, kExitWarning = 1, kExitCritical = 2, kExitUnknown = 3 };
inline constexpr const char* kExitStatusWords[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

struct ControllerStatus {
    int index = 0; // 0 or 1
    std::uint16_t device_id = 0;
    std::string model; // "100", "100 KV2" or "66"
    int irq = 0;
};

struct ArrayStatusEntry {
    int index = 0;
    int number = 0;
    const char* raid_mode = "unknown"; // "striping", "mirroring" or "unknown"
    ArrayState state = ArrayState::Functional;
    std::uint64_t size_bytes = 0;
    std::optional<double> rebuild_ratio; // while rebuilding and the size is known
    std::vector<int> members;            // drive positions 0..7
};

struct DriveStatus {
    int position = 0; // 0..7
    int controller = 0, channel = 0;
    const char* role = "master"; // "master" or "slave"
    std::string model;
    std::uint64_t size_bytes = 0;
    DriveState state = DriveState::Functional;
    std::optional<int> array_number;
};

struct SwapBoxStatus {
    int position = 0;
    const char* type = "unknown";
    std::optional<int> fan_rpm;
    std::optional<int> temperature_celsius;
    std::optional<double> vcc_volts, v12_volts;
};

struct CardStatus {
    bool card_found = false;
    std::string failure; // why the card could not be read
    std::string driver_version;
    std::vector<ControllerStatus> controllers;
    std::vector<ArrayStatusEntry> arrays;
    std::vector<DriveStatus> drives; // present drives only
    std::optional<std::vector<SwapBoxStatus>> swap_boxes; // null while the controller was busy
};

// Texts from the driver (models, version) hold printable ASCII only, bytes outside it
// shown as '?', so every form of the report is valid UTF-8.
CardStatus collect_card_status();
// The same, given up when the driver has not answered within the limit: nothing then. The
// request left hanging keeps a thread of its own, so the process must end with _Exit.
std::optional<CardStatus> collect_card_status_within(std::chrono::seconds limit);

// The exit status the state calls for, and the summary: its word, then every array not
// functional and every drive not functional outside those arrays.
ExitStatus overall_status(const CardStatus& card);
std::string summary_line(const CardStatus& card);
