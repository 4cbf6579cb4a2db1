#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "scan_fixture.h"

#include <cstring>

namespace {

class ArrayPass : public ScanFixture {
protected:
    void SetUp() override
    {
        ScanFixture::SetUp();
        for (int j : {0, 1, 4, 5})
            card.drives[j] = {true, true, "MEMBER DRIVE", 1024, 16, 63, 1032192, 0x07, 0x10};
    }
};

std::string text(const char* line) { return line; }

SimArray mirror(std::uint8_t status, std::uint8_t members)
{
    SimArray a;
    a.number = 1;
    a.status = status;
    a.raid_mode = 1;
    a.cylinders = 9729;
    a.heads = 255;
    a.sectors = 63;
    a.size_mb = 76319;
    a.member_mask = members;
    return a;
}

SimArray stripe(std::uint8_t status, std::uint8_t members)
{
    SimArray a = mirror(status, members);
    a.number = 2;
    a.raid_mode = 0;
    return a;
}

const std::string kArrayStatus = "Status" + spaces(13) + ":";
const std::string kDriveStatus = "Status" + spaces(14) + ":";

} // namespace

TEST_F(ArrayPass, HealthyArraysAndTheirMemberRows)
{
    card.arrays[0] = mirror(15, 0x03);
    card.arrays[1] = stripe(143, 0x30);
    card.arrays[1].size_mb = 80000;
    card.boxes[4] = {1, 0x10, 0x5CA3, 4200, 40, 104, 5012, 11980};

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(arraynames[0]), "Array 1");
    EXPECT_EQ(text(arraynames[1]), "Array 2");
    EXPECT_EQ(text(arrayinfo[0][0]), "RAID MODE" + spaces(4) + ":Mirroring");
    EXPECT_EQ(text(arrayinfo[1][0]), "RAID MODE" + spaces(4) + ":Stripping");
    EXPECT_EQ(arrayinfo[0][1][0], '\0');
    EXPECT_EQ(text(arrayinfo[0][2]), "Mapping" + spaces(9) + ":9729 Cylinder");
    EXPECT_EQ(text(arrayinfo[0][3]), spaces(21) + ":255 Head");
    EXPECT_EQ(text(arrayinfo[0][4]), spaces(21) + ":63 Sector");
    EXPECT_EQ(text(arrayinfo[0][5]), "Size" + spaces(15) + ":76319 MB");
    EXPECT_EQ(text(arrayinfo[1][5]), "Size" + spaces(15) + ":80000 MB");
    EXPECT_EQ(text(arrayinfo[0][6]), kArrayStatus + "Functional");
    EXPECT_EQ(text(arrayinfo[1][6]), kArrayStatus + "Functional");
    EXPECT_EQ(errorBeep, 0);

    // Slot 13 is array 1's member at drive position 5.
    EXPECT_EQ(text(arraydisknames[13]), text(channeldisknames[5]));
    EXPECT_EQ(arraydisknames[13][0], 'M');
    for (int s = 0; s < kMemberSlots; ++s) {
        if (s != 0 && s != 1 && s != 12 && s != 13) {
            EXPECT_EQ(arraydisknames[s][0], '&') << s;
        }
    }

    EXPECT_EQ(text(arraydiskinfo[13][0]), kDriveStatus + "Functional");
    EXPECT_EQ(text(arraydiskinfo[13][1]), "Size" + spaces(16) + ":504MB");
    EXPECT_EQ(text(arraydiskinfo[13][2]), "Location" + spaces(10) + ":Controller #2");
    EXPECT_EQ(text(arraydiskinfo[13][4]), spaces(22) + ":Slave");
    EXPECT_EQ(text(arraydiskinfo[13][5]), "Mapping" + spaces(10) + ":1024 Cylinder");
    EXPECT_EQ(text(channeldiskinfo[5][5]), "Mapping:" + spaces(10) + "1024 Cylinder");
    EXPECT_EQ(text(arraydiskinfo[13][6]), spaces(22) + ":16 Heads");
    EXPECT_EQ(text(arraydiskinfo[13][8]), "Timing" + spaces(13) + ":Ultra DMA Mode 4");
    for (int line = 9; line <= 13; ++line)
        EXPECT_EQ(text(arraydiskinfo[12][line]), text(channeldiskinfo[4][line])) << line;
    EXPECT_EQ(text(arraydiskinfo[12][11]), spaces(22) + ":TEMP:40C / 104F");

    EXPECT_EQ(arrayrebuildinfo[0][1], 76319);
    EXPECT_EQ(arrayrebuildinfo[0][2], 0x03);
    EXPECT_EQ(arrayrebuildinfo[1][2], 0x30);
}

TEST_F(ArrayPass, CriticalMirrorWithARebuildingDrive)
{
    card.arrays[0] = mirror(0x22, 0x03);
    card.arrays[0].rebuild_mask = 0x02;
    card.arrays[0].busy_mask = 0x02;
    card.arrays[0].progress = 1234;

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(arrayinfo[0][6]), kArrayStatus + "Critical");
    EXPECT_EQ(text(channeldiskinfo[0][0]), kDriveStatus + "Functional");
    EXPECT_EQ(text(channeldiskinfo[1][0]), kDriveStatus + "Rebuilding");
    EXPECT_EQ(text(arraydiskinfo[0][0]), kDriveStatus + "Functional");
    EXPECT_EQ(text(arraydiskinfo[1][0]), kDriveStatus + "Rebuilding");
    EXPECT_EQ(DiskErrorFlag[0], 0);
    EXPECT_EQ(DiskErrorFlag[1], 1);
    EXPECT_EQ(errorBeep, 1);
    EXPECT_EQ(rebuilding_drive_mask(), 2);
    EXPECT_EQ(arrayrebuildinfo[0][0], 1234);
}

