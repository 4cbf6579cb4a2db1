#include "service/system_bus_service.h"

#include "base/program.h"
#include "driver/device_port.h"
#include "service/monitor1_interface.h"
#include "service/polkit_check.h"
#include "service/request_rules.h"
#include "status/status_report.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Service {
    guint owner_id = 0;
    guint object_id = 0;
    GDBusConnection* connection = nullptr;
    GDBusNodeInfo* interface_info = nullptr;
    void (*lost)() = nullptr;
    std::string status;
    std::string status_untimed;
};
Service service;

// A request waiting for polkit's answer.
struct PendingRequest {
    GDBusMethodInvocation* invocation;
    const RequestRule* rule;
    std::vector<guint8> input;
};

// Room for a driver that writes past the record's documented size.
constexpr std::size_t kRequestBufferSize = 1024;

GVariant* reply(int result, const guint8* output, std::size_t size)
{
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, output, size, 1);
    return g_variant_new("(i@ay)", result, bytes);
}

void run_request(GDBusMethodInvocation* invocation, const RequestRule& rule, const std::vector<guint8>& input)
{
    std::vector<guint8> record(std::max(kRequestBufferSize, rule.output_size));
    std::copy(input.begin(), input.end(), record.begin());
    DeviceHandle device;
    const int result = device.request(rule.code, record.data()) == 0 ? 0 : -1;
    g_dbus_method_invocation_return_value(invocation, reply(result, record.data(), rule.output_size));
}

// A refusal is answered as a failed request once its line, naming the caller, is written.
struct Refusal {
    GDBusMethodInvocation* invocation;
    const RequestRule* rule;
};

void on_caller_uid(GObject* connection, GAsyncResult* result, gpointer data)
{
    auto* refusal = static_cast<Refusal*>(data);
    GVariant* answer = g_dbus_connection_call_finish(G_DBUS_CONNECTION(connection), result, nullptr);
    guint32 uid = 0;
    if (answer)
        g_variant_get(answer, "(u)", &uid);
    const std::string who = answer ? "uid " + std::to_string(uid) : "a caller that left the bus";
    std::fprintf(stderr, "%s: refused request 0x%04lx (%s) to %s\n", kProgramName, refusal->rule->code,
                 refusal->rule->action, who.c_str());
    std::fflush(stderr);
    if (answer)
        g_variant_unref(answer);
    // Nothing was sent to the device.
    const std::vector<guint8> nothing(refusal->rule->output_size);
    g_dbus_method_invocation_return_value(refusal->invocation, reply(-1, nothing.data(), nothing.size()));
    delete refusal;
}

void refuse(GDBusMethodInvocation* invocation, const RequestRule& rule)
{
    g_dbus_connection_call(g_dbus_method_invocation_get_connection(invocation), "org.freedesktop.DBus",
                           "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetConnectionUnixUser",
                           g_variant_new("(s)", g_dbus_method_invocation_get_sender(invocation)), G_VARIANT_TYPE("(u)"),
                           G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, on_caller_uid, new Refusal{invocation, &rule});
}

void on_authorized(bool allowed, void* context)
{
    auto* pending = static_cast<PendingRequest*>(context);
    if (allowed)
        run_request(pending->invocation, *pending->rule, pending->input);
    else
        refuse(pending->invocation, *pending->rule);
    delete pending;
}

void handle_request(GVariant* parameters, GDBusMethodInvocation* invocation)
{
    guint32 code = 0;
    GVariant* input = nullptr;
    g_variant_get(parameters, "(u@ay)", &code, &input);
    gsize size = 0;
    const auto* bytes = static_cast<const guint8*>(g_variant_get_fixed_array(input, &size, 1));
    const RequestRule* rule = rule_for_request(code, size);
    if (!rule) {
        g_dbus_method_invocation_return_dbus_error(invocation, kInvalidRequestError,
                                                   rule_for_code(code) ? "wrong input length for this request code"
                                                                       : "not a request code of the driver");
        g_variant_unref(input);
        return;
    }
    auto* pending = new PendingRequest{invocation, rule, std::vector<guint8>(bytes, bytes + size)};
    g_variant_unref(input);
    const bool interactive = g_dbus_message_get_flags(g_dbus_method_invocation_get_message(invocation)) &
                             G_DBUS_MESSAGE_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION;
    // Only reads are remembered: each command is asked for, so a password is never skipped.
    const bool remember = rule->action == std::string_view(kReadAction);
    check_authorization(g_dbus_method_invocation_get_sender(invocation), rule->action, interactive, remember,
                        on_authorized, pending);
}

