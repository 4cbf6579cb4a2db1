#include "driver/driver_requests.h"
#include "inventory/inventory_scan.h"
#include "scan_fixture.h"

#include <cstring>
#include <utility>

using InventoryScan = ScanFixture;

// What the trees list and the pages say: named controllers, answering drive positions,
// each array's state and its members' states ("?": a member not named by its own drive),
// the bell and the rebuilding drives.
static std::string states(int scan = 1)
{
    auto after = [](const char* line, const char* prefix) { return spaced(prefix) == std::string(line, spaced(prefix).size()) ? line + spaced(prefix).size() : line; };
    std::string s = std::to_string(scan) + " ";
    for (const auto& name : controllernames)
        s += name[0] ? std::string(name) + ";" : "";
    s += "d";
    for (int j = 0; j < kDrivePositions; ++j)
        s += channeldisknames[j][0] != '&' ? std::to_string(j) : "";
    for (int a = 0; a < kArrays; ++a) {
        s += arraynames[a][0] ? std::string(" ") + arraynames[a] + "=" + after(arrayinfo[a][6], "Status{13}:") + ":" : "";
        for (int j = 0, slot = a * kDrivePositions; j < kDrivePositions; ++j, ++slot)
            if (arraydisknames[slot][0] != '&' && arraydisknames[slot][0])
                s += " " + std::to_string(j) + after(arraydiskinfo[slot][0], "Status{14}:") + (std::string(arraydisknames[slot], 7) == "DRIVE " + std::to_string(j) ? "" : "?");
    }
    return s + " beep" + std::to_string(errorBeep) + " mask" + std::to_string(rebuilding_drive_mask());
}

static SimArray array_of(std::uint8_t number, std::uint8_t status, std::uint8_t mode, std::uint8_t members, std::uint16_t rebuild = 0, std::uint8_t busy = 0)
{ return {number, status, mode, 9729, 255, 63, 76319, 0, members, rebuild, busy}; }


TEST_F(InventoryScan, SwapBoxLinesAndPowerFlags)
{
    // Universal without Vcc; OEM with sensors, fan stopped; 0x80, 0x17 and 0x02 before the
    // type mask; Ternlift66 with sensors; neither fan nor Vcc; present byte not 1.
    card.boxes = {{{1, 0x00, 0, 1500, 0, 0, 0, 0}, {1, 0x10, 0x5CA3, 0, 40, 104, 5012, 11980}, {1, 0x80, 0, 1000, 0, 0, 0, 0},
                   {1, 0x17, 0, 0, 0, 0, 4000, 0}, {1, 0x02, 0, 0, 0, 0, 5000, 0}, {1, 0x01, 0x5CA3, 2500, 55, 131, 4987, 12345},
                   {1, 0x10, 0, 0, 0, 0, 0, 0}, {2, 0x10, 0, 3000, 0, 0, 5000, 0}}};
    PowerManage[0][0] = PowerManage[6][0] = PowerManage[7][0] = 1;
    std::strcpy(channeldiskinfo[6][9], "old box line"), std::strcpy(channeldiskinfo[0][11], "old temperature line");
    ASSERT_EQ(gtkReadFile(), 1);
    const char* rows[] = {"Swapbox{9}:Universal Swap-box|{22}|old temperature line|| 1 1",
                          "Swapbox{9}:Swapbox for OEM|{22}:RPM :0|{22}:TEMP:40C / 104F|{22}:Vcc :5.0 V|{22}:V12 :11.9 V 1 0",
                          "Swapbox{9}:Unknown Swapbox|{22}||| 0 1", "Swapbox{9}:Marlinbay|{22}||| 0 0", "Swapbox{9}:Universal Swap-box|{22}||| 1 0",
                          "Swapbox{9}:Ternlift66|{22}:RPM :2500|{22}:TEMP:55C / 131F|{22}:Vcc :4.9 V|{22}:V12 :12.3 V 0 1", "old box line|||| 0 1", "|||| 0 1"};
    for (int j = 0; j < kDrivePositions; ++j)
        EXPECT_EQ(row_text(channeldiskinfo[j], 9, 13) + " " + std::to_string(PowerManage[j][0]) + " " + std::to_string(PowerManage[j][1]), spaced(rows[j]));
}

