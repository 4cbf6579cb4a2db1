// Asks polkit whether the sender of a system-bus message may do an action. The answer
// comes back on the thread-default main context, so the service never waits for polkit.
#pragma once

#include <string>

// Called with the answer; no answer (polkit absent, an error) counts as refused.
using AuthorizationDone = void (*)(bool allowed, void* context);

// interactive: the caller allowed interactive authorization, so the desktop's agent may
// ask for a password.
void check_authorization(const std::string& sender, const char* action, bool interactive, AuthorizationDone done,
                         void* context);
