#include "base/bounded_text.h"
#include "driver/drive_geometry.h"
#include "driver/driver_records.h"
#include "scan_fixture.h"

#include <cstring>

namespace {

// The capacity record of a drive's identify words, for member slot and position.
std::string record_of(unsigned cylinders, unsigned heads, unsigned spt, std::uint32_t total, int slot, int position)
{
    std::uint8_t block[kIdentifySize] = {};
    put_le16(block + identify::kCylinders, static_cast<std::uint16_t>(cylinders));
    put_le16(block + identify::kHeads, static_cast<std::uint16_t>(heads));
    put_le16(block + identify::kSectorsPerTrack, static_cast<std::uint16_t>(spt));
    put_le32(block + identify::kTotalSectors, total);
    std::string rec(kGeometryRecordSize, '\x55');
    fill_geometry_record(rec.data(), block, slot, position);
    return rec;
}

std::string tables() { return std::string(&channeldiskinfo[0][0][0], sizeof channeldiskinfo) + std::string(&arraydiskinfo[0][0][0], sizeof arraydiskinfo); }

} // namespace

TEST(DriveGeometry, CapacityAndTranslatedMapping)
{
    const struct {
        unsigned cylinders, heads, spt;
        std::uint32_t total;
        const char *size, *translated = nullptr; // the cylinders shown for a large drive
    } cases[] = {{1024, 16, 63, 0, "504MB"}, {16382, 16, 63, 78165360, "8063MB"}, {1024, 0, 63, 1000000, "0MB"},
                 {65535, 255, 255, 0, "2080768MB"}, {65535, 65535, 65535, 0, "9999999999MB"}, {16383, 16, 63, 78165360, "38166MB", "4865"},
                 {16383, 16, 63, 0, "0MB", "0"}, {16383, 16, 63, 3907029168u, "1907729MB", "243201"}, {16383, 16, 63, 0xFFFFFFFFu, "2097151MB", "267349"}};
    for (const auto& c : cases) {
        for (auto* row : {channeldiskinfo[6], arraydiskinfo[30]})
            copy_text(row[5], "older mapping line"), row[6][0] = row[7][0] = '\0';
        std::string rec = record_of(c.cylinders, c.heads, c.spt, c.total, 30, 6);
        calcchs(rec.data());
        const std::string mapping = c.translated ? spaced("Mapping{10}:" + std::string(c.translated) + " Cylinder|{22}:255 Heads|{22}:63 Sectors")
                                                 : "older mapping line||";
        EXPECT_EQ(rec.c_str() + (" " + row_text(channeldiskinfo[6], 5, 7)) + " " + row_text(arraydiskinfo[30], 5, 7),
                  c.size + (" " + mapping) + " " + mapping);
    }
    // The record itself; the channel pass has no member row; rows outside the tables stay unwritten.
    std::string rec = record_of(16383, 16, 63, 78165360, 21, 5);
    EXPECT_EQ(rec, std::string("\x3F\xFF\x00\x10\x00\x3F\x04\xA8\xB5\x70\x15\x05\x00", 13));
    std::strcpy(arraydiskinfo[21][5], "untouched");
    calcchs_2(rec.data());
    EXPECT_EQ(channeldiskinfo[5][5] + std::string(arraydiskinfo[21][5]), spaced("Mapping{10}:4865 Cylinderuntouched"));
    const std::string before = tables();
    for (auto [slot, position] : {std::pair{-1, 8}, {32, -3}})
        EXPECT_STREQ((rec = record_of(16383, 16, 63, 78165360, slot, position), calcchs(rec.data()), rec.c_str()), "38166MB");
    EXPECT_TRUE(tables() == before);
}

TEST(DriveGeometry, NumberTextReadsTheHighByteFirstAndStaysInSixBytes)
{
    for (auto [high, low, text] : {std::tuple{0x00, 0x00, "0"}, {0x01, 0x00, "256"}, {0x27, 0x10, "10000"}, {0xFF, 0xFF, "65535"}}) {
        char buf[kNumberBufferSize + 2] = {static_cast<char>(high), static_cast<char>(low), 'x', 'x', 'x', 'x', 'x', 'x'};
        numbertostring(buf);
        EXPECT_EQ(std::string(buf) + "|" + std::string(buf + 6, 2), std::string(text) + "|xx");
    }
}

TEST(BoundedText, CopyAppendFormatAndReplaceStayInsideTheirFields)
{
    struct {
        char field[8];
        char next[4];
    } f;
    std::memset(&f, '#', sizeof f);
    EXPECT_EQ(copy_text(f.field, "abcdefghijkl") + copy_text(f.field, 0, "x") + format_text(f.next, 1, "%d", 5), 7u);
    EXPECT_EQ(std::string(f.field, sizeof f), std::string("abcdefg\0\0###", 12));
    char line[16];
    format_text(line, sizeof line, "Size%5s:", "");
    append_format(line, sizeof line, "%dMB", 123456);
    append_text(line, "more");
    EXPECT_STREQ(line, "Size     :12345");
    // An unterminated field is cut to end inside its bounds before anything is added.
    char raw[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(field_length(raw), 4u);
    append_text(raw, "x");
    EXPECT_EQ(std::string(raw, 4), std::string("abc\0", 4));
    char old[12] = "0123456789";
    replace_text(old, "ab");
    EXPECT_EQ(std::string(old, 12), std::string("ab\0\0\0\0\0\0\0\0\0\0", 12));
}
