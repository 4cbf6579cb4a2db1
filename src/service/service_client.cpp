#include "service/service_client.h"

#include "driver/driver_records.h"
#include "service/request_rules.h"
#include "service/system_bus_service.h"

#include <gio/gio.h>

#include <algorithm>
#include <cerrno>

namespace {

GDBusConnection* bus = nullptr;

// A bus connection of our own, made again once it was closed (the bus restarted); the
// process lives on when the bus goes away.
GDBusConnection* system_bus(std::string* why)
{
    if (bus && !g_dbus_connection_is_closed(bus))
        return bus;
    g_clear_object(&bus);
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
    if (address)
        bus = g_dbus_connection_new_for_address_sync(address,
                                                     static_cast<GDBusConnectionFlags>(
                                                         G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                         G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                                     nullptr, nullptr, &error);
    g_free(address);
    if (!bus) {
        // No system bus for this process: no service either.
        if (why)
            *why = kServiceNotRunningText;
        g_error_free(error);
        return nullptr;
    }
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    return bus;
}

GVariant* call_bus(const char* method, GVariant* parameters, const char* reply_type)
{
    GDBusConnection* connection = system_bus(nullptr);
    if (!connection)
        return nullptr;
    return g_dbus_connection_call_sync(connection, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", method, parameters, G_VARIANT_TYPE(reply_type),
                                       G_DBUS_CALL_FLAGS_NONE, kServiceCallMs, nullptr, nullptr);
}

bool name_has_owner()
{
    GVariant* reply = call_bus("NameHasOwner", g_variant_new("(s)", kServiceName), "(b)");
    gboolean owned = FALSE;
    if (reply) {
        g_variant_get(reply, "(b)", &owned);
        g_variant_unref(reply);
    }
    return owned;
}

bool name_activatable()
{
    GVariant* reply = call_bus("ListActivatableNames", nullptr, "(as)");
    if (!reply)
        return false;
    const gchar** names = nullptr;
    g_variant_get(reply, "(^a&s)", &names);
    const bool found = names && g_strv_contains(names, kServiceName);
    g_free(names);
    g_variant_unref(reply);
    return found;
}

int failed_request()
{
    errno = EIO;
    return -1;
}

int open_through_service(const char*, int) { return 0; }
int close_through_service(int) { return 0; }

int request_through_service(int, unsigned long code, void* record)
{
    const RequestRule* rule = rule_for_code(static_cast<std::uint32_t>(code));
    GDBusConnection* connection = system_bus(nullptr);
    if (!rule || !connection)
        return failed_request();
    auto* bytes = static_cast<guint8*>(record);
    // Only the power command comes from a person at the window; the schedule may not ask.
    const bool interactive = code == kRequestPower;
    GVariant* input = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, bytes, rule->input_size, 1);
    GVariant* reply = g_dbus_connection_call_sync(
        connection, kServiceName, kServicePath, kServiceInterface, "Request", g_variant_new("(u@ay)", code, input),
        G_VARIANT_TYPE("(iay)"),
        interactive ? G_DBUS_CALL_FLAGS_ALLOW_INTERACTIVE_AUTHORIZATION : G_DBUS_CALL_FLAGS_NONE,
        interactive ? kInteractiveCallMs : kServiceCallMs, nullptr, nullptr);
    if (!reply)
        return failed_request();
    gint32 result = -1;
    GVariant* output = nullptr;
    g_variant_get(reply, "(i@ay)", &result, &output);
    gsize size = 0;
    const auto* answer = static_cast<const guint8*>(g_variant_get_fixed_array(output, &size, 1));
    const bool complete = size == rule->output_size;
    if (result >= 0 && complete)
        std::copy_n(answer + rule->read_offset, rule->read_size, bytes + rule->read_offset);
    g_variant_unref(output);
    g_variant_unref(reply);
    return result >= 0 && complete ? result : failed_request();
}

void (*driver_event_sink)(const char*) = nullptr;

void on_event(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters, gpointer)
{
    const gchar *event = nullptr, *array = nullptr, *detail = nullptr;
    gint64 time = 0;
    g_variant_get(parameters, "(&s&s&sx)", &event, &array, &detail, &time);
    if (driver_event_sink && g_strcmp0(event, "DriverEvent") == 0)
        driver_event_sink((std::string(detail) + "\n").c_str());
}

} // namespace

bool service_reachable(std::string* why)
{
    if (!system_bus(why))
        return false;
    if (name_has_owner() || name_activatable())
        return true;
    *why = kServiceNotRunningText;
    return false;
}

std::string status_of_reply(GVariant* reply)
{
    GVariant* value = nullptr;
    g_variant_get(reply, "(v)", &value);
    std::string status = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ? g_variant_get_string(value, nullptr) : "";
    g_variant_unref(value);
    g_variant_unref(reply);
    return status;
}

std::optional<std::string> read_service_status(std::string* why)
{
    if (!service_reachable(why))
        return std::nullopt;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, kServiceName, kServicePath, "org.freedesktop.DBus.Properties", "Get",
                                                  g_variant_new("(ss)", kServiceInterface, "Status"),
                                                  G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, kServiceCallMs, nullptr,
                                                  &error);
    if (!reply) {
        *why = std::string("the system service org.quorvex.Monitor1 did not answer: ") + error->message;
        g_error_free(error);
        return std::nullopt;
    }
    return status_of_reply(reply);
}

DevicePort service_device_port() { return DevicePort{open_through_service, request_through_service, close_through_service}; }

bool route_requests_through_service(std::string* why)
{
    why->clear();
    {
        DeviceHandle device;
        if (device.is_open())
            return false;
    }
    if (!service_reachable(why))
        return false;
    install_device_port(service_device_port());
    return true;
}

void watch_service_driver_events(void (*sink)(const char* message))
{
    driver_event_sink = sink;
    if (GDBusConnection* connection = system_bus(nullptr))
        g_dbus_connection_signal_subscribe(connection, kServiceName, kServiceInterface, "Event", kServicePath, nullptr,
                                           G_DBUS_SIGNAL_FLAGS_NONE, on_event, nullptr, nullptr);
}
