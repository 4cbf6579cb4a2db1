// The resident monitor's face on the system bus: owns org.quorvex.Monitor1, exports the
// object /org/quorvex/Monitor1 (interface in data/org.quorvex.Monitor1.xml) on the
// thread-default main context, and serves it from whatever loop runs that context: the
// latest scan as the Status property, each event as an Event signal, and single driver
// requests for clients, each checked against request_rules.h and polkit.
#pragma once

#include "monitor/card_events.h"
#include "status/card_status.h"

#include <ctime>

inline constexpr const char* kServiceName = "org.quorvex.Monitor1";
inline constexpr const char* kServicePath = "/org/quorvex/Monitor1";
inline constexpr const char* kServiceInterface = "org.quorvex.Monitor1";
inline constexpr const char* kInvalidRequestError = "org.quorvex.Monitor1.Error.InvalidRequest";

// Starts owning the name; returns at once. `lost` runs when the name cannot be owned or is
// lost (another owner, no permission, the bus gone), after the reason went to stderr.
void serve_system_bus(void (*lost)());
// Gives up the name and unexports the object.
void stop_serving_system_bus();

// After every scan: the Status property becomes the scan's JSON document;
// PropertiesChanged goes out only when more than its time changed.
void publish_status(const CardStatus& card, std::time_t scanned);
// Each reported event, as the Event signal.
void publish_event(const CardEvent& event, std::time_t detected);
