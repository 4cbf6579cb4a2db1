// What the resident monitor tells an admin: events named after the state changes that
// one scan shows against the one before, reported cause before effect (a controller, then
// drives, then rebuilds, then the arrays' states).
#pragma once

#include "inventory/inventory_tables.h"

#include <cstdint>
#include <string>
#include <vector>

struct CardEvent {
    std::string name;   // "ArrayDegraded", "RebuildStarted", ...
    std::string array;  // the array number, or "-"
    std::string detail; // the drive, the percentage or the driver's line
};

enum class ArrayCondition { Absent, Functional, Critical, Offline };

struct ArrayPicture {
    ArrayCondition condition = ArrayCondition::Absent;
    int number = 0;
    std::uint8_t members = 0;
    std::uint8_t rebuilding = 0; // drive bits of this array being rebuilt
    int rebuild_percent = 0;
};

struct CardPicture {
    ArrayPicture arrays[kArrays];
    bool drives[kDrivePositions] = {};
    bool controllers[kControllers] = {};
};

// The card as the last complete scan left the tables, with each array's status block
// asked again (number, status class, RAID mode, members, its own rebuild).
CardPicture picture_after_scan();

// The picture against which a card at start-up is judged: every array functional and
// nothing rebuilt, so that an array already failing is reported once.
CardPicture startup_baseline(const CardPicture& now);

// The events between two pictures, in the order they are to be reported.
std::vector<CardEvent> card_events(const CardPicture& before, const CardPicture& now);
