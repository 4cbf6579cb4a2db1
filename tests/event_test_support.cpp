#include "event_test_support.h"
#include "test_support.h"

#include "monitor/log_watch.h"

namespace {

std::time_t clock_now;

GtkWidget* content_child_of_type(GtkWidget* popup, GType type)
{
    GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(popup))));
    GtkWidget* found = nullptr;
    for (GList* l = children; l && !found; l = l->next)
        found = G_TYPE_CHECK_INSTANCE_TYPE(l->data, type) ? GTK_WIDGET(l->data) : nullptr;
    g_list_free(children);
    return found;
}

} // namespace

std::time_t utc(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{second, minute, hour, day, month - 1, year - 1900, 0, 0, 0, 0, nullptr};
    return timegm(&t);
}

void use_fixed_clock(std::time_t now)
{
    clock_now = now;
    set_clock_source([] { return clock_now; });
}
void set_fixed_clock(std::time_t now) { clock_now = now; }
std::time_t fixed_clock() { return clock_now; }

std::string log_prefix(std::time_t when)
{
    char text[26] = {};
    return std::string(ctime_r(&when, text) + 4, 15) + " ";
}
std::string marked_line(std::time_t when, const std::string& event) { return log_prefix(when) + "quorvex kernel: HALVOREN|" + event + "\n"; }

std::vector<GtkWidget*> open_popups()
{
    std::vector<GtkWidget*> found;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next)
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
            found.push_back(GTK_WIDGET(l->data));
    g_list_free(all);
    return found;
}
GtkWidget* popup_label(GtkWidget* popup) { return content_child_of_type(popup, GTK_TYPE_LABEL); }
GtkWidget* popup_button(GtkWidget* popup) { return content_child_of_type(popup, GTK_TYPE_BUTTON); }

std::string bar_text(GtkWidget* bar)
{
    const char* text = gtk_progress_bar_get_text(GTK_PROGRESS_BAR(bar));
    return text ? text : "";
}
std::string label_text(GtkWidget* label) { return gtk_label_get_text(GTK_LABEL(label)); }
