#include "base/bounded_text.h"
#include "driver/drive_geometry.h"
#include "driver/driver_records.h"
#include "scan_fixture.h"

#include <cstring>
#include <tuple>

// The capacity record of a drive's identify words, for member slot and position.
static std::string record_of(unsigned cylinders, unsigned heads, unsigned spt, std::uint32_t total, int slot, int position)
{
    std::uint8_t block[kIdentifySize] = {};
    put_le16(block + identify::kCylinders, cylinders), put_le16(block + identify::kHeads, heads), put_le16(block + identify::kSectorsPerTrack, spt);
    std::string rec(kGeometryRecordSize, '\x55');
    return put_le32(block + identify::kTotalSectors, total), fill_geometry_record(rec.data(), block, slot, position), rec;
}



TEST(DriveGeometry, CapacityAndTranslatedMapping)
{
    const std::tuple<unsigned, unsigned, unsigned, std::uint32_t, const char*, const char*> cases[] = {
        {1024, 16, 63, 0, "504MB", nullptr}, {16382, 16, 63, 78165360, "8063MB", nullptr}, {1024, 0, 63, 1000000, "0MB", nullptr},
        {65535, 255, 255, 0, "2080768MB", nullptr}, {65535, 65535, 65535, 0, "9999999999MB", nullptr}, {16383, 16, 63, 78165360, "38166MB", "4865"},
        {16383, 16, 63, 0, "0MB", "0"}, {16383, 16, 63, 3907029168u, "1907729MB", "243201"}, {16383, 16, 63, 0xFFFFFFFFu, "2097151MB", "267349"}};
    for (const auto& [cylinders, heads, spt, total, size, translated] : cases) {
        std::memset(channeldiskinfo[6][5], 0, 3 * kLineSize), std::memset(arraydiskinfo[30][5], 0, 3 * kLineSize);
        std::string rec = record_of(cylinders, heads, spt, total, 30, 6);
        calcchs(rec.data());
        const std::string mapping = translated ? spaced("Mapping{10}:" + std::string(translated) + " Cylinder|{22}:255 Heads|{22}:63 Sectors") : "||";
        EXPECT_EQ(rec.c_str() + ("|" + row_text(channeldiskinfo[6], 5, 7)) + "|" + row_text(arraydiskinfo[30], 5, 7), size + ("|" + mapping) + "|" + mapping);
    }
    // The record, and the channel pass writes no member row.
    std::string rec = record_of(16383, 16, 63, 78165360, 21, 5);
    EXPECT_EQ(rec, std::string("\x3F\xFF\x00\x10\x00\x3F\x04\xA8\xB5\x70\x15\x05\x00", 13));
    calcchs_2(rec.data());
    EXPECT_EQ(channeldiskinfo[5][5] + ("|" + std::string(arraydiskinfo[21][5])), spaced("Mapping{10}:4865 Cylinder|"));
}

TEST(BoundedText, CopyFormatAppendAndReplaceStayInsideTheirFields)
{
    char f[13] = "############";
    // Cut copies, nothing into no room, a terminator into room for one, and an unterminated
    // field cut to end inside its bounds before anything is appended.
    EXPECT_EQ(copy_text(f + 4, 4, "abcdefgh") + copy_text(f, 0, "x") + format_text(f + 8, 1, "%d", 5) + append_text(f, 4, "x"), 6u);
    EXPECT_EQ(std::string(f, 12), std::string("###\0abc\0\0###", 12));
    replace_text(f, "ab");
    EXPECT_EQ(std::string(f, 12), std::string("ab\0\0\0\0\0\0\0\0\0\0", 12));
}
