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
    ~Spawned()
    {
        g_subprocess_force_exit(process);
        g_subprocess_wait(process, nullptr, nullptr);
        g_object_unref(process);
    }
};

// A dbus-daemon with the service's own bus policy, and the polkit mock on it.
class PrivateBus : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string config = testing::TempDir() + "quorvex-bus.conf";
        std::ofstream(config) << "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                 "<policy context='default'><allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/><allow own='*'/></policy>"
                                 "<include>" QUORVEX_SOURCE_DIR "/data/org.quorvex.Monitor1.conf</include></busconfig>";
        daemon_.process = g_subprocess_new(GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_SILENCE), nullptr, "dbus-daemon", "--nofork",
                                           ("--config-file=" + config).c_str(), "--print-address", nullptr);
        ASSERT_TRUE(daemon_.process);
        GDataInputStream* out = g_data_input_stream_new(g_subprocess_get_stdout_pipe(daemon_.process));
        gchar* address = g_data_input_stream_read_line(out, nullptr, nullptr, nullptr);
        g_object_unref(out);
        ASSERT_TRUE(address);
        g_setenv("DBUS_SYSTEM_BUS_ADDRESS", address, TRUE);
        client_ = g_dbus_connection_new_for_address_sync(
            address, GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        g_free(address);
        polkit_.process = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_SILENCE, nullptr, "/usr/bin/python3", "-m", "dbusmock", "--template",
                                           "polkitd", nullptr);
        ASSERT_TRUE(wait_for_owner("org.freedesktop.PolicyKit1"));
    }
    void TearDown() override
    {
        stop_serving_system_bus();
        g_clear_object(&client_);
    }

    bool wait_for_owner(const char* name)
    {
        for (int k = 0; k < 500; ++k) {
            GVariant* owned = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
                                   g_variant_new("(s)", name));
            const bool yes = owned && g_variant_get_boolean(g_variant_get_child_value(owned, 0));
            if (yes)
                return true;
            g_main_context_iteration(nullptr, FALSE);
            g_usleep(10000);
        }
        return false;
    }
    void allow(std::vector<const char*> actions)
    {
        actions.push_back(nullptr);
        call("org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority", "org.freedesktop.DBus.Mock",
             "SetAllowed", g_variant_new("(^as)", actions.data()));
    }
    // A call that lets this process's main context serve the service meanwhile.
    GVariant* call(const char* name, const char* path, const char* interface, const char* method, GVariant* parameters,
                   std::string* error_name = nullptr)
    {
        struct Done {
            GVariant* reply = nullptr;
            GError* error = nullptr;
            bool done = false;
        } d;
        g_dbus_connection_call(client_, name, path, interface, method, parameters, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
                               nullptr, [](GObject* c, GAsyncResult* r, gpointer p) {
                                   auto* d = static_cast<Done*>(p);
                                   d->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(c), r, &d->error);
                                   d->done = true;
                               }, &d);
        while (!d.done)
            g_main_context_iteration(nullptr, TRUE);
        if (d.error && error_name) {
            gchar* remote = g_dbus_error_get_remote_error(d.error);
            *error_name = remote ? remote : d.error->message;
            g_free(remote);
        }
        if (d.error)
            g_error_free(d.error);
        return d.reply;
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

struct Answer {
    int status;
    std::string out, err;
};

// A child of this process; its calls are served meanwhile.
inline Answer run(std::vector<const char*> argv)
{
    argv.push_back(nullptr);
    GSubprocess* child = g_subprocess_newv(argv.data(), GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_PIPE), nullptr);
    struct Done {
        gchar *out = nullptr, *err = nullptr;
        bool done = false;
    } d;
    g_subprocess_communicate_utf8_async(child, nullptr, nullptr, [](GObject* c, GAsyncResult* r, gpointer p) {
        auto* d = static_cast<Done*>(p);
        g_subprocess_communicate_utf8_finish(G_SUBPROCESS(c), r, &d->out, &d->err, nullptr);
        d->done = true;
    }, &d);
    while (!d.done)
        g_main_context_iteration(nullptr, TRUE);
    Answer answer{g_subprocess_get_exit_status(child), d.out ? d.out : "", d.err ? d.err : ""};
    g_free(d.out);
    g_free(d.err);
    g_object_unref(child);
    return answer;
}

