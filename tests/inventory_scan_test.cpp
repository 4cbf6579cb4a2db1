#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "scan_fixture.h"

#include <cstring>

namespace {

using InventoryScan = ScanFixture;

const std::string kIndent = spaces(22);

SimDrive drive(std::uint16_t cylinders, std::uint16_t heads, std::uint16_t spt, std::uint32_t total = 0,
               std::uint8_t dma = 0, std::uint8_t ultra = 0, const char* model = "TEST DRIVE")
{
    return {true, true, model, cylinders, heads, spt, total, dma, ultra};
}

std::string text(const char* line) { return line; }

} // namespace

TEST_F(InventoryScan, TablesStartEmptyWithTheirMarkersOfDefault)
{
    for (int j = 0; j < kDrivePositions; ++j) {
        EXPECT_EQ(DiskErrorFlag[j], 2);
        EXPECT_EQ(PowerManage[j][0], 0);
        EXPECT_EQ(PowerManage[j][1], 1);
        EXPECT_EQ(channeldisknames[j][0], '\0');
        EXPECT_EQ(channeldiskinfo[j][0][0], '\0');
    }
    EXPECT_EQ(rebuilding_drive_mask(), 0) << "no rebuild is known before the first scan";
    EXPECT_EQ(errorBeep, 0);
}

TEST_F(InventoryScan, SwapBoxLinesAndPowerFlags)
{
    card.boxes[0] = {1, 0x00, 0, 1500, 0, 0, 0, 0};                 // universal, Vcc 0
    card.boxes[1] = {1, 0x10, 0x5CA3, 0, 40, 104, 5012, 11980};     // OEM, sensors, fan stopped
    card.boxes[2] = {1, 0x80, 0, 1000, 0, 0, 0, 0};                 // type masked to 0x80
    card.boxes[3] = {1, 0x17, 0, 0, 0, 0, 4000, 0};                 // masked to Marlinbay
    card.boxes[4] = {1, 0x02, 0, 0, 0, 0, 5000, 0};                 // masked to universal, Vcc on, fan stopped
    card.boxes[5] = {1, 0x01, 0x5CA3, 2500, 55, 131, 4987, 12345};  // Ternlift66 with sensors
    card.boxes[6] = {1, 0x10, 0, 0, 0, 0, 0, 0};                    // neither fan nor Vcc: absent
    card.boxes[7] = {2, 0x10, 0, 3000, 0, 0, 5000, 0};              // present byte not 1: absent
    PowerManage[0][0] = 1;
    PowerManage[6][0] = 1;
    PowerManage[7][0] = 1;
    std::strcpy(channeldiskinfo[6][9], "old box line");
    std::strcpy(channeldiskinfo[0][11], "old temperature line");

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(channeldiskinfo[0][9]), "Swapbox" + spaces(9) + ":Universal Swap-box");
    EXPECT_EQ(text(channeldiskinfo[0][10]), kIndent);
    EXPECT_EQ(text(channeldiskinfo[0][11]), "old temperature line") << "without sensors lines 11-13 stay";
    EXPECT_EQ(PowerManage[0][0], 1) << "universal box with Vcc 0 leaves the flags alone";
    EXPECT_EQ(PowerManage[0][1], 1);

    EXPECT_EQ(text(channeldiskinfo[1][9]), "Swapbox" + spaces(9) + ":Swapbox for OEM");
    EXPECT_EQ(text(channeldiskinfo[1][10]), kIndent + ":RPM :0");
    EXPECT_EQ(text(channeldiskinfo[1][11]), kIndent + ":TEMP:40C / 104F");
    EXPECT_EQ(text(channeldiskinfo[1][12]), kIndent + ":Vcc :5.0 V");
    EXPECT_EQ(text(channeldiskinfo[1][13]), kIndent + ":V12 :11.9 V");
    EXPECT_EQ(PowerManage[1][0], 1);
    EXPECT_EQ(PowerManage[1][1], 0);

    EXPECT_EQ(text(channeldiskinfo[2][9]), "Swapbox" + spaces(9) + ":Unknown Swapbox");
    EXPECT_EQ(PowerManage[2][0], 0);
    EXPECT_EQ(PowerManage[2][1], 1);

    EXPECT_EQ(text(channeldiskinfo[3][9]), "Swapbox" + spaces(9) + ":Marlinbay");
    EXPECT_EQ(PowerManage[3][0], 0);
    EXPECT_EQ(PowerManage[3][1], 0);

    EXPECT_EQ(text(channeldiskinfo[4][9]), "Swapbox" + spaces(9) + ":Universal Swap-box");
    EXPECT_EQ(PowerManage[4][0], 1);
    EXPECT_EQ(PowerManage[4][1], 0);

    EXPECT_EQ(text(channeldiskinfo[5][9]), "Swapbox" + spaces(9) + ":Ternlift66");
    EXPECT_EQ(text(channeldiskinfo[5][10]), kIndent + ":RPM :2500");
    EXPECT_EQ(text(channeldiskinfo[5][11]), kIndent + ":TEMP:55C / 131F");
    EXPECT_EQ(text(channeldiskinfo[5][12]), kIndent + ":Vcc :4.9 V");
    EXPECT_EQ(text(channeldiskinfo[5][13]), kIndent + ":V12 :12.3 V");
    EXPECT_EQ(PowerManage[5][0], 0);
    EXPECT_EQ(PowerManage[5][1], 1);

    EXPECT_EQ(text(channeldiskinfo[6][9]), "old box line") << "an absent box keeps its text";
    EXPECT_EQ(PowerManage[6][0], 0);
    EXPECT_EQ(PowerManage[7][0], 0);
}

