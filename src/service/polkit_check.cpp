#include "service/polkit_check.h"

#include <polkit/polkit.h>

#include <algorithm>
#include <vector>

namespace {

// Kept while the name is served: polkit's library drops it with its last reference, and a
// new one costs a round trip to polkit.
PolkitAuthority* authority = nullptr;

struct Check {
    std::string sender;
    const char* action;
    bool interactive;
    bool remember;
    AuthorizationDone done;
    void* context;
};

// Allowed answers kept for a while; unique names are never reused on a bus, so one cannot
// inherit another client's answer.
struct Remembered {
    std::string sender;
    std::string action;
    gint64 until;
};
std::vector<Remembered> remembered;

bool remembered_allowed(const std::string& sender, const char* action)
{
    const gint64 now = g_get_monotonic_time();
    std::erase_if(remembered, [now](const Remembered& entry) { return entry.until <= now; });
    return std::any_of(remembered.begin(), remembered.end(),
                       [&](const Remembered& entry) { return entry.sender == sender && entry.action == action; });
}

void finish(Check* check, bool allowed)
{
    if (allowed && check->remember && !remembered_allowed(check->sender, check->action))
        remembered.push_back({check->sender, check->action, g_get_monotonic_time() + kRememberedSeconds * G_USEC_PER_SEC});
    check->done(allowed, check->context);
    delete check;
}

// The authority comes from the call: the service may have dropped its own meanwhile.
void on_checked(GObject* source, GAsyncResult* result, gpointer data)
{
    GError* error = nullptr;
    PolkitAuthorizationResult* answer = polkit_authority_check_authorization_finish(POLKIT_AUTHORITY(source), result, &error);
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
    // Requests that came before the first answer each asked; one handle is kept.
    PolkitAuthority* answer = polkit_authority_get_finish(result, nullptr);
    if (!authority)
        authority = answer;
    else if (answer)
        g_object_unref(answer);
    if (!authority) {
        finish(check, false);
        return;
    }
    ask(check);
}

} // namespace

void check_authorization(const std::string& sender, const char* action, bool interactive, bool remember,
                         AuthorizationDone done, void* context)
{
    if (remember && remembered_allowed(sender, action)) {
        done(true, context);
        return;
    }
    auto* check = new Check{sender, action, interactive, remember, done, context};
    if (authority)
        ask(check);
    else
        polkit_authority_get_async(nullptr, on_authority, check);
}

void forget_authorizations()
{
    remembered.clear();
    g_clear_object(&authority);
}
