// The session agent (--notify): follows the system service's events on the system bus and
// shows each as a notification of the desktop's notification service on the session bus,
// with no window and no toolkit (GIO alone). The service may come and go; the agent waits
// for it and tells the user each problem once.
#pragma once

// Runs until SIGTERM or SIGINT and returns 0; returns 1 when a bus cannot be reached.
int run_notification_agent();
