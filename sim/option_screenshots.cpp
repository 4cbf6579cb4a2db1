#include "option_screenshots.h"

#include "base/bounded_text.h"
#include "ui/password_protection.h"
#include "settings/settings_record.h"
#include "ui/options_page.h"
#include "ui/startup.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <gtk/gtk.h>

namespace {

// Lets the window manager map the windows and the toolkit draw them.
void settle()
{
    bool waited = false;
    g_timeout_add(400, [](gpointer flag) -> gboolean { *static_cast<bool*>(flag) = true; return FALSE; }, &waited);
    while (!waited)
        gtk_main_iteration();
    while (gtk_events_pending())
        gtk_main_iteration();
}

void save_window(GtkWidget* widget, const std::string& path)
{
    GdkWindow* surface = gtk_widget_get_window(widget);
    GdkPixbuf* picture = gdk_pixbuf_get_from_window(surface, 0, 0, gdk_window_get_width(surface),
                                                    gdk_window_get_height(surface));
    if (!picture)
        return;
    gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
}

GtkWidget* latest_window_titled(const char* title)
{
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* item = all; item; item = item->next) {
        const char* t = gtk_window_get_title(GTK_WINDOW(item->data));
        if (t && std::strcmp(t, title) == 0)
            found = GTK_WIDGET(item->data);
    }
    g_list_free(all);
    return found;
}

} // namespace

void save_option_screenshots(const std::string& dir)
{
    const SettingsRecord saved = option3;
    GtkWidget* previous_window = window;

    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(top), kMainWindowTitle);
    gtk_window_set_default_size(GTK_WINDOW(top), 640, 480);
    window = top;
    GtkWidget* book = gtk_notebook_new();
    gtk_container_add(GTK_CONTAINER(top), book);
    clear_build_handles();
    build_options_page(book);
    gtk_widget_show(book);
    gtk_widget_show(top);
    gtk_notebook_set_current_page(GTK_NOTEBOOK(book), 0);
    settle();
    save_window(top, dir + "/option-page.png");

    // A password change: the dialog then shows every row.
    replace_text(option3.password, "stored");
    if (passwordbar)
        gtk_entry_set_text(GTK_ENTRY(passwordbar), "changed");
    open_password_confirm();
    settle();
    if (GtkWidget* dialog = latest_window_titled("Password Confirm")) {
        save_window(dialog, dir + "/password-dialog.png");
        gtk_widget_destroy(dialog);
    }

    clear_build_handles();
    gtk_widget_destroy(top);
    window = previous_window;
    option3 = saved;
    while (gtk_events_pending())
        gtk_main_iteration();
}
