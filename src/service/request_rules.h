// Which driver requests the system service relays for its clients: each request code with
// the exact number of input bytes it takes, the size of the record it answers with and the
// polkit action a caller needs. Anything else never reaches the device.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr const char* kReadAction = "org.quorvex.monitor.read";
inline constexpr const char* kManageAction = "org.quorvex.monitor.manage";

struct RequestRule {
    unsigned long code;
    std::size_t input_size;  // bytes the caller writes before the request
    std::size_t output_size; // the record the request answers with; 0 for the commands
    // The bytes of the answer the program takes over; the rest of its record stays as it was.
    std::size_t read_offset, read_size;
    const char* action;
};

// The rule for a code, or null when the service does not relay it.
const RequestRule* rule_for_code(std::uint32_t code);
// The rule when the code is relayed and the input has exactly its length; null otherwise.
const RequestRule* rule_for_request(std::uint32_t code, std::size_t input_size);
