#include "notify/notification_agent.h"

#include "base/program.h"
#include "monitor/card_events.h"
#include "notify/announced_problems.h"
#include "notify/notification_texts.h"
#include "service/service_client.h"
#include "service/system_bus_service.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* kNotifications = "org.freedesktop.Notifications";
constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
constexpr const char* kDesktopId = "org.quorvex.monitor.desktop";
constexpr const char* kAppName = "Quorvex Monitor Utility";
constexpr const char* kIconName = "org.quorvex.monitor";
constexpr const char* kStatusKey = "status";
constexpr int kCallTimeoutMs = 5000;

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using Connection = std::unique_ptr<GDBusConnection, ObjectUnref>;

struct QueuedNotification {
    std::string key;
    NotificationText text;
};

struct Agent {
    Connection system;
    Connection session;
    GMainLoop* loop = nullptr;
    AnnouncedProblems announced;
    // What each notification still shown is about ("DriveFailed 1 drive 2"), and its id.
    std::map<std::string, guint32> shown;
    std::deque<QueuedNotification> queue; // the first is being sent
    // The service had no status yet when it appeared: its first change brings it.
    bool awaiting_status = false;
    // While the status is read, events wait: first the state the service found, then its changes.
    bool reading_status = false;
    std::vector<CardEvent> held;
};

void say(const std::string& message) { std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str()); }

void say_error(const std::string& what, GError* error)
{
    say(what + ": " + error->message);
    g_error_free(error);
}

// The drive or controller an event's detail starts with: two DriveFailed of different
// drives are two notifications, the same one twice is one.
std::string subject_of(const std::string& detail)
{
    if (!detail.starts_with("drive ") && !detail.starts_with("controller "))
        return {};
    return detail.substr(0, detail.find(' ', detail.find(' ') + 1));
}

// Notifications go out one at a time, so a repeat knows the id of the one it replaces.
void send_next(Agent& agent);

void sent(Agent& agent)
{
    agent.queue.pop_front();
    send_next(agent);
}

void remember_id(GObject* source, GAsyncResult* result, gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        say_error("cannot show a notification", error);
    } else {
        guint32 id = 0;
        g_variant_get(reply, "(u)", &id);
        g_variant_unref(reply);
        agent.shown[agent.queue.front().key] = id;
    }
    sent(agent);
}

// The three characters the servers' body markup gives a meaning.
std::string markup_escaped(const std::string& text)
{
    std::string escaped;
    for (char c : text)
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return escaped;
}

GVariant* notify_arguments(const Agent& agent, bool markup)
{
    const QueuedNotification& next = agent.queue.front();
    GVariantBuilder actions, hints;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&actions, "s", "default");
    g_variant_builder_add(&actions, "s", "Open monitor");
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(static_cast<guint8>(next.text.urgency)));
    g_variant_builder_add(&hints, "{sv}", "desktop-entry", g_variant_new_string(kIconName));
    const auto shown = agent.shown.find(next.key);
    const guint32 replaces = shown == agent.shown.end() ? 0 : shown->second;
    // A server that reads markup in the body would take a driver's "<" or "&" for it.
    const std::string body = markup ? markup_escaped(next.text.body) : next.text.body;
    // Critical notifications stay until dismissed; the others as long as the desktop keeps them.
    GVariant* arguments = g_variant_new("(susssasa{sv}i)", kAppName, replaces, kIconName, next.text.title.c_str(), body.c_str(),
                                        &actions, &hints, next.text.urgency == Urgency::Critical ? 0 : -1);
    return arguments;
}

void send_notification(GObject* source, GAsyncResult* result, gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply) {
        say_error("cannot reach the desktop's notification service", error);
        return sent(agent);
    }
    const gchar** capabilities = nullptr;
    g_variant_get(reply, "(^a&s)", &capabilities);
    const bool markup = g_strv_contains(capabilities, "body-markup");
    g_free(capabilities);
    g_variant_unref(reply);
    g_dbus_connection_call(agent.session.get(), kNotifications, kNotificationsPath, kNotifications, "Notify",
                           notify_arguments(agent, markup), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE,
                           kCallTimeoutMs, nullptr, remember_id, &agent);
}

// Asks for the server's capabilities first: whether it reads the body as markup.
void send_next(Agent& agent)
{
    if (agent.queue.empty())
        return;
    g_dbus_connection_call(agent.session.get(), kNotifications, kNotificationsPath, kNotifications, "GetCapabilities",
                           nullptr, G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr,
                           send_notification, &agent);
}

void notify(Agent& agent, const std::string& key, const NotificationText& text)
{
    agent.queue.push_back({key, text});
    if (agent.queue.size() == 1)
        send_next(agent);
}

void announce(Agent& agent, const CardEvent& event)
{
    if (!agent.announced.is_news(event.name, event.array, event.detail))
        return;
    if (const auto text = event_notification(event.name, event.array, event.detail))
        notify(agent, event.name + " " + event.array + " " + subject_of(event.detail), *text);
}

