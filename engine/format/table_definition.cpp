// Table definition reading and parsing.
#include "format/table_definition.h"

#include <unordered_set>

#include "format/data_page_format.h"
#include "format/table_definition_format.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "storage/pager.h"

namespace jet {

bool ColumnDefinition::isFixed() const {
  return (flags & kColumnFixed) != 0;
}

std::vector<std::uint8_t> readTableDefinitionBuffer(Pager& pager, std::uint32_t firstPage,
                                                    std::vector<std::uint32_t>* pages) {
  std::vector<std::uint8_t> buffer;
  std::unordered_set<std::uint32_t> seen;
  std::uint32_t number = firstPage;
  while (true) {
    if (!seen.insert(number).second) {
      throwCorruption("the definition's page chain loops back to page " + std::to_string(number));
    }
    const Page page = pager.page(number);
    const ByteSpan bytes = page.bytes();
    if (bytes[0] != kPageTypeTableDefinition) {
      throwCorruption("page " + std::to_string(number) + " is not a table definition page (type " +
                      hex(bytes[0]) + ")");
    }
    if (pages) pages->push_back(number);
    if (number == firstPage) {
      buffer.assign(bytes.begin(), bytes.end());
    } else {
      buffer.insert(buffer.end(), bytes.begin() + kTdefContinuationHeader, bytes.end());
    }
    number = loadU32(bytes.data() + kTdefNextPage);
    if (number == 0) break;
  }
  return buffer;
}

namespace {

// Walks the variable blocks front to back with checked reads.
class Cursor {
 public:
  Cursor(ByteSpan b, std::size_t pos) : b_(b), pos_(pos) {}
  std::size_t pos() const { return pos_; }
  std::size_t remaining() const { return b_.size() - pos_; }
  ByteSpan take(std::size_t n, const char* what) {
    if (n > remaining()) {
      throwCorruption(std::string(what) + " (" + std::to_string(n) + " bytes at offset " +
                      std::to_string(pos_) + ") runs past the end of the definition (" +
                      std::to_string(b_.size()) + " bytes)");
    }
    ByteSpan s = b_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  // Fails early when `count` blocks of `size` bytes cannot fit, before anything is allocated.
  void requireBlocks(std::uint64_t count, std::size_t size, const char* what) {
    if (count * size > remaining()) {
      throwCorruption("the definition claims " + std::to_string(count) + " " + what + ", more than its " +
                      std::to_string(b_.size()) + " bytes can hold");
    }
  }

 private:
  ByteSpan b_;
  std::size_t pos_;
};

std::u16string readName(Cursor& c, const FormatVersion& version, const TextCodec& text, const char* what) {
  std::size_t length;
  if (version.nameLengthSize == 2) {
    length = loadU16(c.take(2, what).data());
  } else {
    length = c.take(1, what)[0];
  }
  const ByteSpan bytes = c.take(length, what);
  std::u16string name;
  if (version.nameLengthSize == 2) {
    if (length % 2 != 0)
      throwCorruption(std::string(what) + " has an odd byte length " + std::to_string(length));
    name.resize(length / 2);
    for (std::size_t i = 0; i < name.size(); ++i)
      name[i] = static_cast<char16_t>(loadU16(bytes.data() + 2 * i));
  } else {
    text.decode(bytes, name);  // Jet 3 names are code-page text
  }
  return name;
}

ColumnDefinition parseColumn(ByteSpan b, const FormatVersion& v) {
  ColumnDefinition c;
  c.type = static_cast<DataType>(b[kColumnType]);
  c.number = loadU16(b.data() + v.columnNumber);
  c.varSlot = loadU16(b.data() + v.columnVarSlot);
  c.position = loadU16(b.data() + v.columnPosition);
  c.flags = b[v.columnFlags];
  if (v.columnExtFlags != kNoField) c.extFlags = b[v.columnExtFlags];
  c.fixedOffset = loadU16(b.data() + v.columnFixedOffset);
  c.length = loadU16(b.data() + v.columnLength);
  if (c.type == DataType::Numeric) {
    c.precision = b[v.columnPrecision];
    c.scale = b[v.columnScale];
  } else if (c.type == DataType::Text || c.type == DataType::Memo) {
    c.sortOrder = loadU16(b.data() + v.columnSortOrder);
    if (v.columnSortVersion != kNoField) c.sortOrderVersion = b[v.columnSortVersion];
    if (v.columnCodePage != kNoField) {
      // A column that names no code page has keys in an order we do not know.
      c.codePage = loadU16(b.data() + v.columnCodePage);
      if (c.codePage == 0) c.codePage = kUnknownCodePage;
    }
  }
  return c;
}

RealIndexDefinition parseRealIndex(ByteSpan b, const FormatVersion& v) {
  RealIndexDefinition r;
  for (int i = 0; i < kIndexKeySlots; ++i) {
    const std::uint8_t* slot =
        b.data() + v.realIndexColumns + static_cast<std::size_t>(i) * kIndexKeySlotSize;
    const std::uint16_t column = loadU16(slot);
    if (column == kIndexSlotUnused) continue;
    r.columns.push_back(IndexKeyColumn{column, (slot[2] & kIndexOrderAscending) != 0});
  }
  r.usageMap = RowId{loadU32(b.data() + v.realIndexUsageMap)};
  r.rootPage = loadU32(b.data() + v.realIndexRoot);
  r.flags = b[v.realIndexFlags];
  return r;
}

LogicalIndexDefinition parseLogicalIndex(ByteSpan b, const FormatVersion& v) {
  LogicalIndexDefinition l;
  l.number = loadU32(b.data() + v.logicalIndexNumber);
  l.realIndex = loadU32(b.data() + v.logicalIndexReal);
  l.foreignKeyRole = b[v.logicalIndexFkRole];
  l.foreignKeyIndex = static_cast<std::int32_t>(loadU32(b.data() + v.logicalIndexFkIndex));
  l.foreignKeyTable = loadU32(b.data() + v.logicalIndexFkTable);
  l.cascadeUpdates = b[v.logicalIndexCascadeUpdates];
  l.cascadeDeletes = b[v.logicalIndexCascadeDeletes];
  l.kind = b[v.logicalIndexKind];
  return l;
}

}  // namespace

TableDefinition parseTableDefinition(ByteSpan buf, const FormatVersion& v, const TextCodec& text) {
  if (buf.size() < v.tdefHeaderSize) throwCorruption("the definition is shorter than its fixed header");
  if (buf[0] != kPageTypeTableDefinition)
    throwCorruption("the definition does not start with a definition page");
  TableDefinition t;
  t.length = loadU32(buf.data() + kTdefLength);
  t.rowCount = loadU32(buf.data() + v.tdefRowCount);
  t.autoNumber = loadU32(buf.data() + v.tdefAutoNumber);
  if (v.tdefAutoNumberStep != kNoField) {
    // Files that leave the step 0 number by 1, as every engine does for them.
    const auto step = static_cast<std::int32_t>(loadU32(buf.data() + v.tdefAutoNumberStep));
    t.autoNumberStep = step != 0 ? step : 1;
  }
  t.tableType = buf[v.tdefTableType];
  t.maxColumns = loadU16(buf.data() + v.tdefMaxColumns);
  t.varColumns = loadU16(buf.data() + v.tdefVarColumns);
  const std::uint16_t columnCount = loadU16(buf.data() + v.tdefColumnCount);
  const std::uint32_t logicalCount = loadU32(buf.data() + v.tdefLogicalIndexCount);
  const std::uint32_t realCount = loadU32(buf.data() + v.tdefRealIndexCount);
  t.ownedPages = RowId{loadU32(buf.data() + v.tdefOwnedPagesMap)};
  t.freePages = RowId{loadU32(buf.data() + v.tdefFreePagesMap)};

  Cursor c(buf, v.tdefHeaderSize);

  c.requireBlocks(realCount, v.realIndexCounterSize, "real indexes");
  std::vector<std::uint32_t> uniqueCounts;
  uniqueCounts.reserve(realCount);
  for (std::uint32_t i = 0; i < realCount; ++i) {
    uniqueCounts.push_back(
        loadU32(c.take(v.realIndexCounterSize, "an index counter").data() + v.realIndexCounterUnique));
  }

  c.requireBlocks(columnCount, v.columnSize, "columns");
  t.columns.reserve(columnCount);
  for (std::uint32_t i = 0; i < columnCount; ++i)
    t.columns.push_back(parseColumn(c.take(v.columnSize, "a column"), v));
  for (auto& column : t.columns) column.name = readName(c, v, text, "a column name");

  c.requireBlocks(realCount, v.realIndexSize, "real indexes");
  t.realIndexes.reserve(realCount);
  for (std::uint32_t i = 0; i < realCount; ++i) {
    t.realIndexes.push_back(parseRealIndex(c.take(v.realIndexSize, "a real index"), v));
    t.realIndexes.back().uniqueCount = uniqueCounts[i];
  }

  c.requireBlocks(logicalCount, v.logicalIndexSize, "logical indexes");
  t.logicalIndexes.reserve(logicalCount);
  for (std::uint32_t i = 0; i < logicalCount; ++i) {
    t.logicalIndexes.push_back(parseLogicalIndex(c.take(v.logicalIndexSize, "a logical index"), v));
  }
  for (auto& index : t.logicalIndexes) index.name = readName(c, v, text, "an index name");

  // Block G, up to its terminator or the definition's stated end (some writers
  // end the definition before it). Bytes past the end are stale page contents.
  const std::size_t end = t.length <= buf.size() ? t.length : buf.size();
  for (std::size_t pos = c.pos(); pos + 2 <= end;) {
    const std::uint16_t column = loadU16(buf.data() + pos);
    if (column == kLongValueMapEnd || pos + kLongValueMapEntrySize > end) break;
    t.longValueMaps.push_back(LongValueColumnMaps{column, RowId{loadU32(buf.data() + pos + 2)},
                                                  RowId{loadU32(buf.data() + pos + 6)}});
    pos += kLongValueMapEntrySize;
  }
  return t;
}

TableDefinition readTableDefinition(Pager& pager, std::uint32_t firstPage, const FormatVersion& version,
                                    const TextCodec& text) {
  try {
    std::vector<std::uint32_t> pages;
    const std::vector<std::uint8_t> buffer = readTableDefinitionBuffer(pager, firstPage, &pages);
    TableDefinition t = parseTableDefinition(buffer, version, text);
    t.firstPage = firstPage;
    t.pages = std::move(pages);
    return t;
  } catch (const Error& e) {
    throw Error(e.code(), "table definition at page " + std::to_string(firstPage) + ": " + e.what());
  }
}

}  // namespace jet
