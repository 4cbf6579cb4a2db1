#include "driver/drive_geometry.h"
#include "inventory/inventory_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

struct Geometry {
    unsigned cylinders = 0, heads = 0, sectors_per_track = 0;
    std::uint32_t total_sectors = 0;
    int member_slot = 0, position = 0;
};

// A record as the scan builds it: pairs high byte first, sector count big-endian.
std::array<char, kGeometryRecordSize> record_of(const Geometry& g)
{
    std::array<char, kGeometryRecordSize> rec{};
    auto pair = [&](std::size_t at, unsigned v) {
        rec[at] = static_cast<char>(v >> 8);
        rec[at + 1] = static_cast<char>(v & 0xFF);
    };
    pair(0, g.cylinders);
    pair(2, g.heads);
    pair(4, g.sectors_per_track);
    for (int k = 0; k < 4; ++k)
        rec[6 + k] = static_cast<char>(g.total_sectors >> (24 - 8 * k));
    rec[10] = static_cast<char>(g.member_slot);
    rec[11] = static_cast<char>(g.position);
    return rec;
}

std::string capacity(const Geometry& g, void (*calc)(char*) = calcchs_2)
{
    auto rec = record_of(g);
    calc(rec.data());
    return std::string(rec.data(), strnlen(rec.data(), rec.size()));
}

std::string number_text(unsigned char high, unsigned char low)
{
    char buf[kNumberBufferSize] = {static_cast<char>(high), static_cast<char>(low)};
    numbertostring(buf);
    return buf;
}

const std::string kIndent(22, ' ');

} // namespace

TEST(DriveGeometry, IntmodIsTheRemainderAndLeavesSmallerValuesAlone)
{
    EXPECT_EQ(intmod(7, 10), 7);
    EXPECT_EQ(intmod(10, 10), 0);
    EXPECT_EQ(intmod(12345, 10), 5);
    EXPECT_EQ(intmod(-3, 10), -3);
    EXPECT_EQ(intmod(99999999999LL, 10), 9);
}

TEST(DriveGeometry, NumberTextReadsTheHighByteFirst)
{
    EXPECT_EQ(number_text(0x00, 0x00), "0");
    EXPECT_EQ(number_text(0xFF, 0xFF), "65535");
    EXPECT_EQ(number_text(0x01, 0x00), "256");
    EXPECT_EQ(number_text(0x00, 0x01), "1");
    EXPECT_EQ(number_text(0x3F, 0xFF), "16383");
    EXPECT_EQ(number_text(0x27, 0x10), "10000");
}

TEST(DriveGeometry, NumberTextStaysInsideItsSixBytes)
{
    char buf[kNumberBufferSize + 2] = {static_cast<char>(0xFF), static_cast<char>(0xFF), 'x', 'x', 'x', 'x', 'x', 'x'};
    numbertostring(buf);
    EXPECT_STREQ(buf, "65535");
    EXPECT_EQ(buf[6], 'x');
    EXPECT_EQ(buf[7], 'x');
}

TEST(DriveGeometry, SmallDriveSizeComesFromTheMapping)
{
    EXPECT_EQ(capacity({1024, 16, 63, 0, 0, 2}), "504MB");
    EXPECT_EQ(channeldiskinfo[2][5][0], '\0') << "mapping lines of a small drive are the scan's";
    // 16382 is not large: the sector count is ignored even when it is larger.
    EXPECT_EQ(capacity({16382, 16, 63, 78165360, 0, 0}), std::to_string(16382ULL * 16 * 63 / 2048) + "MB");
    EXPECT_EQ(capacity({0, 16, 63, 1000000, 0, 0}), "0MB");
    EXPECT_EQ(capacity({1024, 0, 63, 1000000, 0, 0}), "0MB");
    EXPECT_EQ(capacity({1024, 16, 0, 1000000, 0, 0}), "0MB");
}

TEST(DriveGeometry, LargeDriveIsTranslatedInItsPositionRow)
{
    std::strcpy(arraydiskinfo[13][5], "untouched");
    EXPECT_EQ(capacity({16383, 16, 63, 78165360, 13, 5}, calcchs_2), "38166MB");
    EXPECT_EQ(std::string(channeldiskinfo[5][5]), "Mapping" + std::string(10, ' ') + ":4865 Cylinder");
    EXPECT_EQ(std::string(channeldiskinfo[5][6]), kIndent + ":255 Heads");
    EXPECT_EQ(std::string(channeldiskinfo[5][7]), kIndent + ":63 Sectors");
    EXPECT_STREQ(arraydiskinfo[13][5], "untouched") << "the channel pass has no member row";
}

