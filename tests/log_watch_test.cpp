#include "event_test_support.h"
#include "test_support.h"

#include "monitor/log_watch.h"
#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace {

// Wednesday, 6 December 2023.
const std::time_t kNow = utc(2023, 12, 6, 10, 42, 5);

class LogWatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ensure_gtk();
        use_fixed_clock(kNow);
        set_system_log_path(syslog.c_str());
        copy_event_log_path(eventlog);
    }
    void TearDown() override
    {
        for (GtkWidget* popup : open_popups())
            gtk_widget_destroy(popup);
        drain_events();
    }

    static void copy_event_log_path(const std::string& path)
    {
        std::memset(option3.logfile, 0, sizeof option3.logfile);
        std::memcpy(option3.logfile, path.data(), path.size());
    }
    static void notify(std::uint32_t popup, std::uint32_t uselogfile)
    {
        option3.popup = popup;
        option3.uselogfile = uselogfile;
    }
    void log(const std::string& content) { write_file(syslog, content); }
    // Forgets the last-seen time, the last message and the event log.
    void forget()
    {
        globalhour[0] = '\0';
        olderrordata[0] = '\0';
        std::remove(eventlog.c_str());
    }
    std::string events() const { return read_file(eventlog); }
    // The event log entry a reported line leaves: the line and an empty line.
    static std::string entry(const std::string& line) { return line + "\n"; }

    ScopedWorkDir dir;
    std::string syslog = dir.file("messages");
    std::string eventlog = dir.file("Error.log");
};

TEST_F(LogWatch, FlagsOtherThanOneLeaveTheSystemLogUnopened)
{
    log(marked_line(kNow - 5, "Array 1 drive 2 failed"));
    OpenWatch watch(syslog);
    for (std::uint32_t value : {0u, 2u}) {
        notify(value, value);
        geterrordata();
    }
    EXPECT_EQ(watch.opens(), 0);
    EXPECT_EQ(globalhour[0], '\0');
    EXPECT_TRUE(open_popups().empty());
    EXPECT_FALSE(file_exists(eventlog));

    notify(0, 1);
    geterrordata();
    EXPECT_EQ(watch.opens(), 1);
}

TEST_F(LogWatch, ARecentLineIsReportedOnceAndNeverAgain)
{
    const std::string line = marked_line(kNow - 10, "Array 1 drive 2 failed");
    log("Dec  6 10:30:00 quorvex kernel: eth0 link up\n" + line);
    notify(1, 1);
    geterrordata();
    ASSERT_EQ(open_popups().size(), 1u);
    EXPECT_STREQ(olderrordata, (line + "\n").c_str());
    EXPECT_EQ(events(), entry(line));
    EXPECT_STREQ(globalhour, "10");
    EXPECT_STREQ(globalminute, "41");
    EXPECT_STREQ(globalsecond, "55");

    // Not newer any more: the same line is not reported even with no memory of the message.
    olderrordata[0] = '\0';
    set_fixed_clock(kNow + 3);
    geterrordata();
    EXPECT_EQ(open_popups().size(), 1u);
    EXPECT_EQ(events(), entry(line));
}

TEST_F(LogWatch, AnOlderLineIsRememberedButNotReported)
{
    log(marked_line(kNow - 20, "Array 1 drive 2 failed") + marked_line(kNow - 22, "older, later in the file"));
    notify(1, 1);
    geterrordata();
    EXPECT_TRUE(open_popups().empty());
    EXPECT_FALSE(file_exists(eventlog));
    EXPECT_STREQ(globalhour, "10");
    EXPECT_STREQ(globalminute, "41");
    EXPECT_STREQ(globalsecond, "45");
    EXPECT_STREQ(globaldate, "Dec  6");
    EXPECT_EQ(olderrordata[0], '\0');
}

