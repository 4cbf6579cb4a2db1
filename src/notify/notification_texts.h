// What the desktop is told: for each event of the system service, and for arrays found
// failing when the agent meets the service, the urgency, title and body of one
// notification, in plain words.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The urgency hint of the desktop's notification service.
enum class Urgency : std::uint8_t { Low = 0, Normal = 1, Critical = 2 };

struct NotificationText {
    Urgency urgency = Urgency::Normal;
    std::string title;
    std::string body;
};

// The notification for one event, or none (the driver's own lines: the state events
// already say what they mean).
std::optional<NotificationText> event_notification(const std::string& event, const std::string& array,
                                                   const std::string& detail);

// An array not functional as the service's status shows it.
struct ArrayProblem {
    int array = 0;
    std::string state;            // "critical", "offline" or "rebuilding"
    std::optional<int> percent;   // the rebuild's progress
};

// One notification for the arrays found not functional; `problems` is not empty.
NotificationText status_notification(const std::vector<ArrayProblem>& problems);

// "drive 2 (controller 1, channel 1, slave)" for position 2; a number outside 1 to 8 as
// just "drive N".
std::string drive_words(int position);
