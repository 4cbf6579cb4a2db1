// A private bus standing in for the system bus, with polkit's answers from a mock: this
// process and its children reach it as their system bus.
#pragma once

#include "service/system_bus_service.h"
#include "simulated_driver.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

struct Spawned {
    GSubprocess* process;
    ~Spawned() { g_subprocess_force_exit(process), g_subprocess_wait(process, nullptr, nullptr), g_object_unref(process); }
};

// A dbus-daemon with the service's own bus policy, and the polkit mock on it.
class PrivateBus : public testing::Test {
public:
    void SetUp() override
    {
        const std::string config = testing::TempDir() + "quorvex-bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                 "<policy context='default'><allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/>"
                                 "<allow own='*'/></policy><include>" QUORVEX_SOURCE_DIR "/data/org.quorvex.Monitor1.conf</include></busconfig>";
        daemon_.process = g_subprocess_new(GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_SILENCE), nullptr,
                                           "dbus-daemon", "--nofork", ("--config-file=" + config).c_str(), "--print-address", nullptr);
        g_autoptr(GDataInputStream) out = g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon_.process));
        g_autofree gchar* address = g_data_input_stream_read_line(out, nullptr, nullptr, nullptr);
        ASSERT_TRUE(address);
        g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address, TRUE);
        client_ = g_dbus_connection_new_for_address_sync(
            address, GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        polkit_.process = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_SILENCE, nullptr, "/usr/bin/python3", "-m", "dbusmock",
                                           "--template", "polkitd", nullptr);
        ASSERT_TRUE(wait_for_owner("org.freedesktop.PolicyKit1"));
    }
    void TearDown() override
    {
        stop_serving_system_bus();
        g_clear_object(&client_);
    }

    bool wait_for_owner(const char* name)
    {
        for (int k = 0; k < 500; g_main_context_iteration(nullptr, FALSE), g_usleep(10000), ++k)
            if (g_autoptr(GVariant) owned = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                                 "NameHasOwner", g_variant_new("(s)", name));
                owned && g_variant_get_boolean(g_variant_get_child_value(owned, 0)))
                return true;
        return false;
    }
    void allow(std::vector<const char*> actions)
    {
        actions.push_back(nullptr);
        g_autoptr(GVariant) done = call("org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
                                        "org.freedesktop.DBus.Mock", "SetAllowed", g_variant_new("(^as)", actions.data()));
    }
    // The reply, or null and the error's D-Bus name.
    GVariant* call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
                   std::string* error_name = nullptr)
    {
        // This process's main context may have to serve the call itself.
        GAsyncResult* result = nullptr;
        g_dbus_connection_call(client_, name, path, interface, method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                               [](GObject*, GAsyncResult* r, gpointer p) { *static_cast<GAsyncResult**>(p) = G_ASYNC_RESULT(g_object_ref(r)); },
                               &result);
        while (!result)
            g_main_context_iteration(nullptr, TRUE);
        g_autoptr(GAsyncResult) done = result;
        g_autoptr(GError) error = nullptr;
        GVariant* reply = g_dbus_connection_call_finish(client_, result, &error);
        if (g_autofree gchar* remote = error ? g_dbus_error_get_remote_error(error) : nullptr; error_name && remote)
            *error_name = remote;
        return reply;
    }
    void serve(SimulatedCard& card)
    {
        install_simulated_driver(card);
        serve_system_bus(nullptr);
        ASSERT_TRUE(wait_for_owner(kServiceName));
    }

    Spawned daemon_{}, polkit_{};
    GDBusConnection* client_ = nullptr;
};

struct Answer { int status; std::string out, err; };

inline Answer run(std::vector<const char*> argv)
{
    argv.push_back(nullptr);
    g_autoptr(GSubprocess) child =
        g_subprocess_newv(argv.data(), GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE), nullptr);
    g_autofree gchar *out = nullptr, *err = nullptr;
    g_subprocess_communicate_utf8(child, nullptr, nullptr, &out, &err, nullptr);
    return {g_subprocess_get_exit_status(child), out ? out : "", err ? err : ""};
}
