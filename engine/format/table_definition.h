// Table definitions as stored: reading the page chain into one logical buffer,
// and parsing that buffer into columns, real and logical indexes, long-value
// usage maps and the table's counters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "jet/table.h"
#include "jet/value.h"

namespace jet {

class Pager;
class TextCodec;

// The code page of an Access 97 text column that names none.
inline constexpr std::uint16_t kUnknownCodePage = 0xFFFF;

struct ColumnDefinition {
  std::u16string name;
  DataType type = DataType::Text;
  std::uint16_t number = 0;       // null-mask bit and index reference
  std::uint16_t varSlot = 0;      // variable columns: entry in the row's offset table
  std::uint16_t position = 0;     // user-visible ordinal (0 for every column of system tables)
  std::uint16_t fixedOffset = 0;  // fixed columns: offset in the row's fixed area
  std::uint16_t length = 0;
  std::uint16_t sortOrder = 0;  // text and memo: LCID
  std::uint8_t sortOrderVersion = 0;
  std::uint16_t codePage = 0;  // Access 97 text and memo: the code page; 0 in Jet 4
  std::uint8_t precision = 0;  // numeric
  std::uint8_t scale = 0;      // numeric
  std::uint8_t flags = 0;
  std::uint8_t extFlags = 0;
  bool isFixed() const;
};

struct IndexKeyColumn {
  std::uint16_t columnNumber = 0;
  bool ascending = true;
};

struct RealIndexDefinition {
  std::vector<IndexKeyColumn> columns;
  RowId usageMap;
  std::uint32_t rootPage = 0;
  std::uint8_t flags = 0;
  std::uint32_t uniqueCount = 0;
};

struct LogicalIndexDefinition {
  std::u16string name;
  std::uint32_t number = 0;
  std::uint32_t realIndex = 0;
  std::uint8_t foreignKeyRole = 0;
  std::int32_t foreignKeyIndex = -1;
  std::uint32_t foreignKeyTable = 0;
  std::uint8_t cascadeUpdates = 0;
  std::uint8_t cascadeDeletes = 0;
  std::uint8_t kind = 0;
};

struct LongValueColumnMaps {
  std::uint16_t columnNumber = 0;
  RowId ownedPages;
  RowId freePages;
};

struct TableDefinition {
  std::uint32_t firstPage = 0;
  std::vector<std::uint32_t> pages;  // the definition's page chain
  std::uint32_t length = 0;
  std::uint32_t rowCount = 0;
  std::uint32_t autoNumber = 0;      // the last number handed out (a signed number)
  std::int32_t autoNumberStep = 1;   // what each new number adds to it (never 0)
  std::uint8_t tableType = 0;
  std::uint16_t maxColumns = 0;  // columns every row carries, deleted ones included
  std::uint16_t varColumns = 0;  // variable-offset slots every row carries
  RowId ownedPages;
  RowId freePages;
  std::vector<ColumnDefinition> columns;  // in definition order
  std::vector<RealIndexDefinition> realIndexes;
  std::vector<LogicalIndexDefinition> logicalIndexes;  // in definition order
  std::vector<LongValueColumnMaps> longValueMaps;
};

// Reads the definition's page chain into its logical buffer. Throws Corruption
// when a page is not a definition page, the chain loops or leaves the file.
std::vector<std::uint8_t> readTableDefinitionBuffer(Pager& pager, std::uint32_t firstPage,
                                                    std::vector<std::uint32_t>* pages = nullptr);

// Parses a logical definition buffer; every count and length is checked against
// the buffer. Throws Corruption with the part that does not fit.
// Names are read with `text` (UCS-2 in Jet 4, the code page in Jet 3).
TableDefinition parseTableDefinition(ByteSpan buffer, const FormatVersion& version, const TextCodec& text);

// Both steps, with errors naming the definition page.
TableDefinition readTableDefinition(Pager& pager, std::uint32_t firstPage, const FormatVersion& version,
                                    const TextCodec& text);

}  // namespace jet