TEST_F(LogWatch, RecentWindowAcrossMinuteAndHourEdges)
{
    struct Case {
        std::time_t line, now;
        bool reported;
    };
    const Case cases[] = {
        {utc(2023, 12, 6, 10, 41, 50), utc(2023, 12, 6, 10, 42, 5), true},
        {utc(2023, 12, 6, 10, 41, 40), utc(2023, 12, 6, 10, 42, 5), false},
        {utc(2023, 12, 6, 10, 59, 50), utc(2023, 12, 6, 11, 0, 5), true},
        {utc(2023, 12, 6, 10, 59, 50), utc(2023, 12, 6, 11, 1, 5), false},
        {utc(2023, 12, 6, 10, 41, 46), utc(2023, 12, 6, 10, 42, 14), true},
        {utc(2023, 12, 6, 10, 41, 46), utc(2023, 12, 6, 10, 42, 15), false},
        {utc(2023, 12, 6, 10, 41, 45), utc(2023, 12, 6, 10, 42, 0), false},
        {utc(2023, 12, 6, 10, 40, 50), utc(2023, 12, 6, 10, 42, 5), false},
        {utc(2023, 12, 6, 10, 42, 0), utc(2023, 12, 6, 10, 42, 14), true},
        {utc(2023, 12, 6, 10, 42, 0), utc(2023, 12, 6, 10, 42, 15), false},
        // Stamped later than now within the minute: still counts as recent.
        {utc(2023, 12, 6, 10, 42, 30), utc(2023, 12, 6, 10, 42, 5), true},
        {utc(2023, 12, 6, 9, 59, 50), utc(2023, 12, 6, 11, 0, 5), false},
    };
    notify(0, 1);
    for (const Case& c : cases) {
        forget();
        set_fixed_clock(c.now);
        const std::string line = marked_line(c.line, "Array 1 drive 2 failed");
        log(line);
        geterrordata();
        EXPECT_EQ(events(), c.reported ? entry(line) : "") << line;
    }
}

TEST_F(LogWatch, MarkerCountsOnlyFromColumns25To44)
{
    notify(0, 1);
    const std::string prefix = log_prefix(kNow - 2); // 16 characters
    for (int column : {24, 25, 44, 45}) {
        forget();
        const std::string line = prefix + std::string(column - 16, 'x') + "HALVOREN|event\n";
        log(line);
        geterrordata();
        const bool marked = column == 25 || column == 44;
        EXPECT_EQ(events(), marked ? entry(line) : "") << "column " << column;
        EXPECT_EQ(globalhour[0] != '\0', marked) << "column " << column;
    }
}

TEST_F(LogWatch, LinesOfAnotherDayAreIgnored)
{
    notify(1, 1);
    log(marked_line(kNow - 24 * 3600, "yesterday, same time of day") +
        "Nov  6 10:42:01 quorvex kernel: HALVOREN|last month\n");
    geterrordata();
    EXPECT_EQ(globalhour[0], '\0');
    EXPECT_TRUE(open_popups().empty());
    EXPECT_FALSE(file_exists(eventlog));
}

TEST_F(LogWatch, OnlyTheFirstOfTwoLinesInOneSecondIsHandled)
{
    notify(0, 1);
    const std::string first = marked_line(kNow - 4, "Array 1 drive 1 failed");
    log(first + marked_line(kNow - 4, "Array 1 drive 2 failed"));
    geterrordata();
    EXPECT_EQ(events(), entry(first));
}

