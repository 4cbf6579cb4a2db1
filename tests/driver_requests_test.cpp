#include "driver/driver_requests.h"
#include "simulated_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class DriverRequests : public ::testing::Test {
protected:
    void SetUp() override { install_simulated_driver(card); }
    void TearDown() override
    {
        EXPECT_TRUE(card.all_closed());
        EXPECT_EQ(card.bad_closes(), 0);
        EXPECT_EQ(card.opens(), card.closes());
        uninstall_simulated_driver();
    }
    SimulatedCard card;
};

std::vector<unsigned long> codes_of(const std::vector<SimEvent>& events)
{
    std::vector<unsigned long> codes;
    for (const auto& e : events)
        codes.push_back(e.code);
    return codes;
}

} // namespace

TEST_F(DriverRequests, EveryRequestOpensIssuesOnceAndCloses)
{
    card.arrays[2] = {3, 15, 1, 100, 16, 63, 5000, 0, 0x05, 0, 0};
    readparameters('S', 0);
    readparameters('B', 0);
    readparameters('I', 6);
    read_array_status(2);
    ioctl3804(1);
    ioctl3805('4', '0');

    std::vector<SimCall> expected;
    for (int i = 0; i < 6; ++i)
        expected.insert(expected.end(), {SimCall::Open, SimCall::Request, SimCall::Close});
    ASSERT_EQ(card.events.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(card.events[i].call, expected[i]) << "event " << i;
    EXPECT_EQ(codes_of(card.requests()),
              (std::vector<unsigned long>{0x3801, 0x3803, 0x3802, 0x3801, 0x3804, 0x3805}));
    // Each request ran on the descriptor opened just before it.
    for (std::size_t i = 0; i < card.events.size(); i += 3) {
        EXPECT_EQ(card.events[i].fd, card.events[i + 1].fd);
        EXPECT_EQ(card.events[i + 1].fd, card.events[i + 2].fd);
    }
}

TEST_F(DriverRequests, BytesWrittenBeforeEachRequest)
{
    readparameters('S', 0);
    readparameters('I', 0);
    readparameters('I', 7);
    read_array_status(3);
    ioctl3804(1);
    ioctl3805('6', '1');
    auto r = card.requests();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].written[0], 0);   // kind S asks array 0 on a cleared block
    EXPECT_EQ(r[1].written[0], '1'); // position 0
    EXPECT_EQ(r[2].written[0], '8'); // position 7
    EXPECT_EQ(r[3].written[0], 3);   // array index
    EXPECT_EQ(r[4].written[0], 1);   // sync value
    EXPECT_EQ(r[5].written[0], '6');
    EXPECT_EQ(r[5].written[1], '1');
}

TEST_F(DriverRequests, KindSZeroesTheBlockAndReadsArrayZero)
{
    card.arrays[0] = {1, 143, 1, 9729, 255, 63, 76319, 12, 0x03, 0x02, 0x02};
    std::memset(ArrayStatus, 0xAB, sizeof ArrayStatus);
    readparameters('S', 0);
    EXPECT_EQ(ArrayStatus[status_block::kArrayNumber], 1);
    EXPECT_EQ(ArrayStatus[status_block::kArrayStatus], 143);
    EXPECT_EQ(le16(ArrayStatus + status_block::kCylinders), 9729);
    EXPECT_EQ(le32(ArrayStatus + status_block::kSize), 76319u);
    EXPECT_EQ(le32(ArrayStatus + status_block::kProgress), 12u);
    EXPECT_EQ(ArrayStatus[status_block::kMemberMask], 0x03);
    EXPECT_EQ(le16(ArrayStatus + status_block::kRebuildMask), 0x02);
    EXPECT_EQ(ArrayStatus[status_block::kBusyMask], 0x02);

    // With the device gone, kind S still leaves a zeroed block behind.
    std::memset(ArrayStatus, 0xAB, sizeof ArrayStatus);
    card.fail_open = true;
    readparameters('S', 0);
    for (std::uint8_t byte : ArrayStatus)
        ASSERT_EQ(byte, 0);
}