TEST_F(InventoryScan, DriveRowsByPosition)
{
    // Selected DMA and Ultra DMA modes: the highest wins, Ultra DMA before multiword DMA.
    const std::pair<std::uint8_t, std::uint8_t> modes[] = {{0x07, 0x01}, {0x07, 0}, {0, 0x7F}, {}, {0x03, 0}, {0xF8, 0}, {0x01, 0x80}, {0, 0x08}};
    for (int j : {0, 1, 2, 4, 5, 6, 7})
        card.drives[j] = {true, true, j == 5 ? "FIFTH DRIVE" : "T", 1024, 16, 63, 0, modes[j].first, modes[j].second};
    std::strcpy(channeldiskinfo[3][0], "old status"), std::strcpy(channeldisknames[3], "OLD NAME");
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(row_text(channeldiskinfo[5], 0, 8), spaced("Status{14}:Functional|Size{16}:504MB|Location{10}:Controller #2|{22}:Channel #1|"
                                                         "{22}:Slave|Mapping:{10}1024 Cylinder|{22}:16 Heads|{22}:63 Sectors|Timing{13}:PIO Mode"));
    EXPECT_EQ(row_text(channeldiskinfo[2], 2, 4), spaced("Location{10}:Controller #1|{22}:Channel #2|{22}:Master"));
    std::string timings;
    for (int j : {0, 1, 2, 4, 6, 7})
        timings += channeldiskinfo[j][8] + std::string(",");
    EXPECT_EQ(timings, spaced("Timing{13}:Ultra DMA Mode 0,Timing{13}:DMA Mode 2,Timing{13}:Ultra DMA Mode 6,Timing{13}:DMA Mode 1,"
                              "Timing{13}:DMA Mode 0,Timing{13}:Ultra DMA Mode 3,"));
    // 39 characters with their trailing spaces; an absent drive is marked in the first byte
    // of its name only, and its lines stay.
    EXPECT_EQ(channeldisknames[5] + std::string("|") + channeldisknames[3] + "|" + channeldiskinfo[3][0], spaced("FIFTH DRIVE{28}|&LD NAME|old status"));
    EXPECT_EQ(states(), "1 d0124567 beep0 mask0");
}

// Drives at positions 0, 1, 3, 4 and 5.
static void five_drives(SimulatedCard& card)
{ for (int j : {0, 1, 3, 4, 5}) card.drives[j] = {true, true, "DRIVE " + std::to_string(j), 1024, 16, 63, 1032192, 0x07, 0x10}; }

TEST_F(InventoryScan, ControllerArrayAndMemberRows)
{
    card.controllers[0] = {0x0D30, 11, 0xD000, 0xD402, 0xD800, 0xDC02, 0xE000, 0xFEBF0000};
    card.controllers[1] = {0x6270, 9, 0xB000, 0xB402, 0xB800, 0xBC02, 0xC000, 0x12AB};
    five_drives(card);
    card.arrays[0] = array_of(1, 15, 1, 0x03), card.arrays[2] = array_of(3, 143, 0, 0x30), card.arrays[2].size_mb = 80000;
    card.boxes[4] = {1, 0x10, 0x5CA3, 4200, 40, 104, 5012, 11980};
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(transcript(card), "[3801:0][3803][3802:'1'][3802:'2'][3802:'3'][3802:'4'][3802:'5'][3802:'6'][3802:'7'][3802:'8'][3807 3809]"
                                "[3801:0][3802:'1'][3802:'2'][3801:1][3801:2][3802:'5'][3802:'6'][3801:3]");
    EXPECT_EQ(states() + channelnames[1][0] + "," + channelnames[1][1],
              "1 Halvoren 1;Halvoren 2;d01345 Array 1=Functional: 0Functional 1Functional Array 3=Functional: 4Functional 5Functional "
              "beep0 mask0Channel 1,Channel 2");
    EXPECT_EQ(row_text(controllerinfo[0], 0, 4) + "|" + row_text(channelinfo[0], 0, 3) + "|" + row_text(controllerinfo[1], 3, 4),
              spaced("VERSION{32}:Halvoren driver 2.0|IRQ{40}:11|BUS MASTER BASE ADDRESS:0xe000|ROM BASE ADDRESS{13}:0xfebf0000|"
                     "HARDWARE TYPE{19}:HALVOREN100|BASE IO ADDRESS1: 0xd000|BASE IO ADDRESS2: 0xd402|BASE IO ADDRESS1: 0xd800|"
                     "BASE IO ADDRESS2: 0xdc02|ROM BASE ADDRESS{13}:0x12ab|HARDWARE TYPE{19}:HALVOREN100 KV2"));
    EXPECT_EQ(row_text(arrayinfo[0], 0, 6) + "|" + arrayinfo[2][0] + arrayinfo[2][5],
              spaced("RAID MODE{4}:Mirroring||Mapping{9}:9729 Cylinder|{21}:255 Head|{21}:63 Sector|Size{15}:76319 MB|Status{13}:Functional|"
                     "RAID MODE{4}:StrippingSize{15}:80000 MB"));
    EXPECT_EQ(row_text(arraydiskinfo[21], 0, 8) + "|" + channeldiskinfo[5][5] + "|" + arraydiskinfo[20][11],
              spaced("Status{14}:Functional|Size{16}:504MB|Location{10}:Controller #2|{22}:Channel #1|{22}:Slave|Mapping{10}:1024 Cylinder|"
                     "{22}:16 Heads|{22}:63 Sectors|Timing{13}:Ultra DMA Mode 4|Mapping:{10}1024 Cylinder|{22}:TEMP:40C / 104F"));
    EXPECT_EQ(std::vector<int>(&arrayrebuildinfo[0][0], &arrayrebuildinfo[3][0]), (std::vector<int>{0, 76319, 3, 0, 0, 0, 0, 80000, 0x30}));
}

