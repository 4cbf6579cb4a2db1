#include "inventory/change_detection.h"

int str_cmp() { return 0; }

int gtkInitGraph() { return 0; }