TEST_F(DriverRequests, BusyMaskSkipsTheSwapBoxReadButStillOpensTheDevice)
{
    card.boxes[3] = {1, 0x10, 0x5CA3, 2000, 40, 104, 5000, 12000};
    card.arrays[0].busy_mask = 0x01;
    readparameters('B', 0);
    // The busy test reads the busy mask of whatever array 0 block was read last.
    EXPECT_EQ(SystemBusy, 0);
    EXPECT_TRUE(card.requests_with_code(0x3803).size() == 1);

    readparameters('S', 0);
    std::memset(SwapInfo, 0x5A, sizeof SwapInfo);
    card.clear_log();
    readparameters('B', 0);
    EXPECT_EQ(SystemBusy, 1);
    EXPECT_EQ(card.opens(), 1);
    EXPECT_EQ(card.closes(), 1);
    EXPECT_TRUE(card.requests().empty());
    for (auto& entry : SwapInfo)
        for (std::uint8_t byte : entry)
            ASSERT_EQ(byte, 0x5A);

    card.arrays[0].busy_mask = 0;
    readparameters('S', 0);
    readparameters('B', 0);
    EXPECT_EQ(SystemBusy, 0);
    EXPECT_EQ(SwapInfo[3][swap_entry::kPresent], 1);
    EXPECT_EQ(le32(SwapInfo[3] + swap_entry::kFanSpeed), 2000u);
}

TEST_F(DriverRequests, BoxTypeKeepsOnlyTheBitsOfMask0x91)
{
    const std::uint8_t raw[8] = {0x17, 0x10, 0x02, 0xFF, 0x80, 0x01, 0x11, 0x00};
    const std::uint8_t kept[8] = {0x11, 0x10, 0x00, 0x91, 0x80, 0x01, 0x11, 0x00};
    for (int j = 0; j < 8; ++j)
        card.boxes[j] = {1, raw[j], 0, 100, 0, 0, 0, 0};
    readparameters('S', 0);
    readparameters('B', 0);
    for (int j = 0; j < 8; ++j)
        EXPECT_EQ(SwapInfo[j][swap_entry::kBoxType], kept[j]) << "entry " << j;
}

TEST_F(DriverRequests, SwapBoxPresenceNeedsFanOrVcc)
{
    std::uint8_t entry[16] = {};
    entry[0] = 1;
    EXPECT_FALSE(swap_box_present(entry));
    put_le16(entry + swap_entry::kVcc, 5000);
    EXPECT_TRUE(swap_box_present(entry));
    put_le16(entry + swap_entry::kVcc, 0);
    put_le32(entry + swap_entry::kFanSpeed, 1500);
    EXPECT_TRUE(swap_box_present(entry));
    entry[0] = 2;
    EXPECT_FALSE(swap_box_present(entry));
}

TEST_F(DriverRequests, IdentifyPresenceAndPositionCharacter)
{
    card.drives[2] = {true, true, "MODEL", 1024, 16, 63, 1032192, 0x07, 0x24};
    readparameters('I', 2);
    EXPECT_TRUE(drive_present(args));
    EXPECT_EQ(le16(args + identify::kCylinders), 1024);
    EXPECT_EQ(le16(args + identify::kHeads), 16);
    EXPECT_EQ(le16(args + identify::kSectorsPerTrack), 63);
    EXPECT_EQ(le32(args + identify::kTotalSectors), 1032192u);
    EXPECT_EQ(args[identify::kDmaSelected], 0x07);
    EXPECT_EQ(args[identify::kUltraDmaSelected], 0x24);

    readparameters('I', 3);
    EXPECT_FALSE(drive_present(args));

    // A failed identify leaves the position character: the position counts as a drive.
    card.fail_open = true;
    readparameters('I', 4);
    EXPECT_EQ(args[0], '5');
    EXPECT_TRUE(drive_present(args));
    std::uint8_t block[520] = {};
    block[0] = 0x40;
    EXPECT_TRUE(drive_present(block));
    block[0] = 0x66;
    EXPECT_FALSE(drive_present(block));

    // A position outside 0..7 leaves byte 0 as it was.
    card.fail_open = false;
    args[0] = '3';
    card.clear_log();
    readparameters('I', 9);
    ASSERT_EQ(card.requests().size(), 1u);
    EXPECT_EQ(card.requests()[0].written[0], '3');
}

TEST_F(DriverRequests, ModelTextIsSwappedAndCutAfter39Characters)
{
    const std::string model = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd"; // 40 characters
    card.drives[0] = {true, true, model, 1, 1, 1, 1, 0, 0};
    readparameters('I', 0);
    // The words hold the first character of each pair in their high byte.
    EXPECT_EQ(args[identify::kModel], 'B');
    EXPECT_EQ(args[identify::kModel + 1], 'A');
    char name[60];
    std::memset(name, 'x', sizeof name);
    model_name_of(args, name);
    EXPECT_STREQ(name, model.substr(0, 39).c_str());

    card.drives[1] = {true, true, "SHORT", 1, 1, 1, 1, 0, 0};
    readparameters('I', 1);
    model_name_of(args, name);
    EXPECT_STREQ(name, "SHORT                                  "); // trailing spaces stay
}

