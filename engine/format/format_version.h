// The per-version constant table: every page size, offset and block size that
// differs between Jet 4 (Access 2000-2003) and Jet 3 (Access 97). Decoders take
// a FormatVersion and read their offsets from it, so reading Jet 3 is a second
// table (and its text codec), not a second decoder. Constants that are the same
// in both versions live in the *_format.h file of their structure.
//
// Offsets are from the start of the structure named in each group's comment.
#pragma once

#include <cstddef>
#include <cstdint>

#include "jet/database.h"

namespace jet {

struct FormatVersion {
  FileFormat format;
  std::uint32_t pageSize;

  // Header page (page 0): the RC4-masked region and the fields inside it.
  std::size_t headerMaskLength;      // bytes masked from offset 0x18
  std::size_t headerSortOrder;       // u16 LCID of the default sort order
  std::size_t headerPasswordLength;  // bytes of the password area at 0x42

  // Data pages (type 0x01): table rows, long values, usage maps.
  std::size_t dataSlotCount;  // u16 number of row slots
  std::size_t dataSlotTable;  // first u16 slot entry

  // Table definition: fixed header of the logical definition buffer.
  std::size_t tdefRowCount;         // u32 stored row count
  std::size_t tdefAutoNumber;       // u32 last long autonumber handed out
  std::size_t tdefAutoNumberStep;   // i32 added to it for each new number (1 unless a
                                    // COUNTER(seed, step) said otherwise); kNoField: always 1
  std::size_t tdefTableType;        // u8 'N' user / 'S' system
  std::size_t tdefMaxColumns;       // u16 columns rows carry (deleted ones included)
  std::size_t tdefVarColumns;       // u16 variable-offset slots rows carry
  std::size_t tdefColumnCount;      // u16 columns currently defined
  std::size_t tdefLogicalIndexCount;// u32
  std::size_t tdefRealIndexCount;   // u32
  std::size_t tdefOwnedPagesMap;    // RowId of the owned-pages usage map
  std::size_t tdefFreePagesMap;     // RowId of the free-space usage map
  std::size_t tdefHeaderSize;       // where the variable blocks start
  // Constants the engine writes whose meaning is unknown (kNoField: none).
  std::size_t tdefMagic;            // u32 1625
  std::size_t columnMagic;          // u32 1625 in each column block
  std::size_t realIndexMagic;       // u32 1923 in each real index block
  std::size_t logicalIndexMagic;    // u32 1625 in each logical index block

  // Block A: one per real index.
  std::size_t realIndexCounterSize;
  std::size_t realIndexCounterUnique;  // u32 distinct key count

  // Block B: column descriptor.
  std::size_t columnSize;
  std::size_t columnNumber;       // u16
  std::size_t columnVarSlot;      // u16
  std::size_t columnPosition;     // u16 user-visible ordinal
  std::size_t columnSortOrder;    // u16 LCID (text and memo)
  std::size_t columnPrecision;    // u8 (numeric)
  std::size_t columnScale;        // u8 (numeric)
  std::size_t columnFlags;        // u8
  std::size_t columnExtFlags;     // u8; kNoField when the version has none
  std::size_t columnSortVersion;  // u8; kNoField when the version has none
  std::size_t columnCodePage;     // u16 (text and memo); kNoField when the version has none
  std::size_t columnFixedOffset;  // u16
  std::size_t columnLength;       // u16

  // Blocks C and F: names.
  std::size_t nameLengthSize;  // 2 (u16 + UCS-2) or 1 (u8 + code page)

  // Block D: real index definition.
  std::size_t realIndexSize;
  std::size_t realIndexColumns;   // 10 x (u16 column number, u8 order flag)
  std::size_t realIndexUsageMap;  // RowId
  std::size_t realIndexRoot;      // u32 root page
  std::size_t realIndexFlags;     // u8

  // Block E: logical index definition.
  std::size_t logicalIndexSize;
  std::size_t logicalIndexNumber;          // u32
  std::size_t logicalIndexReal;            // u32 real index number
  std::size_t logicalIndexFkRole;          // u8
  std::size_t logicalIndexFkIndex;         // i32 logical index in the other table
  std::size_t logicalIndexFkTable;         // u32 definition page of the other table
  std::size_t logicalIndexCascadeUpdates;  // u8
  std::size_t logicalIndexCascadeDeletes;  // u8
  std::size_t logicalIndexKind;            // u8 0 normal, 1 primary key, 2 foreign key

  // Rows.
  std::size_t rowCountSize;  // column count and variable-offset entries: 2 or 1 bytes

  // Largest row the writer produces.
  std::size_t maxRowSize;

  // Long values: data bytes of a full chain link (after its 4-byte pointer).
  std::size_t longValueMaxLink;

