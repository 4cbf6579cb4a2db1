#include "options_fixture.h"

#include "ui/notification_options.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <glib/gstdio.h>

namespace {

GtkWidget* file_button(GtkWidget* page)
{
    for (GtkWidget* w : descendants(gtk_widget_get_parent(button_labelled(page, "Use log file"))))
        if (GTK_IS_BUTTON(w) && !GTK_IS_TOGGLE_BUTTON(w))
            return w;
    return nullptr;
}

std::string folder_of(GtkWidget* dialog)
{
    gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
    std::string text = folder ? folder : "";
    g_free(folder);
    return text;
}

// Picks `name` in `folder` in a file selection dialog and presses one of its buttons.
void answer(GtkWidget* dialog, const std::string& folder, const std::string& name, const char* button)
{
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
    // The chooser changes folder only once it has looked the folder up.
    for (int round = 0; round < 5000 && folder_of(dialog) != folder; ++round) {
        gtk_main_iteration_do(FALSE);
        g_usleep(1000);
    }
    ASSERT_EQ(folder_of(dialog), folder);
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name.c_str());
    drain_events();
    click(dialog, button);
}

} // namespace

class LogFileTest : public OptionsPageTest {
protected:
    // Presses the file button `times` and returns the dialogs then open.
    std::vector<GtkWidget*> open_file_selections(int times)
    {
        for (int k = 0; k < times; ++k)
            gtk_button_clicked(GTK_BUTTON(file_button(page())));
        drain_events();
        return windows_titled("File selection");
    }
};

TEST_F(LogFileTest, CheckBoxesWriteTheirFieldsAtOnce)
{
    start_without_file();
    std::strcpy(option3.logfile, "/tmp/events.log");
    build_page();
    set_active(beepbutton, true);
    set_active(popupbutton, true);
    EXPECT_EQ(option3.audible + option3.popup, 2u);
    set_active(beepbutton, false);
    EXPECT_EQ(option3.audible, 0u);
    EXPECT_EQ(option3.popup, 1u);
    EXPECT_TRUE(open_file_selections(1).empty());

    GtkWidget* uselog = button_labelled(page(), "Use log file");
    set_active(uselog, true);
    EXPECT_EQ(option3.uselogfile, 1u);
    EXPECT_TRUE(shown(filenamebar));
    EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(filenamebar)));
    EXPECT_EQ(text_of(filenamebar), "/tmp/events.log");
    type(filenamebar, "/tmp/typed.log");
    set_active(uselog, false);
    EXPECT_EQ(option3.uselogfile, 0u);
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(filenamebar)));
    EXPECT_STREQ(option3.logfile, "/tmp/events.log");
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));
}

TEST_F(LogFileTest, FileSelectionsProposeErrorLogAndTheLaterOkWins)
{
    start_without_file();
    option3.uselogfile = 1;
    std::strcpy(option3.logfile, "/somewhere/else.log");
    build_page();
    auto dialogs = open_file_selections(4);
    ASSERT_EQ(dialogs.size(), 4u);
    for (GtkWidget* dialog : dialogs) {
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)), GTK_FILE_CHOOSER_ACTION_SAVE);
        gchar* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(dialog));
        EXPECT_STREQ(name, "Error.log");
        g_free(name);
    }
    EXPECT_EQ(gtk_grab_get_current(), nullptr);

    answer(dialogs[0], dir.path(), "other.log", "Cancel");
    gtk_widget_destroy(dialogs[1]);
    EXPECT_STREQ(option3.logfile, "/somewhere/else.log");
    EXPECT_EQ(text_of(filenamebar), "/somewhere/else.log");

    ASSERT_EQ(g_mkdir(dir.file("logs").c_str(), 0700), 0);
    answer(dialogs[2], dir.path(), "first.log", "OK");
    answer(dialogs[3], dir.file("logs"), "second.log", "OK");
    EXPECT_EQ(std::string(option3.logfile), dir.file("logs/second.log"));
    EXPECT_EQ(text_of(filenamebar), dir.file("logs/second.log"));
    EXPECT_TRUE(windows_titled("File selection").empty());
    EXPECT_FALSE(file_exists(dir.file("logs/second.log")));
}

TEST_F(LogFileTest, FileSelectionOpenAcrossARebuildReachesTheNewPage)
{
    start_without_file();
    option3.uselogfile = 1;
    build_page();
    auto dialogs = open_file_selections(2);
    ASSERT_EQ(dialogs.size(), 2u);
    rebuild_page();
    answer(dialogs[0], dir.path(), "after-rebuild.log", "OK");
    EXPECT_EQ(text_of(filenamebar), dir.file("after-rebuild.log"));

    // Between forgetting the old page and building the new one there is no entry at all;
    // a path longer than the field is refused whole and the dialog stays.
    clear_build_handles();
    const std::string kept = option3.logfile;
    answer(dialogs[1], "/tmp", std::string(150, 'x'), "OK");
    GtkWidget* box = only_window_titled("Error");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(label_texts(box, true), (std::vector<std::string>{kPathTooLong, "OK"}));
    click(box, "OK");
    EXPECT_EQ(windows_titled("File selection").size(), 1u);
    EXPECT_EQ(std::string(option3.logfile), kept);
    EXPECT_STREQ(option3.hostip, "127.0.0.1");
}
