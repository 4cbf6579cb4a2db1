#include "monitor/sync_schedule.h"

int gtkSynchronize() { return 0; }
