// Drive geometry arithmetic: the decimal text of an identify word, a drive's capacity in
// megabytes, and for a large drive (16383 logical cylinders) the translated mapping of
// 255 heads and 63 sectors per track written into the drive's rows.
#pragma once

#include <cstddef>
#include <cstdint>

// The work record the scan fills per drive. Numbers are high byte first; on return the
// record holds the capacity text ("38166MB"), NUL-terminated.
inline constexpr std::size_t kGeometryRecordSize = 13;
namespace geometry_record {
inline constexpr std::size_t kCylinders = 0;
inline constexpr std::size_t kHeads = 2;
inline constexpr std::size_t kSectorsPerTrack = 4;
inline constexpr std::size_t kTotalSectors = 6; // 4 bytes, most significant first
inline constexpr std::size_t kMemberSlot = 10;  // row of arraydiskinfo
inline constexpr std::size_t kPosition = 11;    // row of channeldiskinfo
} // namespace geometry_record

inline constexpr unsigned kLargeDriveCylinders = 16383;
// numbertostring needs room for five digits and the NUL.
inline constexpr std::size_t kNumberBufferSize = 6;

// a when a < b, otherwise the remainder of a by b.
std::int64_t intmod(std::int64_t a, std::int64_t b);

// buf holds a 16-bit number high byte first; it is replaced by its decimal text.
void numbertostring(char* buf);

// Fills a geometry record from an identify block for drive position `position`,
// with `member_slot` as the arraydiskinfo row (0 when there is none).
void fill_geometry_record(char* rec, const std::uint8_t* identify_block, int member_slot, int position);

// Capacity text into rec; a large drive's mapping lines 5 to 7 are rewritten in its
// channeldiskinfo row and (calcchs only) its arraydiskinfo row.
void calcchs(char* rec);
void calcchs_2(char* rec);
