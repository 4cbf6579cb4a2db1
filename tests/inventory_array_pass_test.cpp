#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "live_window_support.h"
#include "scan_fixture.h"
#include "ui/main_notebook.h"
#include "ui/widget_registry.h"

#include <cstring>
#include <functional>

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

// Two scans around a change on the card; the trees then list only what is still there,
// and a drive that no longer answers keeps the lines it had.
TEST_F(ArrayPass, WhatIsGoneIsListedInNeitherTree)
{
    // Each drive its own model, so a name taken from another drive's answer shows.
    auto model = [](int position) { return "DRIVE " + std::to_string(position); };
    auto member = [&](int slot) { return model(slot % 8) + spaces(32) + "<" + std::to_string(static_cast<int>(PageKind::MemberDrive)) + ":" + std::to_string(slot) + ">"; };
    auto on_channel = [&](int position) { return model(position) + spaces(32) + "<" + std::to_string(static_cast<int>(PageKind::ChannelDrive)) + ":" + std::to_string(position) + ">"; };
    auto node = [](const char* label, PageKind kind, int index) { return std::string(label) + "<" + std::to_string(static_cast<int>(kind)) + ":" + std::to_string(index) + ">"; };
    auto controller = [&](int c, const std::string& channel1, const std::string& channel2) {
        auto channel = [&](int h, const std::string& drives) {
            return node(h == 0 ? "Channel 1" : "Channel 2", PageKind::Channel, c * 2 + h) + (drives.empty() ? " " : "{" + drives + "} ");
        };
        return node(c == 0 ? "Halvoren 1" : "Halvoren 2", PageKind::Controller, c) + "{" + channel(0, channel1) + channel(1, channel2) + "} ";
    };
    const std::string array1 = node("Array 1", PageKind::ArraySummary, 0) + "{" + member(0) + " " + member(1) + " } ";
    const std::string array2 = node("Array 2", PageKind::ArraySummary, 1) + "{" + member(12) + " " + member(13) + " } ";
    const std::string controller2 = controller(1, on_channel(4) + " " + on_channel(5) + " ", "");

    struct Case {
        const char* change;
        std::function<void(SimulatedCard&)> apply;
        std::string arrays, controllers;
        int silent_drive; // keeps its old lines, or -1
    };
    const Case cases[] = {
        {"member switched off", [](SimulatedCard& c) { c.drives[1].powered = false; },
         node("Array 1", PageKind::ArraySummary, 0) + "{" + member(0) + " } " + array2,
         controller(0, on_channel(0) + " ", on_channel(3) + " ") + controller2, 1},
        {"identify fails", [](SimulatedCard& c) { c.fail_identify[1] = c.fail_identify[3] = true; },
         node("Array 1", PageKind::ArraySummary, 0) + "{" + member(0) + " } " + array2,
         controller(0, on_channel(0) + " ", "") + controller2, 3},
        {"array deleted", [](SimulatedCard& c) { c.arrays[1] = SimArray{}; }, array1,
         controller(0, on_channel(0) + " " + on_channel(1) + " ", on_channel(3) + " ") + controller2, -1},
        {"controller gone", [](SimulatedCard& c) { c.controllers[1].device_id = 0; }, array1 + array2,
         controller(0, on_channel(0) + " " + on_channel(1) + " ", on_channel(3) + " "), -1},
    };
    open_test_window();
    for (const Case& c : cases) {
        SimulatedCard fresh;
        card = fresh;
        for (int j : {0, 1, 3, 4, 5})
            card.drives[j] = {true, true, model(j), 1024, 16, 63, 1032192, 0x07, 0x10};
        card.controllers[0].device_id = card.controllers[1].device_id = 0x6268;
        card.arrays[0] = mirror(15, 0x03);
        card.arrays[1] = stripe(15, 0x30);
        ASSERT_EQ(gtkReadFile(), 1);
        if (c.silent_drive >= 0)
            std::strcpy(channeldiskinfo[c.silent_drive][1], "kept");
        std::strcpy(arraydiskinfo[1][1], "kept");

        c.apply(card);
        ASSERT_EQ(gtkReadFile(), 1);
        initgraph();
        EXPECT_EQ(describe_tree(treearray), c.arrays) << c.change;
        EXPECT_EQ(describe_tree(tree_of_page(1)), c.controllers) << c.change;
        if (c.silent_drive >= 0) {
            EXPECT_EQ(text(channeldiskinfo[c.silent_drive][1]), "kept") << c.change;
            EXPECT_EQ(text(arraydiskinfo[1][1]), "kept") << c.change;
        }
    }
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
