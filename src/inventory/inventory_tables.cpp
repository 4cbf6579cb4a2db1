#include "inventory/inventory_tables.h"

char channeldiskinfo[kDrivePositions][kDriveLines][kLineSize];
char arraydiskinfo[kMemberSlots][kDriveLines][kLineSize];
char arrayinfo[kArrays][kArrayLines][kLineSize];
char controllerinfo[kControllers][kControllerLines][kLineSize];
char channelinfo[kControllers][4][kLineSize];

char arraynames[kArrays][40];
char arraydisknames[kMemberSlots][60];
char controllernames[kControllers][40];
char channelnames[kControllers][2][40];
char channeldisknames[kDrivePositions][60];

// The rebuilding-drive mask starts at 0: no rebuild is known before the first scan.
std::int32_t arrayrebuildinfo[5][3];
std::int32_t arrayrebuilddisk[2];
std::int32_t DiskErrorFlag[kDrivePositions] = {2, 2, 2, 2, 2, 2, 2, 2};
std::int32_t PowerManage[kDrivePositions][2] = {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}, {0, 1}};
std::int32_t PageInfo[5];
std::int32_t errorBeep;
std::uint8_t lasttime[204];
