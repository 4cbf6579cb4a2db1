#include "driver/driver_requests.h"
#include "inventory/inventory_scan.h"
#include "inventory/inventory_tables.h"
#include "scan_fixture.h"

#include <cstring>
#include <vector>

namespace {

using ScanProtocol = ScanFixture;

struct Expected {
    unsigned long code;
    int first_byte; // -1: not checked
};

void expect_requests(const SimulatedCard& card, const std::vector<Expected>& expected)
{
    const auto requests = card.requests();
    ASSERT_EQ(requests.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(requests[k].code, expected[k].code) << "request " << k;
        if (expected[k].first_byte >= 0) {
            EXPECT_EQ(requests[k].written[0], expected[k].first_byte) << "request " << k;
        }
    }
}

// Every table the scan writes after the version request, byte for byte.
struct LaterTables {
    std::vector<char> bytes;
    LaterTables()
    {
        add(controllerinfo, sizeof controllerinfo);
        add(channelinfo, sizeof channelinfo);
        add(arrayinfo, sizeof arrayinfo);
        add(arraydiskinfo, sizeof arraydiskinfo);
        add(controllernames, sizeof controllernames);
        add(channelnames, sizeof channelnames);
        add(arraynames, sizeof arraynames);
        add(arraydisknames, sizeof arraydisknames);
        add(arrayrebuildinfo, sizeof arrayrebuildinfo);
        add(DiskErrorFlag, sizeof DiskErrorFlag);
        add(&errorBeep, sizeof errorBeep);
    }
    void add(const void* p, std::size_t n)
    {
        const char* c = static_cast<const char*>(p);
        bytes.insert(bytes.end(), c, c + n);
    }
};

} // namespace

TEST_F(ScanProtocol, CompleteScanAsksInItsFixedOrder)
{
    card.controllers[0].device_id = 0x4D30;
    for (int j : {0, 1, 4, 5})
        card.drives[j] = {true, true, "MEMBER", 1024, 16, 63, 0, 0, 0};
    card.arrays[0] = {1, 15, 1, 100, 255, 63, 500, 0, 0x03, 0, 0};
    card.arrays[2] = {3, 15, 0, 100, 255, 63, 1000, 0, 0x30, 0, 0};

    ASSERT_EQ(gtkReadFile(), 1);

    expect_requests(card, {
        {0x3801, 0}, {0x3803, -1},                                            // busy test
        {0x3802, '1'}, {0x3802, '2'}, {0x3802, '3'}, {0x3802, '4'},           // drive pass
        {0x3802, '5'}, {0x3802, '6'}, {0x3802, '7'}, {0x3802, '8'},
        {0x3807, -1}, {0x3809, -1},                                           // version, controllers
        {0x3801, 0}, {0x3802, '1'}, {0x3802, '2'},                            // array pass
        {0x3801, 1},
        {0x3801, 2}, {0x3802, '5'}, {0x3802, '6'},
        {0x3801, 3},
    });
    // Version and controller records share one descriptor; every other request has its own.
    const auto requests = card.requests();
    EXPECT_EQ(requests[10].fd, requests[11].fd);
    EXPECT_EQ(card.opens(), 19);
    EXPECT_EQ(card.closes(), 19);
    EXPECT_TRUE(card.all_closed());
    EXPECT_EQ(card.bad_closes(), 0);
}

TEST_F(ScanProtocol, BusyControllerSkipsTheSwapBoxReadAndKeepsTheOldTable)
{
    card.boxes[3] = {1, 0x10, 0, 3000, 0, 0, 5000, 0};
    ASSERT_EQ(gtkReadFile(), 1);
    ASSERT_EQ(PowerManage[3][0], 1);

    card.boxes[3] = SimSwapBox{};
    card.arrays[0] = {1, 15, 1, 100, 255, 63, 500, 0, 0x00, 0x02, 0x01};
    card.clear_log();
    ASSERT_EQ(gtkReadFile(), 1);

    EXPECT_EQ(SystemBusy, 1);
    EXPECT_TRUE(card.requests_with_code(0x3803).empty());
    EXPECT_EQ(card.requests().size(), 2u + 8u + 2u + 4u - 1u);
    EXPECT_EQ(card.opens(), card.closes());
    EXPECT_EQ(PowerManage[3][0], 1) << "the previous table still shows the box";
}

TEST_F(ScanProtocol, FailingVersionRequestLeavesTheLaterTablesAsTheyWere)
{
    card.controllers[0].device_id = 0x4D30;
    card.drives[0] = {true, true, "MEMBER", 1024, 16, 63, 0, 0, 0};
    card.drives[1] = card.drives[0];
    card.arrays[0] = {1, 0x22, 1, 100, 255, 63, 500, 7, 0x03, 0x02, 0};
    ASSERT_EQ(gtkReadFile(), 1);
    ASSERT_EQ(errorBeep, 1);
    ASSERT_EQ(rebuilding_drive_mask(), 2);
    const LaterTables before;

    card.fail_version = true;
    card.arrays[0] = {9, 15, 0, 1, 1, 1, 1, 0, 0x01, 0, 0};
    card.controllers[0].device_id = 0;
    card.drives[0].model = "CHANGED";
    card.clear_log();

    EXPECT_EQ(gtkReadFile(), -1);

    EXPECT_EQ(LaterTables().bytes, before.bytes);
    EXPECT_EQ(errorBeep, 1);
    EXPECT_EQ(rebuilding_drive_mask(), 2);
    // Steps before the version request did run on the new answers.
    EXPECT_EQ(std::string(channeldisknames[0]).substr(0, 7), "CHANGED");
    const auto requests = card.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().code, 0x3807u) << "nothing is asked after the failed version request";
    EXPECT_TRUE(card.all_closed());
}

TEST_F(ScanProtocol, NoDeviceNodeMeansNoCard)
{
    card.fail_open = true;
    EXPECT_EQ(gtkReadFile(), -1);
    EXPECT_TRUE(card.requests().empty());
    EXPECT_EQ(controllerinfo[0][0][0], '\0');
    // No identify answered, so no position counts as holding a drive.
    for (int j = 0; j < kDrivePositions; ++j)
        EXPECT_EQ(channeldisknames[j][0], '&') << j;
    EXPECT_EQ(channeldiskinfo[7][0][0], '\0');
}
