#include "options_fixture.h"

#include "settings/settings_record.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <glib/gstdio.h>

namespace {

GtkWidget* file_button(GtkWidget* book)
{
    GtkWidget* uselog = button_labelled(gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0), "Use log file");
    for (GtkWidget* w : descendants(gtk_widget_get_parent(uselog)))
        if (GTK_IS_BUTTON(w) && !GTK_IS_TOGGLE_BUTTON(w))
            return w;
    return nullptr;
}

GtkWidget* use_log_file(GtkWidget* book)
{
    return button_labelled(gtk_notebook_get_nth_page(GTK_NOTEBOOK(book), 0), "Use log file");
}

// Picks `name` in `folder` in a file selection dialog and presses one of its buttons.
void answer(GtkWidget* dialog, const std::string& folder, const char* name, const char* button)
{
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), folder.c_str());
    gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(dialog), name);
    drain_events();
    click(dialog, button);
}

} // namespace

TEST_F(OptionsPageTest, CheckBoxesWriteTheirFieldsAtOnce)
{
    load_settings();
    build_page();
    set_active(beepbutton, true);
    EXPECT_EQ(option3.audible, 1u);
    set_active(popupbutton, true);
    EXPECT_EQ(option3.popup, 1u);
    set_active(beepbutton, false);
    EXPECT_EQ(option3.audible, 0u);
    EXPECT_EQ(option3.popup, 1u);
    set_active(popupbutton, false);
    EXPECT_EQ(option3.popup, 0u);
    EXPECT_FALSE(file_exists(dir.file("quorvex.conf")));
}

TEST_F(OptionsPageTest, UseLogFileShowsAndHidesTheEntry)
{
    load_settings();
    std::strcpy(option3.logfile, "/tmp/events.log");
    build_page();
    set_active(use_log_file(book), true);
    EXPECT_EQ(option3.uselogfile, 1u);
    EXPECT_TRUE(shown(filenamebar));
    EXPECT_TRUE(gtk_editable_get_editable(GTK_EDITABLE(filenamebar)));
    EXPECT_EQ(text_of(filenamebar), "/tmp/events.log");

    gtk_entry_set_text(GTK_ENTRY(filenamebar), "/tmp/typed.log");
    set_active(use_log_file(book), false);
    EXPECT_EQ(option3.uselogfile, 0u);
    EXPECT_FALSE(shown(filenamebar));
    EXPECT_FALSE(gtk_editable_get_editable(GTK_EDITABLE(filenamebar)));
    EXPECT_STREQ(option3.logfile, "/tmp/events.log");
    EXPECT_EQ(text_of(filenamebar), "/tmp/typed.log");
}

TEST_F(OptionsPageTest, FileButtonOpensNothingWhileTheLogIsOff)
{
    load_settings();
    build_page();
    ASSERT_NE(file_button(book), nullptr);
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    drain_events();
    EXPECT_TRUE(windows_titled("File selection").empty());
}

TEST_F(OptionsPageTest, FileSelectionProposesErrorLogAndTheLaterOkWins)
{
    load_settings();
    option3.uselogfile = 1;
    std::strcpy(option3.logfile, "/somewhere/else.log");
    build_page();
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    drain_events();
    auto dialogs = windows_titled("File selection");
    ASSERT_EQ(dialogs.size(), 2u);
    for (GtkWidget* dialog : dialogs) {
        ASSERT_TRUE(GTK_IS_FILE_CHOOSER_DIALOG(dialog));
        EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(dialog)), GTK_FILE_CHOOSER_ACTION_SAVE);
        gchar* name = gtk_file_chooser_get_current_name(GTK_FILE_CHOOSER(dialog));
        EXPECT_STREQ(name, "Error.log");
        g_free(name);
        EXPECT_FALSE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    }
    EXPECT_EQ(gtk_grab_get_current(), nullptr);

    answer(dialogs[0], dir.path(), "first.log", "OK");
    EXPECT_EQ(std::string(option3.logfile), dir.file("first.log"));
    EXPECT_EQ(text_of(filenamebar), dir.file("first.log"));
    ASSERT_EQ(g_mkdir(dir.file("logs").c_str(), 0700), 0);
    answer(dialogs[1], dir.file("logs"), "second.log", "OK");
    EXPECT_EQ(std::string(option3.logfile), dir.file("logs/second.log"));
    EXPECT_EQ(text_of(filenamebar), dir.file("logs/second.log"));
    EXPECT_TRUE(windows_titled("File selection").empty());
    EXPECT_FALSE(file_exists(dir.file("first.log")));
}

TEST_F(OptionsPageTest, CancelOrCloseLeavesTheLogFileAlone)
{
    load_settings();
    option3.uselogfile = 1;
    std::strcpy(option3.logfile, "/kept.log");
    build_page();
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    drain_events();
    auto dialogs = windows_titled("File selection");
    ASSERT_EQ(dialogs.size(), 2u);
    answer(dialogs[0], dir.path(), "other.log", "Cancel");
    gtk_widget_destroy(dialogs[1]);
    drain_events();
    EXPECT_TRUE(windows_titled("File selection").empty());
    EXPECT_STREQ(option3.logfile, "/kept.log");
    EXPECT_EQ(text_of(filenamebar), "/kept.log");
}

TEST_F(OptionsPageTest, FileSelectionOpenAcrossARebuildReachesTheNewPage)
{
    load_settings();
    option3.uselogfile = 1;
    build_page();
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    drain_events();
    auto dialogs = windows_titled("File selection");
    ASSERT_EQ(dialogs.size(), 2u);
    rebuild_page();
    answer(dialogs[0], dir.path(), "after-rebuild.log", "OK");
    EXPECT_EQ(std::string(option3.logfile), dir.file("after-rebuild.log"));
    EXPECT_EQ(text_of(filenamebar), dir.file("after-rebuild.log"));

    // Between forgetting the old page and building the new one there is no entry at all.
    clear_build_handles();
    answer(dialogs[1], dir.path(), "no-page.log", "OK");
    EXPECT_EQ(std::string(option3.logfile), dir.file("no-page.log"));
}

TEST_F(OptionsPageTest, OverlongChosenPathIsCutToTheField)
{
    load_settings();
    option3.uselogfile = 1;
    build_page();
    gtk_button_clicked(GTK_BUTTON(file_button(book)));
    drain_events();
    GtkWidget* dialog = only_window_titled("File selection");
    ASSERT_NE(dialog, nullptr);
    answer(dialog, "/tmp", std::string(150, 'x').c_str(), "OK");
    const std::string expected = ("/tmp/" + std::string(150, 'x')).substr(0, 99);
    EXPECT_EQ(std::string(option3.logfile), expected);
    EXPECT_STREQ(option3.hostip, "127.0.0.1");
    EXPECT_EQ(text_of(filenamebar), expected);
}
