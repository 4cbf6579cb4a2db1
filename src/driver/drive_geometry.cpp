#include "driver/drive_geometry.h"

#include "base/bounded_text.h"
#include "driver/driver_records.h"
#include "inventory/inventory_tables.h"

#include <algorithm>

namespace {

constexpr std::uint64_t kTranslatedTrackSectors = 255 * 63;
constexpr std::uint64_t kSectorsPerMegabyte = 2048;
// Ten digits and "MB" fill the record; only identify words no drive reports (heads times
// sectors per track beyond 65536) could need more, and they are shown as this bound.
constexpr std::uint64_t kLargestShownMegabytes = 9999999999ULL;

unsigned pair_value(const char* p)
{
    return static_cast<unsigned char>(p[0]) * 256u + static_cast<unsigned char>(p[1]);
}

std::uint32_t sector_count(const char* rec)
{
    std::uint32_t n = 0;
    for (std::size_t k = 0; k < 4; ++k)
        n = (n << 8) | static_cast<unsigned char>(rec[geometry_record::kTotalSectors + k]);
    return n;
}

// Digits are produced least significant first and then reversed in place.
void decimal_text(std::uint64_t value, char (&digits)[24])
{
    std::size_t n = 0;
    for (;;) {
        digits[n++] = static_cast<char>('0' + intmod(static_cast<std::int64_t>(value), 10));
        if (value <= 9)
            break;
        value /= 10;
    }
    std::reverse(digits, digits + n);
    digits[n] = '\0';
}

void write_translated_mapping(char (*row)[kLineSize], std::uint64_t cylinders)
{
    format_text(row[5], kLineSize, "Mapping          :%llu Cylinder", static_cast<unsigned long long>(cylinders));
    copy_text(row[6], "                      :255 Heads");
    copy_text(row[7], "                      :63 Sectors");
}

bool valid_position(int position) { return position >= 0 && position < kDrivePositions; }
bool valid_member_slot(int slot) { return slot >= 0 && slot < kMemberSlots; }

void calculate_capacity(char* rec, bool member_row_too)
{
    const unsigned cylinders = pair_value(rec + geometry_record::kCylinders);
    std::uint64_t megabytes;
    if (cylinders == kLargeDriveCylinders) {
        // Unsigned 64-bit arithmetic: drives of 2^31 sectors and more keep their true size.
        const std::uint64_t sectors = sector_count(rec);
        const std::uint64_t translated = sectors / kTranslatedTrackSectors;
        megabytes = sectors / kSectorsPerMegabyte;
        const int position = static_cast<signed char>(rec[geometry_record::kPosition]);
        const int slot = static_cast<signed char>(rec[geometry_record::kMemberSlot]);
        if (valid_position(position))
            write_translated_mapping(channeldiskinfo[position], translated);
        if (member_row_too && valid_member_slot(slot))
            write_translated_mapping(arraydiskinfo[slot], translated);
    } else {
        const std::uint64_t heads = pair_value(rec + geometry_record::kHeads);
        const std::uint64_t sectors_per_track = pair_value(rec + geometry_record::kSectorsPerTrack);
        megabytes = cylinders * heads * sectors_per_track / kSectorsPerMegabyte;
    }
    char digits[24];
    decimal_text(std::min(megabytes, kLargestShownMegabytes), digits);
    format_text(rec, kGeometryRecordSize, "%sMB", digits);
}

} // namespace

std::int64_t intmod(std::int64_t a, std::int64_t b)
{
    if (a < b || b == 0)
        return a;
    return a % b;
}

void numbertostring(char* buf)
{
    char digits[24];
    decimal_text(pair_value(buf), digits);
    copy_text(buf, kNumberBufferSize, digits);
}

void fill_geometry_record(char* rec, const std::uint8_t* identify_block, int member_slot, int position)
{
    auto put_word = [&](std::size_t at, std::size_t word_offset) {
        rec[at] = static_cast<char>(identify_block[word_offset + 1]);
        rec[at + 1] = static_cast<char>(identify_block[word_offset]);
    };
    put_word(geometry_record::kCylinders, identify::kCylinders);
    put_word(geometry_record::kHeads, identify::kHeads);
    put_word(geometry_record::kSectorsPerTrack, identify::kSectorsPerTrack);
    // Words 60 and 61 little-endian in the block, most significant byte first here.
    for (std::size_t k = 0; k < 4; ++k)
        rec[geometry_record::kTotalSectors + k] = static_cast<char>(identify_block[identify::kTotalSectors + 3 - k]);
    rec[geometry_record::kMemberSlot] = static_cast<char>(member_slot);
    rec[geometry_record::kPosition] = static_cast<char>(position);
    rec[12] = 0;
}

void calcchs(char* rec) { calculate_capacity(rec, true); }

void calcchs_2(char* rec) { calculate_capacity(rec, false); }