class ArrayStates : public CardCases {};

// Scans drives 0, 1, 3, 4 and 5 after a change (which may scan first itself).
static std::string scanned(SimulatedCard& card, const std::function<void()>& change) { return five_drives(card), change(), states(gtkReadFile()); }

// A mirror of 0 and 1 and a stripe of 4 and 5 on two controllers, scanned, older lines
// marked, then the change; a drive that stopped answering keeps its old lines.
static std::string changed(SimulatedCard& card, const std::function<void()>& change)
{
    return scanned(card, [&] {
        card.controllers[0].device_id = card.controllers[1].device_id = 0x6268;
        card.arrays[0] = array_of(1, 15, 1, 0x03), card.arrays[1] = array_of(2, 15, 0, 0x30);
        gtkReadFile();
        for (auto* line : {channeldiskinfo[1][1], channeldiskinfo[3][1], arraydiskinfo[1][1]})
            std::strcpy(line, "kept");
        change();
    }) + " " + channeldiskinfo[1][1] + channeldiskinfo[3][1] + arraydiskinfo[1][1];
}

TEST_P(ArrayStates, AfterTheScan) { EXPECT_EQ(GetParam().run(card), GetParam().expected) << GetParam().name; }

INSTANTIATE_TEST_SUITE_P(Cases, ArrayStates, ::testing::ValuesIn(std::vector<CardCase>{
    {"rebuilding mirror, offline stripe", [](SimulatedCard& c) { return scanned(c, [&] { c.arrays[0] = array_of(1, 0x22, 1, 3, 2, 2), c.arrays[1] = array_of(2, 1, 0, 0x30); }); },
     "1 d01345 Array 1=Critical: 0Functional 1Rebuilding Array 2=Offline: 4Functional 5Functional beep1 mask2"},
    {"busy drive outside the mirror", [](SimulatedCard& c) { return scanned(c, [&] { c.arrays[0] = array_of(1, 15, 1, 3, 1, 0x10), c.arrays[1] = array_of(2, 15, 2, 0x30); }); },
     "1 d01345 Array 1=Functional: 0Functional 1Functional Array 2=Functional: 4Rebuilding 5Critical beep1 mask1"},
    {"bell and rebuild over", [](SimulatedCard& c) { return scanned(c, [&] { c.arrays[0] = array_of(1, 0x22, 1, 3, 0x30), gtkReadFile(), c.arrays[0] = array_of(1, 15, 1, 3, 0xFF); }); },
     "1 d01345 Array 1=Functional: 0Functional 1Functional beep0 mask0"},
    {"member off, identify failing", [](SimulatedCard& c) { return changed(c, [&] { c.drives[1].powered = false, c.fail_identify[3] = true; }); },
     "1 Halvoren 1;Halvoren 2;d045 Array 1=Functional: 0Functional Array 2=Functional: 4Functional 5Functional beep0 mask0 keptkeptkept"},
    {"array deleted, controller gone", [](SimulatedCard& c) { return changed(c, [&] { c.arrays[1] = {}, c.controllers[1].device_id = 0; }); },
     spaced("1 Halvoren 1;d01345 Array 1=Functional: 0Functional 1Functional beep0 mask0 Size{16}:504MBSize{16}:504MBSize{16}:504MB")},
    {"no device node", [](SimulatedCard& c) { c.fail_open = true; const std::string seen = scanned(c, [] {}); return seen + transcript(c); }, "-1 d beep0 mask0"}}));
