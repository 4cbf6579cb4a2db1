#include "driver/driver_requests.h"
#include "inventory/change_detection.h"
#include "scan_fixture.h"

#include <algorithm>
#include <cstring>

class DriverRequest : public CardCases {};

// Whether the arrays differ from the remembered state, which the card had before now().
static std::string changed(SimulatedCard& c, int index, void (*now)(SimArray&))
{
    return c.arrays[index] = {1, 15, 1, 1024, 16, 63, 500, 0, 0x30, 0, 0}, remember_array_states(), now(c.arrays[index]), c.clear_log(), std::to_string(str_cmp());
}

static std::string result(long value) { return std::to_string(value); }

// Each request: what the caller sees, then what the card was asked.
TEST_P(DriverRequest, ResultAndTranscript)
{
    const std::string seen = GetParam().run(card);
    EXPECT_EQ(seen + " " + transcript(card), GetParam().expected) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Cases, DriverRequest, ::testing::ValuesIn(std::vector<CardCase>{
    {"array 0 by kind S", [](SimulatedCard& c) { return c.arrays[0].status = 143, readparameters('S', 0), result(ArrayStatus[73]); }, "143 [3801:0]"},
    {"kind S without a device zeroes the block", [](SimulatedCard& c) {
         return c.fail_open = true, std::memset(ArrayStatus, 0xAB, 204), readparameters('S', 0), result(std::count(ArrayStatus, ArrayStatus + 204, 0)); }, "204 "},
    {"identify beyond 7 keeps byte 0", [](SimulatedCard&) { return args[0] = '3', readparameters('I', 9), result(drive_present(args)); }, "0 [3802:'3']"},
    {"busy: opened, not asked", [](SimulatedCard& c) {
         // Array 0, then the swap boxes, as the scan asks: SystemBusy and a box type left as it was.
         c.arrays[0].busy_mask = 0x01;
         std::memset(SwapInfo, 0x5A, sizeof SwapInfo);
         readparameters('S', 0);
         readparameters('B', 0);
         return result(SystemBusy) + " " + result(SwapInfo[3][swap_entry::kBoxType]); }, "1 90 [3801:0][]"},
    {"sync", [](SimulatedCard& c) { return ioctl3804(1), result(Mirror_Sync) + result(c.last_sync_command); }, "11 [3804:1]"},
    {"sync unchanged is not sent", [](SimulatedCard&) { return ioctl3804(0), result(Mirror_Sync); }, "0 "},
    {"failed sync is told once", [](SimulatedCard& c) {
         return c.fail_sync = true, testing::internal::CaptureStdout(), ioctl3804(1), ioctl3804(1), testing::internal::GetCapturedStdout() + result(Mirror_Sync); },
     "Ioctl Mirror_Sync_Day Fail\n1 [3804:1]"},
    {"sync without a device is tried again", [](SimulatedCard& c) {
         return c.fail_open = true, ioctl3804(1), c.fail_open = false, Mirror_Sync == 0 ? (ioctl3804(1), result(Mirror_Sync)) : "sent"; }, "1 [3804:1]"},
    {"power off", [](SimulatedCard& c) { return ioctl3805('4', '0') == 0 ? result(c.drives[3].powered) : "failed"; }, "0 [3805:'40']"},
    {"power refused", [](SimulatedCard& c) { return c.fail_power[1] = true, result(ioctl3805('2', '1')); }, "-1 [3805:'21']"},
    {"power without a device", [](SimulatedCard& c) { return c.fail_open = true, result(ioctl3805('1', '1')); }, "-1 "},
    {"version and controllers, which fill the controller part only", [](SimulatedCard& c) {
         return c.version_text = "2.4.1", ArrayStatus[73] = 15, read_version_and_controllers() ? version + result(ArrayStatus[73]) : "failed"; }, "2.4.115 [3807 3809]"},
    {"failed version", [](SimulatedCard& c) { return c.fail_version = true, result(read_version_and_controllers()); }, "0 [3807]"},
    {"version without a device", [](SimulatedCard& c) { return c.fail_open = true, result(read_version_and_controllers()); }, "0 "},
    {"change: first check", [](SimulatedCard& c) { return c.arrays[1].member_mask = 1, result(str_cmp()); }, "1 [3801:0][3801:1]"},
    {"change: 15 to 143", [](SimulatedCard& c) { return changed(c, 0, [](SimArray& a) { a.status = 143; }); }, "0 [3801:0][3801:1][3801:2][3801:3]"},
    {"change: 143 to 34", [](SimulatedCard& c) { return changed(c, 0, [](SimArray& a) { a.status = 34; }); }, "1 [3801:0]"},
    {"change: member mask", [](SimulatedCard& c) { return changed(c, 1, [](SimArray& a) { a.member_mask = 0x10; }); }, "1 [3801:0][3801:1]"},
    {"change: fields not compared", [](SimulatedCard& c) { return changed(c, 0, [](SimArray& a) { a = {9, 15, 0, 1, 1, 1, 9, 50, 0x30, 0x20, 0x10}; }); },
     "0 [3801:0][3801:1][3801:2][3801:3]"}}));