  // Usage maps: pages covered by one type-0x05 bitmap page.
  std::uint32_t usageMapPagesPerBitmapPage;
  // Usage maps: bytes of a map row as the engine creates it (type, start, bitmap).
  std::size_t usageMapRowSize;
};

inline constexpr std::size_t kNoField = ~std::size_t{0};

inline constexpr FormatVersion kJet4Format{
    .format = FileFormat::Jet4,
    .pageSize = 4096,
    .headerMaskLength = 128,
    .headerSortOrder = 0x6E,
    .headerPasswordLength = 40,
    .dataSlotCount = 12,
    .dataSlotTable = 14,
    .tdefRowCount = 16,
    .tdefAutoNumber = 20,
    .tdefAutoNumberStep = 24,
    .tdefTableType = 40,
    .tdefMaxColumns = 41,
    .tdefVarColumns = 43,
    .tdefColumnCount = 45,
    .tdefLogicalIndexCount = 47,
    .tdefRealIndexCount = 51,
    .tdefOwnedPagesMap = 55,
    .tdefFreePagesMap = 59,
    .tdefHeaderSize = 63,
    .tdefMagic = 12,
    .columnMagic = 1,
    .realIndexMagic = 0,
    .logicalIndexMagic = 0,
    .realIndexCounterSize = 12,
    .realIndexCounterUnique = 4,
    .columnSize = 25,
    .columnNumber = 5,
    .columnVarSlot = 7,
    .columnPosition = 9,
    .columnSortOrder = 11,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnFlags = 15,
    .columnExtFlags = 16,
    .columnSortVersion = 14,
    .columnCodePage = kNoField,
    .columnFixedOffset = 21,
    .columnLength = 23,
    .nameLengthSize = 2,
    .realIndexSize = 52,
    .realIndexColumns = 4,
    .realIndexUsageMap = 34,
    .realIndexRoot = 38,
    .realIndexFlags = 46,
    .logicalIndexSize = 28,
    .logicalIndexNumber = 4,
    .logicalIndexReal = 8,
    .logicalIndexFkRole = 12,
    .logicalIndexFkIndex = 13,
    .logicalIndexFkTable = 17,
    .logicalIndexCascadeUpdates = 21,
    .logicalIndexCascadeDeletes = 22,
    .logicalIndexKind = 23,
    .rowCountSize = 2,
    .maxRowSize = 4060,
    .longValueMaxLink = 4072,
    .usageMapPagesPerBitmapPage = (4096 - 4) * 8,
    .usageMapRowSize = 69,
};

inline constexpr FormatVersion kJet3Format{
    .format = FileFormat::Jet3,
    .pageSize = 2048,
    .headerMaskLength = 126,
    .headerSortOrder = 0x3A,
    .headerPasswordLength = 20,
    .dataSlotCount = 8,
    .dataSlotTable = 10,
    .tdefRowCount = 12,
    .tdefAutoNumber = 16,
    .tdefAutoNumberStep = kNoField,
    .tdefTableType = 20,
    .tdefMaxColumns = 21,
    .tdefVarColumns = 23,
    .tdefColumnCount = 25,
    .tdefLogicalIndexCount = 27,
    .tdefRealIndexCount = 31,
    .tdefOwnedPagesMap = 35,
    .tdefFreePagesMap = 39,
    .tdefHeaderSize = 43,
    .tdefMagic = kNoField,
    .columnMagic = kNoField,
    .realIndexMagic = kNoField,
    .logicalIndexMagic = kNoField,
    .realIndexCounterSize = 8,
    .realIndexCounterUnique = 4,
    .columnSize = 18,
    .columnNumber = 1,
    .columnVarSlot = 3,
    .columnPosition = 5,
    .columnSortOrder = 9,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnFlags = 13,
    .columnExtFlags = kNoField,
    .columnSortVersion = kNoField,
    .columnCodePage = 11,
    .columnFixedOffset = 14,
    .columnLength = 16,
    .nameLengthSize = 1,
    .realIndexSize = 39,
    .realIndexColumns = 0,
    .realIndexUsageMap = 30,
    .realIndexRoot = 34,
    .realIndexFlags = 38,
    .logicalIndexSize = 20,
    .logicalIndexNumber = 0,
    .logicalIndexReal = 4,
    .logicalIndexFkRole = 8,
    .logicalIndexFkIndex = 9,
    .logicalIndexFkTable = 13,
    .logicalIndexCascadeUpdates = 17,
    .logicalIndexCascadeDeletes = 18,
    .logicalIndexKind = 19,
    .rowCountSize = 1,
    .maxRowSize = 2012,
    .longValueMaxLink = 2032,
    .usageMapPagesPerBitmapPage = (2048 - 4) * 8,
    .usageMapRowSize = 133,
};

}  // namespace jet
