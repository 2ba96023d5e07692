// Page types and the data page layout shared by table rows, long values (LVAL
// pages) and usage-map rows. Version-dependent offsets (slot count, slot table)
// are in FormatVersion.
//
//   offset  size  field
//   0       1     page type 0x01
//   2       2     free space
//   4       4     owner: table definition page, "LVAL" for long values, 0 for usage maps
//   12      2     slot count (Jet 4; Jet 3 at 8)
//   14      2*n   slot table (Jet 4; Jet 3 at 10): row offset in the low 13 bits plus flags
//
// Rows are packed from the end of the page in slot order: row 0 ends at the page
// end, row i ends where row i-1 starts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::uint8_t kPageTypeHeader = 0x00;
inline constexpr std::uint8_t kPageTypeData = 0x01;
inline constexpr std::uint8_t kPageTypeTableDefinition = 0x02;
inline constexpr std::uint8_t kPageTypeIndexNode = 0x03;
inline constexpr std::uint8_t kPageTypeIndexLeaf = 0x04;
inline constexpr std::uint8_t kPageTypeUsageBitmap = 0x05;

inline constexpr std::size_t kDataPageFreeSpace = 2;
inline constexpr std::size_t kDataPageOwner = 4;

// The owner field of long-value pages: the ASCII bytes "LVAL".
inline constexpr std::uint32_t kLongValueOwner = 0x4C41564C;

inline constexpr std::uint16_t kSlotOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kSlotOverflow = 0x4000;  // the row holds a pointer to the real row
inline constexpr std::uint16_t kSlotDeleted = 0x8000;   // deleted, or the target of an overflow pointer

// A row pointer (RowId) is one slot byte then a 24-bit page number.
inline constexpr std::size_t kRowPointerSize = 4;

// Overflow pointers may in principle chain; more hops than this is a loop.
inline constexpr int kMaxOverflowHops = 8;

}  // namespace jet
