#include "monitor/log_watch.h"

#include "base/bounded_text.h"
#include "base/unique_file.h"
#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <cstdlib>
#include <cstring>
#include <string>

char globalhour[5];
char globalminute[5];
char globalsecond[5];
char globaldate[7];
char olderrordata[400];

namespace {

constexpr int kBufferSize = 400;
constexpr const char kMarker[] = "HALVOREN|";
constexpr int kMarkerLength = sizeof kMarker - 1;
constexpr int kFirstMarkerColumn = 25;
constexpr int kLastMarkerColumn = 44;
// Messages that agree this far count as the same event repeated.
constexpr int kDuplicateLength = 70;

std::time_t system_clock_now() { return std::time(nullptr); }

ClockSource clock_source = system_clock_now;
std::string log_path = "/var/log/messages";

// Hour, minute and second as two-digit texts.
struct TimeFields {
    char hour[3];
    char minute[3];
    char second[3];
};

void cut_two(char (&field)[3], const char* text, int at)
{
    field[0] = text[at];
    field[1] = text[at + 1];
    field[2] = '\0';
}

TimeFields time_of_now(const char* now)
{
    TimeFields t;
    cut_two(t.hour, now, 11);
    cut_two(t.minute, now, 14);
    cut_two(t.second, now, 17);
    return t;
}

TimeFields time_of_line(const char* line)
{
    TimeFields t;
    cut_two(t.hour, line, 7);
    cut_two(t.minute, line, 10);
    cut_two(t.second, line, 13);
    return t;
}

// The buffer is cleared first so that nothing of a longer earlier line lies behind the
// terminator where the column tests look. False at the end of the file or on an error.
bool read_line(std::FILE* file, char (&line)[kBufferSize])
{
    std::memset(line, 0, sizeof line);
    return std::fgets(line, sizeof line, file) != nullptr && !std::feof(file);
}

// Month name and day of the line against those of the current-time text.
bool is_today(const char* line, const char* now)
{
    return line[0] == now[4] && line[1] == now[5] && line[2] == now[6] && line[4] == now[8] && line[5] == now[9];
}

bool is_marked(const char* line)
{
    for (int column = kFirstMarkerColumn; column <= kLastMarkerColumn; ++column)
        if (std::strncmp(line + column, kMarker, kMarkerLength) == 0)
            return true;
    return false;
}

bool same_date_as_last_seen(const char* line)
{
    return line[0] == globaldate[0] && line[1] == globaldate[1] && line[2] == globaldate[2] &&
           line[4] == globaldate[4] && line[5] == globaldate[5];
}

int compare_two(const char* a, const char* b) { return std::strncmp(a, b, 2); }

bool is_newer(const char* line, const TimeFields& t)
{
    if (globalhour[0] == '\0' || !same_date_as_last_seen(line))
        return true;
    if (int by_hour = compare_two(t.hour, globalhour); by_hour != 0)
        return by_hour > 0;
    if (int by_minute = compare_two(t.minute, globalminute); by_minute != 0)
        return by_minute > 0;
    return compare_two(t.second, globalsecond) > 0;
}

void remember(const char* line, const TimeFields& t)
{
    copy_text(globalhour, t.hour);
    copy_text(globalminute, t.minute);
    copy_text(globalsecond, t.second);
    std::memcpy(globaldate, line, sizeof globaldate - 1);
    globaldate[sizeof globaldate - 1] = '\0';
}

bool is_previous(int earlier, int later, int last) { return earlier == later - 1 || (earlier == last && later == 0); }

// At most 14 seconds old within the minute, or seconds 46..59 of the minute before when
// now is in seconds 0..14.
bool is_recent(const TimeFields& line, const TimeFields& now)
{
    const int H = std::atoi(line.hour), M = std::atoi(line.minute), S = std::atoi(line.second);
    const int h = std::atoi(now.hour), m = std::atoi(now.minute), s = std::atoi(now.second);
    const bool across_minute_edge = s <= 14 && S > 45;
    if (H == h && M == m)
        return s - S <= 14;
    if (H == h)
        return is_previous(M, m, 59) && across_minute_edge;
    return is_previous(H, h, 23) && m == 0 && M == 59 && across_minute_edge;
}

// The line and one more newline. A line that filled the read buffer is cut by one
// character so that the message, newline included, fits its buffer.
void build_message(char (&message)[kBufferSize], const char* line)
{
    format_text(message, sizeof message, "%.*s\n", kBufferSize - 2, line);
}

bool repeats_last_report(const char* message) { return std::strncmp(olderrordata, message, kDuplicateLength) == 0; }

void show_popup(const char* message)
{
    GtkWidget* dialog = gtk_dialog_new();
    // Keeps the window manager (and GTK's check for parentless dialogs) content; the
    // popup stays non-modal.
    if (window && GTK_IS_WINDOW(window))
        gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(window));
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 5);
    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));

    GtkWidget* label = gtk_label_new(message);
    gtk_widget_set_margin_start(label, 10);
    gtk_widget_set_margin_end(label, 10);
    gtk_widget_set_margin_top(label, 10);
    gtk_widget_set_margin_bottom(label, 10);
    gtk_box_pack_start(GTK_BOX(area), label, TRUE, TRUE, 0);
    gtk_widget_show(label);

    GtkWidget* button = gtk_button_new_with_label("OK");
    gtk_box_pack_start(GTK_BOX(area), button, TRUE, TRUE, 0);
    gtk_widget_show(button);
    g_signal_connect(button, "clicked", G_CALLBACK(popup_ok), dialog);

    gtk_widget_show(dialog);
}

void append_to_event_log(const char* message)
{
    char path[sizeof option3.logfile + 1] = {};
    std::memcpy(path, option3.logfile, field_length(option3.logfile));
    UniqueFile file(path, "a");
    if (file)
        std::fputs(message, file.get());
}

void report(const char* message)
{
    copy_text(olderrordata, message);
    if (option3.popup == 1)
        show_popup(message);
    if (option3.uselogfile == 1)
        append_to_event_log(message);
}

void handle_line(const char* line, const char* now, const TimeFields& time_now)
{
    if (!is_today(line, now) || !is_marked(line))
        return;
    const TimeFields stamped = time_of_line(line);
    if (!is_newer(line, stamped))
        return;
    remember(line, stamped);
    if (!is_recent(stamped, time_now))
        return;
    char message[kBufferSize];
    build_message(message, line);
    if (repeats_last_report(message))
        return;
    report(message);
}

} // namespace

void set_clock_source(ClockSource clock) { clock_source = clock ? clock : system_clock_now; }
void set_system_log_path(const char* path) { log_path = path; }
const char* system_log_path() { return log_path.c_str(); }

void gettimenow(char* buf)
{
    std::time_t now = clock_source();
    char text[26] = {};
    if (!ctime_r(&now, text))
        std::memset(text, 0, sizeof text);
    std::memcpy(buf, text, sizeof text);
}

void popup_ok(GtkWidget*, gpointer dialog) { gtk_widget_destroy(GTK_WIDGET(dialog)); }

void geterrordata()
{
    if (option3.uselogfile != 1 && option3.popup != 1)
        return;
    char now[26];
    gettimenow(now);
    const TimeFields time_now = time_of_now(now);

    UniqueFile log(log_path.c_str(), "r");
    if (!log)
        return;
    char line[kBufferSize];
    while (read_line(log.get(), line))
        handle_line(line, now, time_now);
}
