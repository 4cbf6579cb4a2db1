// The clients' side of the system service: when this user cannot open the device node,
// the status commands read the service's Status and the window sends its driver requests
// to the service's Request, as if it were the device. Every call gives up after
// kServiceCallMs, so a stopped or hanging service is a failed request, never a hang.
#pragma once

#include "driver/device_port.h"

#include <glib.h>

#include <optional>
#include <string>

inline constexpr int kServiceCallMs = 2000;
// A power command may wait for the desktop's password dialog.
inline constexpr int kInteractiveCallMs = 5 * 60 * 1000;
inline constexpr const char* kServiceNotRunningText =
    "the system service org.quorvex.Monitor1 is not running (sudo systemctl enable --now quorvex-monitor)";

// Whether the service has an owner on the system bus or can be started by it; when not, why.
bool service_reachable(std::string* why);

// The document in the reply to a Get of Status; the reply is used up.
std::string status_of_reply(GVariant* reply);

// The service's Status document; nothing, and why, when it cannot be read.
std::optional<std::string> read_service_status(std::string* why);

// A port whose requests go to the service's Request: what the driver answers, or a failed
// request (-1, errno EIO) when the service refuses, is gone or does not answer in time.
DevicePort service_device_port();

// When the device node cannot be opened and the service is reachable, installs
// service_device_port() and returns true; otherwise returns false and, if the device node
// could not be opened, sets why to the reason the service cannot stand in.
bool route_requests_through_service(std::string* why);

// Hands the driver's lines of the service's DriverEvent signals to sink, each with the
// newline the log watch gives its lines, as the thread-default main context dispatches them.
void watch_service_driver_events(void (*sink)(const char* message));
