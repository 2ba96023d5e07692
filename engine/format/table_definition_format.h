// Table definition (TDEF) layout: constants shared by Jet 3 and Jet 4. Offsets
// that differ between versions are in FormatVersion.
//
// A definition starts on a type-0x02 page and may continue on further type-0x02
// pages linked through offset 4. Its logical buffer is the first page whole,
// then each continuation page from offset 8. Inside that buffer:
//
//   fixed header       row count, autonumber, column and index counts, usage maps
//   block A            per real index: counters
//   block B            per column: descriptor
//   block C            per column: name
//   block D            per real index: key columns, usage map, root page, flags
//   block E            per logical index: number, real index, foreign key, kind
//   block F            per logical index: name
//   block G            per memo/OLE column: its two usage maps; ends with FF FF
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::size_t kTdefNextPage = 4;  // u32 next definition page, 0 if none
inline constexpr std::size_t kTdefLength = 8;    // u32 bytes of the logical buffer in use
inline constexpr std::size_t kTdefContinuationHeader = 8;

inline constexpr std::uint8_t kTableTypeUser = 0x4E;    // 'N'
inline constexpr std::uint8_t kTableTypeSystem = 0x53;  // 'S'

// Values of fields whose meaning is unknown, as the engine writes them.
inline constexpr std::uint32_t kTdefMagicValue = 1625;
inline constexpr std::uint32_t kRealIndexMagicValue = 1923;
// Logical index bytes for cascades when the index is not a foreign key.
inline constexpr std::uint8_t kNotForeignKeyCascade = 0x04;

// Column descriptor: data type code at offset 0 in every version.
inline constexpr std::size_t kColumnType = 0;

// Column flags.
inline constexpr std::uint8_t kColumnFixed = 0x01;
inline constexpr std::uint8_t kColumnUpdatable = 0x02;  // set on every column the engine writes
inline constexpr std::uint8_t kColumnAutoLong = 0x04;
inline constexpr std::uint8_t kColumnAutoGuid = 0x40;
inline constexpr std::uint8_t kColumnHyperlink = 0x80;
// Extended column flags (Jet 4).
inline constexpr std::uint8_t kColumnCompressedUnicode = 0x01;

// Real index: ten key-column slots of (u16 column number, u8 order).
inline constexpr int kIndexKeySlots = 10;
inline constexpr std::size_t kIndexKeySlotSize = 3;
inline constexpr std::uint16_t kIndexSlotUnused = 0xFFFF;
inline constexpr std::uint8_t kIndexOrderAscending = 0x01;

// Real index flags.
inline constexpr std::uint8_t kIndexUnique = 0x01;
inline constexpr std::uint8_t kIndexIgnoreNulls = 0x02;
inline constexpr std::uint8_t kIndexRequired = 0x08;
inline constexpr std::uint8_t kIndexJet4 = 0x80;  // set on every Jet 4 index

// Logical index kinds and foreign-key roles.
inline constexpr std::uint8_t kIndexKindNormal = 0;
inline constexpr std::uint8_t kIndexKindPrimaryKey = 1;
inline constexpr std::uint8_t kIndexKindForeignKey = 2;
inline constexpr std::uint8_t kForeignKeyReferenced = 1;
inline constexpr std::uint8_t kCascadeYes = 1;
inline constexpr std::uint8_t kCascadeSetNull = 2;

// Block G entries: u16 column number, RowId owned pages, RowId free pages.
inline constexpr std::size_t kLongValueMapEntrySize = 10;
inline constexpr std::uint16_t kLongValueMapEnd = 0xFFFF;

}  // namespace jet