TEST_F(ArrayPass, RebuildingFlagGoesToBusyDrivesOutsideTheMirrorToo)
{
    card.arrays[0] = mirror(15, 0x03);
    card.arrays[0].rebuild_mask = 0x01;
    card.arrays[0].busy_mask = 0x10;
    card.arrays[1] = stripe(15, 0x30);
    card.arrays[1].raid_mode = 2;

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(DiskErrorFlag[4], 1);
    EXPECT_EQ(text(channeldiskinfo[4][0]), kDriveStatus + "Rebuilding");
    EXPECT_EQ(errorBeep, 1) << "a rebuilding member keeps the bell going";
}

TEST_F(ArrayPass, OfflineStripeShowsFunctionalMembers)
{
    card.arrays[1] = stripe(0x01, 0x30);

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(arrayinfo[1][6]), kArrayStatus + "Offline");
    EXPECT_EQ(text(arraydiskinfo[12][0]), kDriveStatus + "Functional");
    EXPECT_EQ(text(arraydiskinfo[13][0]), kDriveStatus + "Functional");
    EXPECT_EQ(errorBeep, 1);
}

TEST_F(ArrayPass, UnknownRaidModeMembersShowTheirOldFlags)
{
    card.arrays[2] = mirror(15, 0x30);
    card.arrays[2].raid_mode = 2;
    card.arrays[3] = stripe(0x05, 0x03);
    card.arrays[3].raid_mode = 7;

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(arrayinfo[2][0]), "RAID MODE" + spaces(4) + ":");
    EXPECT_EQ(text(arrayinfo[2][6]), kArrayStatus + "Functional");
    EXPECT_EQ(text(arraydiskinfo[20][0]), kDriveStatus + "Critical") << "flag 2 from start-up";
    EXPECT_EQ(text(arrayinfo[3][6]), kArrayStatus + "Offline");
    EXPECT_EQ(text(arraydiskinfo[24][0]), kDriveStatus + "Critical");
    EXPECT_EQ(errorBeep, 1);
}

TEST_F(ArrayPass, ErrorBeepFollowsTheLatestScan)
{
    card.arrays[0] = mirror(0x22, 0x03);
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(errorBeep, 1);
    card.arrays[0].status = 15;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(errorBeep, 0);
    EXPECT_EQ(text(arrayinfo[0][6]), kArrayStatus + "Functional");
}

TEST_F(ArrayPass, RebuildingDriveMaskTakesOnlyRealMasks)
{
    card.arrays[0] = mirror(15, 0x03);
    card.arrays[0].rebuild_mask = 0x0030;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(rebuilding_drive_mask(), 48);

    // 0x00FF is no drive mask: it leaves the mask of another array's rebuild in place.
    card.arrays[1] = stripe(15, 0x30);
    card.arrays[1].rebuild_mask = 0x00FF;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(rebuilding_drive_mask(), 48);

    // A later array's mask replaces an earlier one's.
    card.arrays[3] = stripe(15, 0x00);
    card.arrays[3].rebuild_mask = 0x0004;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(rebuilding_drive_mask(), 4);
}

TEST_F(ArrayPass, RebuildingDriveMaskReturnsToZeroWhenNoArrayRebuilds)
{
    card.arrays[0] = mirror(15, 0x03);
    card.arrays[0].rebuild_mask = 0x0030;
    ASSERT_EQ(gtkReadFile(), 1);
    ASSERT_EQ(rebuilding_drive_mask(), 48);

    card.arrays[0].rebuild_mask = 0x00FF;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(rebuilding_drive_mask(), 0);

    card.arrays[0].rebuild_mask = 0x0002;
    ASSERT_EQ(gtkReadFile(), 1);
    card.arrays[0].rebuild_mask = 0;
    ASSERT_EQ(gtkReadFile(), 1);
    EXPECT_EQ(rebuilding_drive_mask(), 0) << "the rebuild is over: bars hidden, schedule free";
}

TEST_F(ArrayPass, VanishedArrayKeepsItsTextButNotItsMembers)
{
    card.arrays[1] = stripe(15, 0x30);
    ASSERT_EQ(gtkReadFile(), 1);
    card.arrays[1] = SimArray{};

    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(text(arraynames[1]), "Array 2");
    EXPECT_EQ(text(arrayinfo[1][6]), kArrayStatus + "Functional");
    EXPECT_EQ(arraydisknames[12][0], '&');
    EXPECT_EQ(arraydisknames[13][0], '&');
    EXPECT_EQ(arrayrebuildinfo[1][1], 0) << "rebuild numbers always follow the driver";
    EXPECT_EQ(arrayrebuildinfo[1][2], 0);
}

TEST_F(ArrayPass, LargeMemberDriveIsTranslatedInBothRows)
{
    card.drives[1] = {true, true, "BIG DRIVE", 16383, 16, 63, 78165360, 0, 0x20};
    card.arrays[0] = mirror(15, 0x03);

    ASSERT_EQ(gtkReadFile(), 1);

    for (auto* row : {channeldiskinfo[1], arraydiskinfo[1]}) {
        EXPECT_EQ(text(row[1]), "Size" + spaces(16) + ":38166MB");
        EXPECT_EQ(text(row[5]), "Mapping" + spaces(10) + ":4865 Cylinder");
        EXPECT_EQ(text(row[6]), spaces(22) + ":255 Heads");
        EXPECT_EQ(text(row[7]), spaces(22) + ":63 Sectors");
    }
}
