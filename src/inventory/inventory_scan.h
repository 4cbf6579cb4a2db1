// The inventory scan: asks the driver for everything and rewrites the inventory tables.
#pragma once

// 1 after a complete scan; -1 when the driver did not answer the version request (no
// card or no compatible driver), in which case nothing after that request has run.
int gtkReadFile();
