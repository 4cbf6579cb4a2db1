#include "options_fixture.h"

#include "settings/settings_file.h"
#include "ui/options_page.h"
#include "ui/widget_registry.h"

#include <cstring>

void OptionsPageTest::SetUp()
{
    ensure_gtk();
    install_simulated_driver(card);
}

void OptionsPageTest::TearDown()
{
    for (const char* title : {"Password Confirm", "Password Modify", "Error", "File selection"})
        for (GtkWidget* dialog : windows_titled(title))
            gtk_widget_destroy(dialog);
    clear_build_handles();
    if (top)
        gtk_widget_destroy(top);
    window = nullptr;
    drain_events();
    uninstall_simulated_driver();
}

void OptionsPageTest::start_with(const SettingsRecord& record)
{
    write_file(dir.file("quorvex.conf"), bytes_of(record));
    init_enviorment();
}

void OptionsPageTest::start_without_file() { init_enviorment(); }

void OptionsPageTest::build_page()
{
    top = window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    book = gtk_notebook_new();
    gtk_container_add(GTK_CONTAINER(top), book);
    clear_build_handles();
    build_options_page(book);
    gtk_widget_show(book);
    gtk_widget_show(top);
    drain_events();
}

void OptionsPageTest::rebuild_page()
{
    clear_build_handles();
    gtk_notebook_remove_page(GTK_NOTEBOOK(book), 0);
    build_options_page(book);
    drain_events();
}

SettingsRecord default_record()
{
    SettingsRecord record{};
    std::strcpy(record.hostip, "127.0.0.1");
    record.syncdisabled = 1;
    return record;
}

std::string bytes_of(const SettingsRecord& record)
{
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

std::vector<GtkWidget*> windows_titled(const char* title)
{
    std::vector<GtkWidget*> found;
    GList* all = gtk_window_list_toplevels();
    for (GList* item = all; item; item = item->next) {
        const char* t = gtk_window_get_title(GTK_WINDOW(item->data));
        if (t && std::strcmp(t, title) == 0)
            found.push_back(GTK_WIDGET(item->data));
    }
    g_list_free(all);
    return found;
}

GtkWidget* only_window_titled(const char* title)
{
    auto found = windows_titled(title);
    return found.size() == 1 ? found.front() : nullptr;
}

namespace {
void collect(GtkWidget* widget, gpointer list)
{
    static_cast<std::vector<GtkWidget*>*>(list)->push_back(widget);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), collect, list);
}
} // namespace

std::vector<GtkWidget*> descendants(GtkWidget* root)
{
    std::vector<GtkWidget*> all;
    collect(root, &all);
    return all;
}

GtkWidget* button_labelled(GtkWidget* root, const char* label)
{
    for (GtkWidget* w : descendants(root)) {
        const char* text = GTK_IS_BUTTON(w) ? gtk_button_get_label(GTK_BUTTON(w)) : nullptr;
        if (text && std::strcmp(text, label) == 0)
            return w;
    }
    return nullptr;
}

std::vector<std::string> label_texts(GtkWidget* root, bool visible_only)
{
    std::vector<std::string> texts;
    for (GtkWidget* w : descendants(root))
        if (GTK_IS_LABEL(w) && (!visible_only || gtk_widget_is_visible(w)))
            texts.emplace_back(gtk_label_get_text(GTK_LABEL(w)));
    return texts;
}

void click(GtkWidget* root, const char* label)
{
    GtkWidget* button = button_labelled(root, label);
    ASSERT_NE(button, nullptr) << label;
    gtk_button_clicked(GTK_BUTTON(button));
    drain_events();
}

bool active(GtkWidget* toggle) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(toggle)); }

void set_active(GtkWidget* toggle, bool on)
{
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(toggle), on);
    drain_events();
}

void type(GtkWidget* entry, const std::string& text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }

std::string text_of(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }
