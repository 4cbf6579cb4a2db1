// The inventory scan: asks the driver for everything and rewrites the inventory tables.
// What a scan's end means to a front end (the window redraws its drive page and runs
// the log watch) is the hook that front end installs.
#pragma once

// 1 after a complete scan; -1 when the driver did not answer the version request (no
// card or no compatible driver), in which case nothing after that request has run.
int gtkReadFile();

// Runs at the end of every complete scan; null: nothing runs.
using AfterScanHook = void (*)();
void set_after_scan_hook(AfterScanHook hook);
