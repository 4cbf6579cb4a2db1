#include "ui/widget_registry.h"

GtkWidget* window;

GtkWidget* tabletop;
GtkWidget* notebook;
GtkWidget* treearray;
GtkWidget* draw_area;
GtkWidget* draw_area2;
GtkAdjustment* adj;
GtkWidget* pbar1;
GtkWidget* pbar2;
GtkWidget* barlabel1;
GtkWidget* barlabel2;

GtkWidget* beepbutton;
GtkWidget* popupbutton;
GtkWidget* filenamebar;
GtkWidget* passwordbutton;
GtkWidget* passwordbar;

GtkWidget* PowerButton0;
GtkWidget* PowerButton1;
GtkWidget* PowerButton2;
GtkWidget* PowerButton3;
GtkWidget* PowerButton4;
GtkWidget* PowerButton5;
GtkWidget* PowerButton6;
GtkWidget* PowerButton7;
GtkWidget* PowerLabel0;
GtkWidget* PowerLabel1;
GtkWidget* PowerLabel2;
GtkWidget* PowerLabel3;
GtkWidget* PowerLabel4;
GtkWidget* PowerLabel5;
GtkWidget* PowerLabel6;
GtkWidget* PowerLabel7;

GtkWidget* passwordentry;
GtkWidget* passwordreentry;

namespace {
GtkWidget** const power_buttons[8] = {&PowerButton0, &PowerButton1, &PowerButton2, &PowerButton3,
                                      &PowerButton4, &PowerButton5, &PowerButton6, &PowerButton7};
GtkWidget** const power_labels[8] = {&PowerLabel0, &PowerLabel1, &PowerLabel2, &PowerLabel3,
                                     &PowerLabel4, &PowerLabel5, &PowerLabel6, &PowerLabel7};
} // namespace

GtkWidget*& power_button(int position) { return *power_buttons[position]; }
GtkWidget*& power_label(int position) { return *power_labels[position]; }

void clear_build_handles()
{
    // tabletop and notebook are kept: the build reads them to save the page and to
    // remove the old table before it makes new ones.
    treearray = nullptr;
    draw_area = draw_area2 = nullptr;
    adj = nullptr;
    pbar1 = pbar2 = barlabel1 = barlabel2 = nullptr;
    beepbutton = popupbutton = filenamebar = passwordbutton = passwordbar = nullptr;
    for (int position = 0; position < 8; ++position)
        power_button(position) = power_label(position) = nullptr;
}