void on_event(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant* parameters,
              gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sssx)")))
        return;
    const gchar *name = nullptr, *array = nullptr, *detail = nullptr;
    gint64 time = 0;
    g_variant_get(parameters, "(&s&s&sx)", &name, &array, &detail, &time);
    const CardEvent event{name, array, detail};
    if (agent.reading_status)
        agent.held.push_back(event);
    else
        announce(agent, event);
}

void take_status(Agent& agent, const std::string& json)
{
    const auto problems = status_problems(json);
    agent.awaiting_status = !problems;
    if (!problems)
        return;
    const std::vector<ArrayProblem> news = agent.announced.news_in_status(*problems);
    if (!news.empty())
        notify(agent, kStatusKey, status_notification(news));
}

void status_read(GObject* source, GAsyncResult* result, gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply)
        take_status(agent, status_of_reply(reply));
    else
        say_error("cannot read the service's status", error);
    agent.awaiting_status = !reply || agent.awaiting_status;
    agent.reading_status = false;
    for (const CardEvent& event : std::exchange(agent.held, {}))
        announce(agent, event);
}

void read_status(Agent& agent)
{
    agent.reading_status = true;
    g_dbus_connection_call(agent.system.get(), kServiceName, kServicePath, "org.freedesktop.DBus.Properties", "Get",
                           g_variant_new("(ss)", kServiceInterface, "Status"), G_VARIANT_TYPE("(v)"),
                           G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, status_read, &agent);
}

void on_status_changed(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
                       gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    if (agent.awaiting_status)
        read_status(agent);
}

void service_appeared(GDBusConnection*, const gchar*, const gchar*, gpointer data) { read_status(*static_cast<Agent*>(data)); }

void service_vanished(GDBusConnection* connection, const gchar*, gpointer)
{
    if (connection)
        say(std::string("waiting for the system service ") + kServiceName);
}

void open_monitor()
{
    GDesktopAppInfo* info = g_desktop_app_info_new(kDesktopId);
    if (!info)
        return say(std::string("cannot open the monitor: ") + kDesktopId + " is not installed");
    GError* error = nullptr;
    if (!g_app_info_launch(G_APP_INFO(info), nullptr, nullptr, &error))
        say_error("cannot open the monitor", error);
    g_object_unref(info);
}

bool is_ours(const Agent& agent, guint32 id)
{
    for (const auto& [key, shown] : agent.shown)
        if (shown == id)
            return true;
    return false;
}

void on_notification_signal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
                            GVariant* parameters, gpointer data)
{
    Agent& agent = *static_cast<Agent*>(data);
    guint32 id = 0;
    if (g_str_equal(signal, "ActionInvoked") && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
        const gchar* action = nullptr;
        g_variant_get(parameters, "(u&s)", &id, &action);
        if (is_ours(agent, id) && g_str_equal(action, "default"))
            open_monitor();
    } else if (g_str_equal(signal, "NotificationClosed") && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
        g_variant_get(parameters, "(uu)", &id, nullptr);
        std::erase_if(agent.shown, [id](const auto& entry) { return entry.second == id; });
    }
}

gboolean quit(gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
    return G_SOURCE_CONTINUE;
}

Connection connect(GBusType type, const char* name)
{
    GError* error = nullptr;
    GDBusConnection* connection = g_bus_get_sync(type, nullptr, &error);
    if (!connection)
        say_error(std::string("cannot connect to the ") + name + " bus", error);
    return Connection(connection);
}

void subscribe(Agent& agent)
{
    g_dbus_connection_signal_subscribe(agent.system.get(), kServiceName, kServiceInterface, "Event", kServicePath,
                                       nullptr, G_DBUS_SIGNAL_FLAGS_NONE, on_event, &agent, nullptr);
    g_dbus_connection_signal_subscribe(agent.system.get(), kServiceName, "org.freedesktop.DBus.Properties",
                                       "PropertiesChanged", kServicePath, kServiceInterface, G_DBUS_SIGNAL_FLAGS_NONE,
                                       on_status_changed, &agent, nullptr);
    g_dbus_connection_signal_subscribe(agent.session.get(), kNotifications, kNotifications, nullptr, kNotificationsPath,
                                       nullptr, G_DBUS_SIGNAL_FLAGS_NONE, on_notification_signal, &agent, nullptr);
}

} // namespace

int run_notification_agent()
{
    Agent agent;
    agent.system = connect(G_BUS_TYPE_SYSTEM, "system");
    agent.session = connect(G_BUS_TYPE_SESSION, "session");
    if (!agent.system || !agent.session)
        return 1;
    agent.loop = g_main_loop_new(nullptr, FALSE);
    subscribe(agent);
    // No activation: the agent follows the service the admin runs, it does not start it.
    const guint watch = g_bus_watch_name_on_connection(agent.system.get(), kServiceName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                                       service_appeared, service_vanished, &agent, nullptr);
    const guint term = g_unix_signal_add(SIGTERM, quit, agent.loop);
    const guint interrupt = g_unix_signal_add(SIGINT, quit, agent.loop);
    g_main_loop_run(agent.loop);
    g_source_remove(term);
    g_source_remove(interrupt);
    g_bus_unwatch_name(watch);
    g_main_loop_unref(agent.loop);
    return 0;
}
