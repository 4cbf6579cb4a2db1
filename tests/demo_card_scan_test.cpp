#include "demo_card.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "scan_fixture.h"

#include <cstdio>

namespace {

class DemoCardScan : public ScanFixture {
protected:
    void SetUp() override
    {
        card = make_demo_card();
        ScanFixture::SetUp();
    }
};

template <std::size_t Lines>
void print_rows(const char* table, char (*rows)[Lines][kLineSize], int count)
{
    for (int r = 0; r < count; ++r)
        for (std::size_t l = 0; l < Lines; ++l)
            if (rows[r][l][0] != '\0')
                std::printf("%-16s row %2d line %2zu |%s|\n", table, r, l, rows[r][l]);
}

template <std::size_t Size>
void print_names(const char* table, char (*names)[Size], int count)
{
    for (int k = 0; k < count; ++k)
        if (names[k][0] != '\0' && names[k][0] != '&')
            std::printf("%-16s %2d |%s|\n", table, k, names[k]);
}

std::string text(const char* line) { return line; }

} // namespace

TEST_F(DemoCardScan, PrintsTheWholeInventory)
{
    ASSERT_EQ(gtkReadFile(), 1);

    print_names("controllernames", controllernames, kControllers);
    print_names("channelnames", &channelnames[0][0], kControllers * 2);
    print_names("channeldisknames", channeldisknames, kDrivePositions);
    print_names("arraynames", arraynames, kArrays);
    print_names("arraydisknames", arraydisknames, kMemberSlots);
    print_rows("controllerinfo", controllerinfo, kControllers);
    print_rows("channelinfo", channelinfo, kControllers);
    print_rows("arrayinfo", arrayinfo, kArrays);
    print_rows("channeldiskinfo", channeldiskinfo, kDrivePositions);
    print_rows("arraydiskinfo", arraydiskinfo, kMemberSlots);
    std::printf("errorBeep %d, rebuilding-drive mask %d\n", errorBeep, rebuilding_drive_mask());

    EXPECT_EQ(text(controllernames[0]), "Halvoren 1");
    EXPECT_EQ(text(controllernames[1]), "Halvoren 2");
    EXPECT_EQ(text(controllerinfo[0][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN100");
    EXPECT_EQ(text(controllerinfo[1][4]), "HARDWARE TYPE" + spaces(19) + ":HALVOREN100 KV2");
    EXPECT_EQ(text(controllerinfo[1][0]), "VERSION" + spaces(32) + ":Halvoren IDE RAID driver 2.4.1");

    EXPECT_EQ(text(arrayinfo[0][0]), "RAID MODE" + spaces(4) + ":Mirroring");
    EXPECT_EQ(text(arrayinfo[1][0]), "RAID MODE" + spaces(4) + ":Stripping");
    EXPECT_EQ(text(arrayinfo[0][6]), "Status" + spaces(13) + ":Functional");
    EXPECT_EQ(text(arraydiskinfo[0][1]), "Size" + spaces(16) + ":6149MB");
    EXPECT_EQ(text(arraydiskinfo[13][8]), "Timing" + spaces(13) + ":DMA Mode 2");

    EXPECT_EQ(text(channeldiskinfo[2][5]), "Mapping" + spaces(10) + ":4865 Cylinder");
    EXPECT_EQ(text(channeldiskinfo[2][1]), "Size" + spaces(16) + ":38166MB");
    EXPECT_EQ(text(channeldiskinfo[7][8]), "Timing" + spaces(13) + ":PIO Mode");
    EXPECT_EQ(text(channeldiskinfo[0][11]), spaces(22) + ":TEMP:40C / 104F");
    EXPECT_EQ(text(arraydiskinfo[0][11]), spaces(22) + ":TEMP:40C / 104F");
    EXPECT_EQ(channeldisknames[3][0], '&');

    EXPECT_EQ(errorBeep, 0);
    EXPECT_EQ(rebuilding_drive_mask(), 0);
    EXPECT_EQ(PowerManage[0][0], 1);
    EXPECT_EQ(PowerManage[4][0], 1);
    EXPECT_EQ(PowerManage[1][0], 0);
    EXPECT_EQ(PowerManage[5][0], 0);
}
