// Change detection: tells when the picture of the arrays changed, from each array's
// member mask and status class compared with the snapshot in lasttime.
#pragma once

// 1 when an array differs from the snapshot; the snapshot is not changed.
int str_cmp();

// Refreshes the snapshot from the driver.
void remember_array_states();