TEST_F(InventoryScan, ScanNeverSwitchesADriveBackOn)
{
    card.boxes[2] = {1, 0x10, 0, 0, 0, 0, 5000, 0};
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(PowerManage[2][1], 0);
    card.boxes[2].fan_speed = 3000;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(PowerManage[2][1], 0);
    EXPECT_EQ(PowerManage[2][0], 1);
}

TEST_F(InventoryScan, DriveLinesByPosition)
{
    card.drives[5] = drive(1024, 16, 63, 0, 0, 0, "FIFTH DRIVE");
    card.drives[2] = drive(4096, 15, 62);
    std::strcpy(channeldiskinfo[3][0], "old status");
    std::strcpy(channeldisknames[3], "OLD NAME");

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(channeldisknames[5]), "FIFTH DRIVE" + spaces(28)) << "39 characters, trailing spaces kept";
    EXPECT_EQ(text(channeldiskinfo[5][0]), "Status" + spaces(14) + ":Functional");
    EXPECT_EQ(text(channeldiskinfo[5][1]), "Size" + spaces(16) + ":504MB");
    EXPECT_EQ(text(channeldiskinfo[5][2]), "Location" + spaces(10) + ":Controller #2");
    EXPECT_EQ(text(channeldiskinfo[5][3]), kIndent + ":Channel #1");
    EXPECT_EQ(text(channeldiskinfo[5][4]), kIndent + ":Slave");
    EXPECT_EQ(text(channeldiskinfo[5][5]), "Mapping:" + spaces(10) + "1024 Cylinder");
    EXPECT_EQ(text(channeldiskinfo[5][6]), kIndent + ":16 Heads");
    EXPECT_EQ(text(channeldiskinfo[5][7]), kIndent + ":63 Sectors");
    EXPECT_EQ(text(channeldiskinfo[5][8]), "Timing" + spaces(13) + ":PIO Mode");

    EXPECT_EQ(text(channeldiskinfo[2][2]), "Location" + spaces(10) + ":Controller #1");
    EXPECT_EQ(text(channeldiskinfo[2][3]), kIndent + ":Channel #2");
    EXPECT_EQ(text(channeldiskinfo[2][4]), kIndent + ":Master");
    EXPECT_EQ(text(channeldiskinfo[2][5]), "Mapping:" + spaces(10) + "4096 Cylinder");
    EXPECT_EQ(text(channeldiskinfo[2][6]), kIndent + ":15 Heads");
    EXPECT_EQ(text(channeldiskinfo[2][7]), kIndent + ":62 Sectors");
    EXPECT_EQ(text(channeldiskinfo[2][1]), "Size" + spaces(16) + ":1860MB");

    EXPECT_EQ(channeldisknames[3][0], '&');
    EXPECT_EQ(text(channeldisknames[3] + 1), "LD NAME") << "only the first byte marks the absence";
    EXPECT_EQ(text(channeldiskinfo[3][0]), "old status");
    for (int j : {0, 1, 4, 6, 7})
        EXPECT_EQ(channeldisknames[j][0], '&');
}

TEST_F(InventoryScan, TimingTakesTheHighestSelectedMode)
{
    card.drives[0] = drive(100, 16, 63, 0, 0x07, 0x24);
    card.drives[1] = drive(100, 16, 63, 0, 0x07, 0x00);
    card.drives[2] = drive(100, 16, 63, 0, 0x00, 0x7F);
    card.drives[3] = drive(100, 16, 63, 0, 0x07, 0x01);
    card.drives[4] = drive(100, 16, 63, 0, 0x03, 0x00);
    card.drives[5] = drive(100, 16, 63, 0, 0x01, 0x80);
    card.drives[6] = drive(100, 16, 63, 0, 0xF8, 0x00);
    card.drives[7] = drive(100, 16, 63, 0, 0x00, 0x08);

    ASSERT_EQ(gtkReadFile(), 1);

    const std::string timing = "Timing" + spaces(13) + ":";
    EXPECT_EQ(text(channeldiskinfo[0][8]), timing + "Ultra DMA Mode 5");
    EXPECT_EQ(text(channeldiskinfo[1][8]), timing + "DMA Mode 2");
    EXPECT_EQ(text(channeldiskinfo[2][8]), timing + "Ultra DMA Mode 6");
    EXPECT_EQ(text(channeldiskinfo[3][8]), timing + "Ultra DMA Mode 0");
    EXPECT_EQ(text(channeldiskinfo[4][8]), timing + "DMA Mode 1");
    EXPECT_EQ(text(channeldiskinfo[5][8]), timing + "DMA Mode 0") << "bit 7 of the Ultra DMA byte is no mode";
    EXPECT_EQ(text(channeldiskinfo[6][8]), timing + "PIO Mode");
    EXPECT_EQ(text(channeldiskinfo[7][8]), timing + "Ultra DMA Mode 3");
}

