// Scheduled mirror synchronisation: hands the driver 0 during the scheduled minute (or
// while the schedule is off) and 1 otherwise.
#pragma once

int gtkSynchronize();