TEST(DriveGeometry, LargeMemberDriveIsTranslatedInBothRows)
{
    std::strcpy(channeldiskinfo[6][5], "an older and much longer mapping line than the new one");
    EXPECT_EQ(capacity({16383, 16, 63, 78165360, 30, 6}, calcchs), "38166MB");
    for (auto* row : {channeldiskinfo[6], arraydiskinfo[30]}) {
        EXPECT_EQ(std::string(row[5]), "Mapping" + std::string(10, ' ') + ":4865 Cylinder");
        EXPECT_EQ(std::string(row[6]), kIndent + ":255 Heads");
        EXPECT_EQ(std::string(row[7]), kIndent + ":63 Sectors");
    }
}

TEST(DriveGeometry, LargeDriveWithoutSectorsShowsZero)
{
    EXPECT_EQ(capacity({16383, 16, 63, 0, 0, 1}), "0MB");
    EXPECT_EQ(std::string(channeldiskinfo[1][5]), "Mapping" + std::string(10, ' ') + ":0 Cylinder");
}

TEST(DriveGeometry, DrivesOfTwoTerabytesAndMoreKeepTheirTrueSize)
{
    // 3907029168 sectors (2 TB) is beyond a signed 32-bit count.
    EXPECT_EQ(capacity({16383, 16, 63, 3907029168u, 0, 3}), "1907729MB");
    EXPECT_EQ(std::string(channeldiskinfo[3][5]), "Mapping" + std::string(10, ' ') + ":243201 Cylinder");
    EXPECT_EQ(capacity({16383, 16, 63, 0x80000000u, 0, 3}), "1048576MB");
    EXPECT_EQ(capacity({16383, 16, 63, 0xFFFFFFFFu, 0, 3}), "2097151MB");
    EXPECT_EQ(std::string(channeldiskinfo[3][5]), "Mapping" + std::string(10, ' ') + ":267349 Cylinder");
}

TEST(DriveGeometry, MappingProductsBeyondThirtyTwoBitsAreNotWrapped)
{
    // 65535 x 255 x 255 sectors: more than 2^32.
    EXPECT_EQ(capacity({65535, 255, 255, 0, 0, 0}), std::to_string(65535ULL * 255 * 255 / 2048) + "MB");
    EXPECT_EQ(capacity({65535, 16, 63, 0, 0, 0}), "32255MB");
    // Words no drive reports need more digits than the record holds: the largest shown.
    EXPECT_EQ(capacity({65535, 65535, 65535, 0, 0, 0}), "9999999999MB");
}

TEST(DriveGeometry, RowNumbersOutsideTheTablesWriteNothing)
{
    char before_channel[sizeof channeldiskinfo];
    char before_member[sizeof arraydiskinfo];
    std::memcpy(before_channel, channeldiskinfo, sizeof channeldiskinfo);
    std::memcpy(before_member, arraydiskinfo, sizeof arraydiskinfo);
    EXPECT_EQ(capacity({16383, 16, 63, 78165360, -1, 8}, calcchs), "38166MB");
    EXPECT_EQ(capacity({16383, 16, 63, 78165360, 32, -3}, calcchs), "38166MB");
    EXPECT_EQ(std::memcmp(before_channel, channeldiskinfo, sizeof channeldiskinfo), 0);
    EXPECT_EQ(std::memcmp(before_member, arraydiskinfo, sizeof arraydiskinfo), 0);
}

TEST(DriveGeometry, RecordIsFilledFromTheIdentifyWords)
{
    std::uint8_t block[520] = {};
    block[2] = 0xFF; block[3] = 0x3F;            // word 1: 16383 cylinders
    block[6] = 0x10;                             // word 3: 16 heads
    block[12] = 0x3F;                            // word 6: 63 sectors
    block[120] = 0x70; block[121] = 0xB5;        // words 60-61: 0x04A8B570 = 78165360
    block[122] = 0xA8; block[123] = 0x04;
    char rec[kGeometryRecordSize];
    std::memset(rec, 0x55, sizeof rec);
    fill_geometry_record(rec, block, 21, 5);
    const unsigned char expected[kGeometryRecordSize] = {0x3F, 0xFF, 0x00, 0x10, 0x00, 0x3F, 0x04, 0xA8, 0xB5, 0x70, 21, 5, 0};
    EXPECT_EQ(std::memcmp(rec, expected, sizeof expected), 0);
    calcchs(rec);
    EXPECT_STREQ(rec, "38166MB");
}
