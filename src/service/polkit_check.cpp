#include "service/polkit_check.h"

#include <polkit/polkit.h>

namespace {

// Kept for the life of the process: polkit's library drops it with its last reference, and
// a new one costs a round trip to polkit.
PolkitAuthority* authority = nullptr;

struct Check {
    std::string sender;
    const char* action;
    bool interactive;
    AuthorizationDone done;
    void* context;
};

void finish(Check* check, bool allowed)
{
    check->done(allowed, check->context);
    delete check;
}

void on_checked(GObject*, GAsyncResult* result, gpointer data)
{
    GError* error = nullptr;
    PolkitAuthorizationResult* answer = polkit_authority_check_authorization_finish(authority, result, &error);
    const bool allowed = answer && polkit_authorization_result_get_is_authorized(answer);
    if (answer)
        g_object_unref(answer);
    if (error)
        g_error_free(error);
    finish(static_cast<Check*>(data), allowed);
}

void ask(Check* check)
{
    PolkitSubject* subject = polkit_system_bus_name_new(check->sender.c_str());
    const auto flags = check->interactive ? POLKIT_CHECK_AUTHORIZATION_FLAGS_ALLOW_USER_INTERACTION
                                          : POLKIT_CHECK_AUTHORIZATION_FLAGS_NONE;
    polkit_authority_check_authorization(authority, subject, check->action, nullptr, flags, nullptr, on_checked, check);
    g_object_unref(subject);
}

void on_authority(GObject*, GAsyncResult* result, gpointer data)
{
    auto* check = static_cast<Check*>(data);
    if (!authority)
        authority = polkit_authority_get_finish(result, nullptr);
    if (!authority) {
        finish(check, false);
        return;
    }
    ask(check);
}

} // namespace

void check_authorization(const std::string& sender, const char* action, bool interactive, AuthorizationDone done,
                         void* context)
{
    auto* check = new Check{sender, action, interactive, done, context};
    if (authority)
        ask(check);
    else
        polkit_authority_get_async(nullptr, on_authority, check);
}
