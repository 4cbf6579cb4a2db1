#include "demo_card.h"

SimulatedCard make_demo_card()
{
    SimulatedCard card;
    card.version_text = "Halvoren IDE RAID driver 2.4.1";
    card.controllers[0] = {0x4D30, 11, 0xd000, 0xd402, 0xd800, 0xdc02, 0xe000, 0xfebf0000};
    card.controllers[1] = {0x6268, 10, 0xb000, 0xb402, 0xb800, 0xbc02, 0xc000, 0xfeaf0000};

    card.drives[0] = {true, true, "QV-ST380021A", 16383, 16, 63, 156301488, 0x07, 0x20};
    card.drives[1] = {true, true, "QV-ST380021A", 16383, 16, 63, 156301488, 0x07, 0x20};
    card.drives[4] = {true, true, "QV-WD400BB-00CAA0", 16383, 16, 63, 78165360, 0x07, 0x10};
    card.drives[5] = {true, true, "QV-WD400BB-00CAA0", 16383, 16, 63, 78165360, 0x07, 0x10};
    card.drives[2] = {true, true, "QV-IBM-DTLA-305020", 1024, 16, 63, 1032192, 0x07, 0x00};

    card.arrays[0] = {1, 15, 1, 9729, 255, 63, 76319, 0, 0x03, 0, 0};
    card.arrays[1] = {2, 15, 0, 9729, 255, 63, 76319, 0, 0x30, 0, 0};

    card.boxes[0] = {1, 0x10, 0x5CA3, 4200, 40, 104, 5012, 11980};
    card.boxes[1] = {1, 0x11, 0x5CA3, 3900, 38, 100, 4987, 12050};
    card.boxes[4] = {1, 0x00, 0, 1500, 0, 0, 5000, 12000};
    card.boxes[5] = {1, 0x01, 0, 1500, 0, 0, 0, 0};
    return card;
}
