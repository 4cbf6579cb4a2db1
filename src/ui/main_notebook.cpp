#include "ui/main_notebook.h"

int initgraph() { return 0; }
