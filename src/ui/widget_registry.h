// Handles of the widgets that handlers reach. Each notebook build sets the handles of the
// widgets it creates; clear_build_handles() runs first, so a handle whose widget the
// latest build did not create is null rather than a pointer to a destroyed widget.
#pragma once

#include <gtk/gtk.h>

extern GtkWidget* window;

extern GtkWidget* tabletop;
extern GtkWidget* notebook;
extern GtkWidget* treearray;
extern GtkWidget* draw_area;
extern GtkWidget* draw_area2;
extern GtkAdjustment* adj;
extern GtkWidget* pbar1;
extern GtkWidget* pbar2;
extern GtkWidget* barlabel1;
extern GtkWidget* barlabel2;

extern GtkWidget* beepbutton;
extern GtkWidget* popupbutton;
extern GtkWidget* filenamebar;
extern GtkWidget* passwordbutton;
extern GtkWidget* passwordbar;

extern GtkWidget* PowerButton0;
extern GtkWidget* PowerButton1;
extern GtkWidget* PowerButton2;
extern GtkWidget* PowerButton3;
extern GtkWidget* PowerButton4;
extern GtkWidget* PowerButton5;
extern GtkWidget* PowerButton6;
extern GtkWidget* PowerButton7;
extern GtkWidget* PowerLabel0;
extern GtkWidget* PowerLabel1;
extern GtkWidget* PowerLabel2;
extern GtkWidget* PowerLabel3;
extern GtkWidget* PowerLabel4;
extern GtkWidget* PowerLabel5;
extern GtkWidget* PowerLabel6;
extern GtkWidget* PowerLabel7;

// Entries of the password dialog opened last.
extern GtkWidget* passwordentry;
extern GtkWidget* passwordreentry;

// The power handles by drive position.
GtkWidget*& power_button(int position);
GtkWidget*& power_label(int position);

// Forgets every handle of the previous notebook build (the top table, the notebook,
// its pages and the progress rows), before the old widgets are destroyed.
void clear_build_handles();
