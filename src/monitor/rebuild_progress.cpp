#include "monitor/rebuild_progress.h"

int gtkRebuild() { return 0; }
void showrebuild(int) {}
void clearrebuild(int) {}
int stringdivide(int) { return 0; }
