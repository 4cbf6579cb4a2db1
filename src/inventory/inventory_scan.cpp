#include "inventory/inventory_scan.h"

#include "driver/driver_requests.h"

// Until the full scan exists the version request alone decides whether a card answers.
int gtkReadFile() { return read_version_and_controllers() ? 1 : -1; }
