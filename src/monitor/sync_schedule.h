// Scheduled mirror synchronisation: hands the driver 0 during the scheduled minute (or
// while the schedule is off) and 1 otherwise.
#pragma once

int gtkSynchronize();

// False while a check can send nothing: the schedule is off and the driver already has 0.
bool schedule_may_send();
