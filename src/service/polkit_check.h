// Asks polkit whether the sender of a system-bus message may do an action. The answer
// comes back on the thread-default main context, so the service never waits for polkit.
#pragma once

#include <string>

// Called with the answer; no answer (polkit absent, an error) counts as refused.
using AuthorizationDone = void (*)(bool allowed, void* context);

// interactive: the caller allowed interactive authorization, so the desktop's agent may
// ask for a password. remember: an allowed answer holds for that sender and action for
// kRememberedSeconds, answered at once without asking polkit again (a window's scan is a
// dozen requests; whether a caller may read does not change within one of its scans).
void check_authorization(const std::string& sender, const char* action, bool interactive, bool remember,
                         AuthorizationDone done, void* context);

inline constexpr int kRememberedSeconds = 30;

// Drops the remembered answers and the handle on polkit: both belong to the bus they came
// from, and unique names start again on a new one.
void forget_authorizations();