TEST_F(DriverRequests, VersionAndControllersShareOneDescriptor)
{
    card.version_text = "2.4.1";
    card.controllers[1] = {0x6268, 10, 0xb000, 0xb402, 0xb800, 0xbc02, 0xc000, 0xfeaf0000};
    std::memset(ArrayStatus, 0, sizeof ArrayStatus);
    ArrayStatus[status_block::kArrayStatus] = 15;
    ASSERT_TRUE(read_version_and_controllers());
    EXPECT_STREQ(version, "2.4.1");
    ASSERT_EQ(card.events.size(), 4u);
    EXPECT_EQ(card.events[0].call, SimCall::Open);
    EXPECT_EQ(card.events[1].code, 0x3807u);
    EXPECT_EQ(card.events[2].code, 0x3809u);
    EXPECT_EQ(card.events[3].call, SimCall::Close);
    EXPECT_EQ(card.events[1].fd, card.events[2].fd);

    const std::uint8_t* record = controller_record_of(ArrayStatus, 1);
    EXPECT_TRUE(controller_present(record));
    EXPECT_FALSE(controller_present(controller_record_of(ArrayStatus, 0)));
    EXPECT_EQ(record[controller_record::kIrq], 10);
    EXPECT_EQ(le16(record + controller_record::kChannel2Base2), 0xbc02);
    EXPECT_EQ(le32(record + controller_record::kRomBase), 0xfeaf0000u);
    // The controller answer fills the controller part only.
    EXPECT_EQ(ArrayStatus[status_block::kArrayStatus], 15);
}

TEST_F(DriverRequests, FailedVersionSkipsTheControllerRequest)
{
    card.fail_version = true;
    EXPECT_FALSE(read_version_and_controllers());
    EXPECT_EQ(card.requests_with_code(0x3809).size(), 0u);
    EXPECT_EQ(card.closes(), 1);

    card.fail_version = false;
    card.fail_open = true;
    EXPECT_FALSE(read_version_and_controllers());
}

TEST_F(DriverRequests, SyncCommandIsSentOnlyWhenItsValueChanges)
{
    ioctl3804(0); // equals the starting value: never sent first
    EXPECT_TRUE(card.requests_with_code(0x3804).empty());
    ioctl3804(1);
    ioctl3804(1);
    EXPECT_EQ(card.requests_with_code(0x3804).size(), 1u);
    EXPECT_EQ(card.last_sync_command, 1);
    ioctl3804(0);
    EXPECT_EQ(card.requests_with_code(0x3804).size(), 2u);
    EXPECT_EQ(card.last_sync_command, 0);
    EXPECT_EQ(Mirror_Sync, 0);
}

TEST_F(DriverRequests, FailedSyncPrintsOnceAndIsNotRepeated)
{
    card.fail_sync = true;
    testing::internal::CaptureStdout();
    ioctl3804(1);
    ioctl3804(1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Ioctl Mirror_Sync_Day Fail\n");
    EXPECT_EQ(Mirror_Sync, 1);
    EXPECT_EQ(card.requests_with_code(0x3804).size(), 1u);
}

TEST_F(DriverRequests, SyncWithoutDeviceChangesNothingAndRetriesLater)
{
    card.fail_open = true;
    ioctl3804(1);
    EXPECT_EQ(Mirror_Sync, 0);
    card.fail_open = false;
    ioctl3804(1);
    EXPECT_EQ(Mirror_Sync, 1);
    EXPECT_EQ(card.requests_with_code(0x3804).size(), 1u);
}

TEST_F(DriverRequests, PowerCommandResults)
{
    EXPECT_EQ(ioctl3805('2', '0'), 0);
    EXPECT_FALSE(card.drives[1].powered);
    card.fail_power[1] = true;
    EXPECT_EQ(ioctl3805('2', '1'), -1);
    EXPECT_FALSE(card.drives[1].powered);

    card.fail_open = true;
    card.clear_log();
    EXPECT_LT(ioctl3805('1', '1'), 0);
    EXPECT_TRUE(card.requests().empty());
}