void on_method_call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                    GVariant* parameters, GDBusMethodInvocation* invocation, gpointer)
{
    if (g_strcmp0(method, "Request") == 0)
        handle_request(parameters, invocation);
    else
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", method);
}

GVariant* on_get_property(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**, gpointer)
{
    return g_variant_new_string(service.status.c_str());
}

const GDBusInterfaceVTable kVtable = {on_method_call, on_get_property, nullptr, {}};

void on_bus_acquired(GDBusConnection* connection, const gchar*, gpointer)
{
    GError* error = nullptr;
    service.object_id = g_dbus_connection_register_object(connection, kServicePath, service.interface_info->interfaces[0],
                                                          &kVtable, nullptr, nullptr, &error);
    if (!service.object_id) {
        std::fprintf(stderr, "%s: cannot export %s: %s\n", kProgramName, kServicePath, error->message);
        g_error_free(error);
        return;
    }
    service.connection = G_DBUS_CONNECTION(g_object_ref(connection));
    // A bus that goes away is a lost name, for the caller to handle.
    g_dbus_connection_set_exit_on_close(connection, FALSE);
}

void on_name_lost(GDBusConnection* connection, const gchar*, gpointer)
{
    std::fprintf(stderr, "%s: %s %s on the system bus\n", kProgramName,
                 connection ? "cannot own or lost the name" : "no connection for the name", kServiceName);
    if (service.lost)
        service.lost();
}

// Strings on the bus must be UTF-8; a driver's line may hold any byte.
std::string valid_text(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

void emit(const char* interface, const char* signal, GVariant* parameters)
{
    if (!service.connection) {
        g_variant_unref(g_variant_ref_sink(parameters));
        return;
    }
    g_dbus_connection_emit_signal(service.connection, nullptr, kServicePath, interface, signal, parameters, nullptr);
}

} // namespace

void serve_system_bus(void (*lost)())
{
    service.lost = lost;
    if (!service.interface_info)
        service.interface_info = g_dbus_node_info_new_for_xml(kMonitor1InterfaceXml, nullptr);
    service.owner_id = g_bus_own_name(G_BUS_TYPE_SYSTEM, kServiceName, G_BUS_NAME_OWNER_FLAGS_NONE, on_bus_acquired,
                                      nullptr, on_name_lost, nullptr, nullptr);
}

void stop_serving_system_bus()
{
    if (service.owner_id)
        g_bus_unown_name(service.owner_id);
    if (service.connection && service.object_id)
        g_dbus_connection_unregister_object(service.connection, service.object_id);
    g_clear_object(&service.connection);
    service.owner_id = service.object_id = 0;
    forget_authorizations();
}

void publish_status(const CardStatus& card, std::time_t scanned)
{
    service.status = status_json(card, scanned, "device");
    std::string untimed = status_json(card, 0, "device");
    if (untimed == service.status_untimed)
        return;
    service.status_untimed = std::move(untimed);
    GVariantBuilder changed;
    g_variant_builder_init(&changed, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&changed, "{sv}", "Status", g_variant_new_string(service.status.c_str()));
    emit("org.freedesktop.DBus.Properties", "PropertiesChanged",
         g_variant_new("(sa{sv}as)", kServiceInterface, &changed, nullptr));
}

void publish_event(const CardEvent& event, std::time_t detected)
{
    emit(kServiceInterface, "Event",
         g_variant_new("(sssx)", valid_text(event.name).c_str(), valid_text(event.array).c_str(),
                       valid_text(event.detail).c_str(),
                       static_cast<gint64>(detected)));
}
