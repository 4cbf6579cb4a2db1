#include "demo_card.h"

SimulatedCard make_demo_card()
{
    SimulatedCard card;
    card.version_text = "Halvoren IDE RAID driver 2.4.1";
    // One controller of each named model: a "100" and a "100 KV2".
    card.controllers[0] = {0x4D30, 11, 0xd000, 0xd402, 0xd800, 0xdc02, 0xe000, 0xfebf0000};
    card.controllers[1] = {0x6268, 10, 0xb000, 0xb402, 0xb800, 0xbc02, 0xc000, 0xfeaf0000};

    // The mirror pair on controller 1, channel 1; the second drive runs a slower mode.
    card.drives[0] = {true, true, "TELLMARK TK064A", 13328, 15, 63, 12594960, 0x07, 0x10};
    card.drives[1] = {true, true, "TELLMARK TK064A", 13328, 15, 63, 12594960, 0x07, 0x04};
    // A lone large drive: 16383 cylinders, so its mapping is translated to 255 heads.
    card.drives[2] = {true, true, "ORVANE OV400JB", 16383, 16, 63, 78165360, 0x07, 0x20};
    // The striping pair on controller 2, channel 1: one Ultra DMA, one multiword DMA only.
    card.drives[4] = {true, true, "TELLMARK TK045A", 8912, 16, 63, 8983296, 0x07, 0x01};
    card.drives[5] = {true, true, "TELLMARK TK045A", 8912, 16, 63, 8983296, 0x07, 0x00};
    // A small flash module without DMA on controller 2, channel 2, slave.
    card.drives[7] = {true, true, "FLASHWELL FW512", 993, 16, 63, 1000944, 0x00, 0x00};

    card.arrays[0] = {1, 15, 1, 783, 255, 63, 6149, 0, 0x03, 0, 0};
    card.arrays[1] = {2, 15, 0, 1118, 255, 63, 8772, 0, 0x30, 0, 0};

    // An OEM box with sensors, a Marlinbay box, a universal box that can switch its
    // drive (Vcc reported) and a Ternlift66 box.
    card.boxes[0] = {1, 0x10, 0x5CA3, 4200, 40, 104, 5012, 11980};
    card.boxes[1] = {1, 0x11, 0, 3900, 0, 0, 5000, 0};
    card.boxes[4] = {1, 0x00, 0, 1500, 0, 0, 5000, 0};
    card.boxes[5] = {1, 0x01, 0, 1500, 0, 0, 0, 0};
    return card;
}