TEST_F(InventoryScan, ControllerLinesAndNames)
{
    card.version_text = "Halvoren driver 2.0";
    card.controllers[0] = {0x0D30, 11, 0xD000, 0xD402, 0xD800, 0xDC02, 0xE000, 0xFEBF0000};
    card.controllers[1] = {0x6270, 9, 0xB000, 0xB402, 0xB800, 0xBC02, 0xC000, 0x12AB};

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(controllerinfo[0][0]), "VERSION" + spaces(32) + ":Halvoren driver 2.0");
    EXPECT_EQ(text(controllerinfo[0][1]), "IRQ" + spaces(40) + ":11");
    EXPECT_EQ(text(controllerinfo[0][2]), "BUS MASTER BASE ADDRESS:0xe000");
    EXPECT_EQ(text(controllerinfo[0][3]), "ROM BASE ADDRESS" + spaces(13) + ":0xfebf0000");
    EXPECT_EQ(text(controllerinfo[0][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN100");
    EXPECT_EQ(text(channelinfo[0][0]), "BASE IO ADDRESS1: 0xd000");
    EXPECT_EQ(text(channelinfo[0][1]), "BASE IO ADDRESS2: 0xd402");
    EXPECT_EQ(text(channelinfo[0][2]), "BASE IO ADDRESS1: 0xd800");
    EXPECT_EQ(text(channelinfo[0][3]), "BASE IO ADDRESS2: 0xdc02");
    EXPECT_EQ(text(channel_block(1)[0]), "BASE IO ADDRESS1: 0xd800");
    EXPECT_EQ(text(controllerinfo[1][3]), "ROM BASE ADDRESS" + spaces(13) + ":0x12ab");
    EXPECT_EQ(text(controllerinfo[1][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN100 KV2");

    EXPECT_EQ(text(controllernames[0]), "Halvoren 1");
    EXPECT_EQ(text(controllernames[1]), "Halvoren 2");
    EXPECT_EQ(text(channelnames[1][0]), "Channel 1");
    EXPECT_EQ(text(channelnames[1][1]), "Channel 2");
}

TEST_F(InventoryScan, HardwareTypeByDeviceId)
{
    const std::pair<std::uint16_t, const char*> models[] = {
        {0x6268, "100 KV2"}, {0x6270, "100 KV2"}, {0x0D30, "100"}, {0x4D30, "100"}, {0x4D38, "66"}, {0x0001, "66"},
    };
    for (const auto& [id, model] : models) {
        card.controllers[1].device_id = id;
        ASSERT_EQ(gtkReadFile(), 1);
        EXPECT_EQ(text(controllerinfo[1][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN" + model) << std::hex << id;
    }
}

TEST_F(InventoryScan, OnlySecondControllerPresentIsNamedFirst)
{
    std::strcpy(controllernames[0], "Halvoren 1");
    card.controllers[1] = {0x4D30, 10, 0xB000, 0xB402, 0xB800, 0xBC02, 0xC000, 0xFEAF0000};

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(controllernames[0][0], '\0');
    EXPECT_EQ(text(controllernames[1]), "Halvoren 1");
    EXPECT_EQ(channelnames[0][0][0], '\0') << "channels of an absent controller get no names";
    EXPECT_EQ(text(channelnames[1][1]), "Channel 2");
    // Both controllers' lines are written, the absent one's from its zero record.
    EXPECT_EQ(text(controllerinfo[0][1]), "IRQ" + spaces(40) + ":0");
    EXPECT_EQ(text(controllerinfo[0][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN66");
    EXPECT_EQ(text(channelinfo[0][0]), "BASE IO ADDRESS1: 0x0");
    EXPECT_EQ(text(controllerinfo[1][1]), "IRQ" + spaces(40) + ":10");
}

TEST_F(InventoryScan, LongDriverVersionIsCutInsideItsLine)
{
    card.version_text = std::string(59, 'v');
    ASSERT_EQ(gtkReadFile(), 1);
    const std::string prefix = "VERSION" + spaces(32) + ":";
    EXPECT_EQ(text(controllerinfo[0][0]), prefix + std::string(39, 'v'));
    EXPECT_EQ(text(controllerinfo[0][1]), "IRQ" + spaces(40) + ":0") << "the next line is its own";
}

TEST_F(InventoryScan, UnterminatedDriverVersionStaysBounded)
{
    card.tamper = [](unsigned long code, std::uint8_t* record) {
        if (code == 0x3807)
            std::memset(record, 'w', 60);
    };
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(text(controllerinfo[1][0]), "VERSION" + spaces(32) + ":" + std::string(39, 'w'));
}
