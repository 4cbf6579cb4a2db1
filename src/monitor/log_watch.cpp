#include "monitor/log_watch.h"

#include "base/bounded_text.h"

#include <cstring>
#include <string>

char globalhour[5];
char globalminute[5];
char globalsecond[5];
char olderrordata[400];

namespace {

std::time_t system_clock_now() { return std::time(nullptr); }

ClockSource clock_source = system_clock_now;
std::string log_path = "/var/log/messages";

} // namespace

void set_clock_source(ClockSource clock) { clock_source = clock ? clock : system_clock_now; }
void set_system_log_path(const char* path) { log_path = path; }
const char* system_log_path() { return log_path.c_str(); }

void gettimenow(char* buf)
{
    std::time_t now = clock_source();
    char text[26] = {};
    ctime_r(&now, text);
    std::memcpy(buf, text, sizeof text);
}

void popup_ok(GtkWidget*, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }

void geterrordata() {}
