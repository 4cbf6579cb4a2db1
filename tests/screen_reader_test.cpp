#include "live_window_support.h"

#include "inventory/inventory_scan.h"
#include "ui/password_protection.h"
#include "ui/event_popup.h"
#include "ui/rebuild_progress.h"

namespace {

// A screen reader reads what comes and goes as it is told of it.
void read_new_or_gone(AtkObject*, guint, gpointer child, gpointer)
{
    if (ATK_IS_OBJECT(child))
        atk_object_get_name(ATK_OBJECT(child));
}

// What a screen reader finds under an accessible object: every name and text valid UTF-8,
// and the controls read out as "role:name<labelled-by name", '|' between them.
std::vector<AtkObject*> seen; // referenced, to be asked again after the objects are gone

void read_out(AtkObject* object, std::string& controls)
{
    seen.push_back(ATK_OBJECT(g_object_ref(object)));
    if (!g_object_get_data(G_OBJECT(object), "listened")) {
        g_object_set_data(G_OBJECT(object), "listened", object);
        g_signal_connect(object, "children-changed", G_CALLBACK(read_new_or_gone), nullptr);
    }
    const char* name = atk_object_get_name(object);
    EXPECT_TRUE(!name || g_utf8_validate(name, -1, nullptr)) << name;
    if (ATK_IS_TEXT(object)) {
        g_autofree gchar* text = atk_text_get_text(ATK_TEXT(object), 0, -1);
        EXPECT_TRUE(!text || g_utf8_validate(text, -1, nullptr)) << text;
    }
    const AtkRole role = atk_object_get_role(object);
    if (role == ATK_ROLE_TOGGLE_BUTTON || role == ATK_ROLE_PUSH_BUTTON || role == ATK_ROLE_TEXT ||
        role == ATK_ROLE_PASSWORD_TEXT || role == ATK_ROLE_PROGRESS_BAR) {
        controls += std::string(atk_role_get_name(role)) + ":" + (name ? name : "");
        g_autoptr(AtkRelationSet) relations = atk_object_ref_relation_set(object);
        if (AtkRelation* by = atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY))
            controls += std::string("<") + atk_object_get_name(ATK_OBJECT(g_ptr_array_index(atk_relation_get_target(by), 0)));
        controls += "|";
    }
    for (int k = 0; k < atk_object_get_n_accessible_children(object); ++k) {
        g_autoptr(AtkObject) child = atk_object_ref_accessible_child(object, k);
        if (child)
            read_out(child, controls);
    }
}

std::string read_out(GtkWidget* widget)
{
    std::string controls;
    read_out(gtk_widget_get_accessible(widget), controls);
    return controls;
}

} // namespace

// The window as a screen reader reads it, across rebuilds (a warning or critical fails the
// test): bytes that are no UTF-8 in a popup and a tree, and a name for each control.
TEST_F(WindowTest, AScreenReaderReadsEveryControlByName)
{
    gtkReadFile();
    std::strcpy(arraynames[0], "Array \xff");
    for (int position : {0, 5})
        PowerManage[position][0] = 1;
    SettingsRecord record = default_record();
    record.popup = record.uselogfile = record.usepassword = 1;
    std::strcpy(record.logfile, "/var/log/\xfe.log");
    std::strcpy(record.password, "pw\xff");
    start_with(record);
    report_event_in_window("HALVOREN|drive \xff failed");
    ASSERT_EQ(open_popups().size(), 1u);
    EXPECT_EQ(label_text(popup_label(open_popups()[0])), "HALVOREN|drive \xef\xbf\xbd failed");
    EXPECT_EQ(read_out(open_popups()[0]), "push button:OK|");
    arrayrebuildinfo[1][1] = 100, arrayrebuildinfo[1][0] = 50, arrayrebuildinfo[1][2] = 0x30;
    rebuilding_drive_mask() = 0x20;
    gtkRebuild();
    // In the grid's order, the last attached first: the hidden bar has only its label.
    const std::string page = read_out(window);
    EXPECT_EQ(page, "progress bar:<label2:|progress bar:Rebuilding Array #2 synchronization in progress<Rebuilding Array #2 "
                    "synchronization in progress|push button:close|push button:Apply|password text:Password<Enable password|"
                    "toggle button:Halvoren 1 Channel 1 Master:<Halvoren 1 Channel 1 Master:    |toggle button:Halvoren 2 "
                    "Channel 1 Slave:<Halvoren 2 Channel 1 Slave:     |text:Log file<Use log file|push button:Choose log file|");
    // The password dialog's entries are read out as their prompts; Enter in one presses OK.
    click(notebook, "Apply");
    GtkWidget* dialog = gtk_grab_get_current();
    EXPECT_EQ(read_out(dialog), "password text:Please input old password:<Please input old password:|password text:Please "
                                "reentry new password:<Please reentry new password:|push button:OK|push button:Cancel|");
    type(passwordentry, "wrong");
    gtk_widget_activate(passwordentry); // the button shows itself pressed for a moment first
    settle_until([&] { return gtk_grab_get_current() != dialog; });
    EXPECT_EQ(shown_texts(gtk_grab_get_current()), std::string("Error:") + kWrongOldPassword + "|OK");
    click(gtk_grab_get_current(), "OK");
    click(dialog, "Cancel");
    for (int rebuild = 0; rebuild < 3; ++rebuild) {
        initgraph();
        gtkRebuild();
        drain_events();
        for (AtkObject* gone : seen) { // a client asks about what it saw before the rebuild
            atk_object_get_name(gone);
            g_object_unref(gone);
        }
        seen.clear();
        EXPECT_EQ(read_out(window), page) << rebuild;
    }
}