TEST_F(LogWatch, PopupOnlyShowsTheMessageAndWritesNoFile)
{
    const std::string line = marked_line(kNow - 3, "Array 1 drive 2 failed");
    log(line);
    notify(1, 2);
    GtkWidget* main_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_show(main_window);
    window = main_window;
    geterrordata();
    auto popups = open_popups();
    ASSERT_EQ(popups.size(), 1u);
    GtkWidget* popup = popups[0];
    // A top-level of its own, so it shows while the main window is minimised.
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(popup)), nullptr);
    window = nullptr;
    gtk_widget_destroy(main_window);
    EXPECT_FALSE(file_exists(eventlog));
    EXPECT_EQ(gtk_window_get_title(GTK_WINDOW(popup)), nullptr);
    EXPECT_FALSE(gtk_window_get_modal(GTK_WINDOW(popup)));
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(popup)), 5u);

    GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(popup));
    GtkWidget* label = popup_label(popup);
    GtkWidget* button = popup_button(popup);
    ASSERT_NE(label, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(label_text(label), line + "\n");
    EXPECT_EQ(gtk_widget_get_margin_start(label), 10);
    EXPECT_EQ(gtk_widget_get_margin_end(label), 10);
    EXPECT_EQ(gtk_widget_get_margin_top(label), 10);
    EXPECT_EQ(gtk_widget_get_margin_bottom(label), 10);
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(button)), "OK");
    for (GtkWidget* child : {label, button}) {
        gboolean expand = FALSE, fill = FALSE;
        guint padding = 99;
        gtk_container_child_get(GTK_CONTAINER(area), child, "expand", &expand, "fill", &fill, "padding", &padding, nullptr);
        EXPECT_TRUE(expand);
        EXPECT_TRUE(fill);
        EXPECT_EQ(padding, 0u);
        EXPECT_TRUE(gtk_widget_get_visible(child));
    }
    // The label comes before the button in the content area.
    GList* children = gtk_container_get_children(GTK_CONTAINER(area));
    EXPECT_LT(g_list_index(children, label), g_list_index(children, button));
    g_list_free(children);

    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
    EXPECT_TRUE(open_popups().empty());
}

TEST_F(LogWatch, LogOnlyAppendsTheLineAndAnEmptyLine)
{
    write_file(eventlog, "earlier entry\n\n");
    const std::string line = marked_line(kNow - 3, "Array 1 drive 2 failed");
    log(line);
    notify(2, 1);
    geterrordata();
    EXPECT_TRUE(open_popups().empty());
    EXPECT_EQ(events(), "earlier entry\n\n" + line + "\n");
}

TEST_F(LogWatch, ThreeEventsOpenThreePopups)
{
    log(marked_line(kNow - 3, "Array 1 drive 2 failed") + marked_line(kNow - 2, "Array 1 rebuild started") +
        marked_line(kNow - 1, "Array 1 rebuild done"));
    notify(1, 0);
    geterrordata();
    auto popups = open_popups();
    ASSERT_EQ(popups.size(), 3u);
    gtk_button_clicked(GTK_BUTTON(popup_button(popups[1])));
    drain_events();
    EXPECT_EQ(open_popups().size(), 2u);
}

TEST_F(LogWatch, ARepeatAgreeingInItsFirst70CharactersIsNotReported)
{
    const std::string line = marked_line(kNow - 3, std::string(40, 'a') + "first");
    log(line);
    notify(0, 1);
    geterrordata();
    ASSERT_EQ(events(), entry(line));

    // Forgetting the last-seen time makes the lines newer again; only the message stops them.
    globalhour[0] = '\0';
    log(marked_line(kNow - 3, std::string(40, 'a') + "second"));
    geterrordata();
    EXPECT_EQ(events(), entry(line));
    EXPECT_STREQ(globalsecond, "02");

    globalhour[0] = '\0';
    const std::string differs = marked_line(kNow - 3, std::string(20, 'a') + "b");
    log(differs);
    geterrordata();
    EXPECT_EQ(events(), entry(line) + entry(differs));
}

TEST_F(LogWatch, AnEventOfTheNextDayIsReportedAfterALateOneTheDayBefore)
{
    notify(0, 1);
    const std::time_t late = utc(2023, 12, 6, 23, 50, 0);
    const std::string first = marked_line(late, "Array 1 drive 2 failed");
    set_fixed_clock(late + 5);
    log(first);
    geterrordata();
    ASSERT_EQ(events(), entry(first));

    const std::time_t morning = utc(2023, 12, 7, 10, 0, 0);
    const std::string second = marked_line(morning, "Array 1 drive 1 failed");
    set_fixed_clock(morning + 5);
    log(first + second);
    geterrordata();
    EXPECT_EQ(events(), entry(first) + entry(second));
    EXPECT_STREQ(globaldate, "Dec  7");
    EXPECT_STREQ(globalhour, "10");

    // Within the new day the usual order holds again.
    log(first + second + marked_line(morning - 60, "Array 1 earlier"));
    set_fixed_clock(morning - 55);
    geterrordata();
    EXPECT_EQ(events(), entry(first) + entry(second));
}

