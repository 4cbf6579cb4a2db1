#include "ui/options_page.h"

void build_options_page(GtkWidget*) {}
