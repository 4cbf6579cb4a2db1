// The program's picture of controllers, channels, drives and arrays between two scans.
// Fixed-size tables that live for the whole run: the scan writes them, the views read them.
#pragma once

#include <cstdint>

inline constexpr int kLineSize = 80;
inline constexpr int kDrivePositions = 8;
inline constexpr int kArrays = 4;
inline constexpr int kMemberSlots = kArrays * kDrivePositions;
inline constexpr int kControllers = 2;
inline constexpr int kChannels = 4;

using TextLine = char[kLineSize];

// Drive rows: 0 status, 1 size, 2 location, 3 channel, 4 master/slave, 5-7 mapping,
// 8 timing, 9 swap box type, 10 fan, 11 temperatures, 12 Vcc, 13 V12; 14 is never written.
inline constexpr int kDriveLines = 15;
extern char channeldiskinfo[kDrivePositions][kDriveLines][kLineSize];
extern char arraydiskinfo[kMemberSlots][kDriveLines][kLineSize];
// Array rows: 0 RAID mode, 1 never written, 2-4 mapping, 5 size, 6 status.
inline constexpr int kArrayLines = 7;
extern char arrayinfo[kArrays][kArrayLines][kLineSize];
// Controller rows: 0 version, 1 IRQ, 2 bus master base, 3 ROM base, 4 hardware type.
inline constexpr int kControllerLines = 5;
extern char controllerinfo[kControllers][kControllerLines][kLineSize];
// Per controller: lines 0-1 channel 1's base addresses, 2-3 channel 2's.
extern char channelinfo[kControllers][4][kLineSize];

// The two lines of channel index 0..3 (controller index x 2 + channel number).
inline TextLine* channel_block(int channel_index) { return &channelinfo[channel_index / 2][(channel_index % 2) * 2]; }

// Name tables. '&' as first byte: no drive or member; NUL: no controller.
extern char arraynames[kArrays][40];
extern char arraydisknames[kMemberSlots][60];
extern char controllernames[kControllers][40];
extern char channelnames[kControllers][2][40];
extern char channeldisknames[kDrivePositions][60];

// Records 0-3: progress, size in MB, member mask of each array. Record 4, first integer:
// the rebuilding-drive mask (0: no rebuild in progress).
extern std::int32_t arrayrebuildinfo[5][3];
inline std::int32_t& rebuilding_drive_mask() { return arrayrebuildinfo[4][0]; }

// Drive bit shown by rebuild bar 1 and bar 2; 0 while a bar is free.
extern std::int32_t arrayrebuilddisk[2];

// Per drive position: 0 functional, 1 rebuilding, anything else not functional.
extern std::int32_t DiskErrorFlag[kDrivePositions];

// Per drive position: {manageable, powered on}.
extern std::int32_t PowerManage[kDrivePositions][2];

// 0 notebook page; 1 Array page shows a drive; 2 its member slot; 3 Controller page
// shows a drive; 4 its drive position.
extern std::int32_t PageInfo[5];

// 1 while the last scan found something not functional.
extern std::int32_t errorBeep;

// Change detection snapshot: status at 73 + 32 x i, member mask at 88 + 32 x i.
extern std::uint8_t lasttime[204];