TEST_F(LogWatch, ALineFillingTheReadBufferIsFittedIntoTheMessage)
{
    notify(0, 1);
    const std::string head = marked_line(kNow - 3, "");
    const std::string piece = head.substr(0, head.size() - 1) + std::string(399 - (head.size() - 1), 'z');
    ASSERT_EQ(piece.size(), 399u);
    log(piece + "tail of the long line\n");
    geterrordata();
    const std::string fitted = piece.substr(0, 398) + "\n";
    EXPECT_EQ(events(), fitted);
    EXPECT_EQ(std::strlen(olderrordata), 399u);
    EXPECT_EQ(std::string(olderrordata), fitted);

    // 398 characters and the newline fill the buffer too.
    forget();
    const std::string full = piece.substr(0, 397) + "y\n";
    log(full);
    geterrordata();
    EXPECT_EQ(events(), full.substr(0, 398) + "\n");
}

TEST_F(LogWatch, AnEventLogThatCannotBeOpenedStillShowsThePopup)
{
    const std::string line = marked_line(kNow - 3, "Array 1 drive 2 failed");
    log(line);
    notify(1, 1);
    for (const std::string& path : {std::string(), dir.path()}) {
        forget();
        copy_event_log_path(path);
        geterrordata();
        EXPECT_STREQ(olderrordata, (line + "\n").c_str());
    }
    EXPECT_EQ(open_popups().size(), 2u);

    // A path filling its whole field unterminated is read as the 99 characters a field holds.
    forget();
    std::memset(option3.logfile, 'q', sizeof option3.logfile);
    std::memcpy(option3.hostip, "127.0.0.1", 10);
    geterrordata();
    const std::string name(sizeof option3.logfile - 1, 'q');
    EXPECT_EQ(read_file(dir.file(name)), entry(line));
    EXPECT_FALSE(file_exists(dir.file(name + "127.0.0.1")));
}

TEST_F(LogWatch, AnUnfinishedLastLineReportsNothing)
{
    notify(1, 1);
    const std::string line = marked_line(kNow - 3, "Array 1 drive 2 failed");
    log(line.substr(0, line.size() - 1));
    geterrordata();
    EXPECT_EQ(globalhour[0], '\0');
    EXPECT_TRUE(open_popups().empty());
    EXPECT_FALSE(file_exists(eventlog));
}

TEST_F(LogWatch, GarbledLinesAreSkippedWithoutHarm)
{
    notify(0, 1);
    std::string junk = "\n" + std::string("Dec") + "\n" + "Dec \n" + std::string("Dec  6\0\0\0 HALVOREN|x\n", 21) +
                       std::string(1000, '\xff') + "\n" + "Dec  6 10:4\n";
    // A long line first leaves its bytes behind in the buffer; a short marked-looking line
    // after it must not be read past its end.
    junk += marked_line(kNow - 3, std::string(300, 'l')) + "Dec  6 10:42:03 x\n";
    const std::string good = marked_line(kNow - 2, "Array 1 drive 2 failed");
    log(junk + good);
    geterrordata();
    const std::string long_line = marked_line(kNow - 3, std::string(300, 'l'));
    EXPECT_EQ(events(), entry(long_line) + entry(good));
}

TEST(CurrentTime, GettimenowCopiesTheCtimeTextOfTheClock)
{
    use_fixed_clock(utc(2024, 2, 29, 7, 5, 9));
    char buf[26];
    std::memset(buf, '#', sizeof buf);
    gettimenow(buf);
    EXPECT_EQ(std::string(buf, 26), std::string("Thu Feb 29 07:05:09 2024\n\0", 26));
}

} // namespace
