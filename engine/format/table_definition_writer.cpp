// Table definition writing.
#include "format/table_definition_writer.h"

#include <algorithm>
#include <cstring>

#include "format/data_page_format.h"
#include "format/table_definition_format.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"

namespace jet {

namespace {

void storeU16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void storeU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putU32(std::vector<std::uint8_t>& b, std::size_t offset, std::uint32_t v) { storeU32(b.data() + offset, v); }

// Access 97 column blocks hold 1 in the u16 before the sort order (its meaning
// is unknown; every column of every file has it).
constexpr std::size_t kJet3ColumnMarker = 7;

void appendName(std::vector<std::uint8_t>& out, const std::u16string& name, const FormatVersion& v,
                const TextCodec& text) {
  if (v.nameLengthSize == 1) {
    // Access 97: a byte count, then the name in the database's code page.
    if (const std::size_t bad = text.firstUnencodable(name); bad != std::u16string::npos) {
      throw Error(ErrorCode::InvalidArgument,
                  "The name '" + toUtf8(name) + "' cannot be stored: " + unencodableCharacter(name, bad, text));
    }
    std::vector<std::uint8_t> bytes;
    text.encode(name, false, bytes);
    if (bytes.size() > 0xFF) throw Error(ErrorCode::InvalidArgument, "The name '" + toUtf8(name) + "' is too long");
    out.push_back(static_cast<std::uint8_t>(bytes.size()));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return;
  }
  const std::size_t at = out.size();
  out.resize(at + 2 + 2 * name.size());
  storeU16(out.data() + at, static_cast<std::uint32_t>(2 * name.size()));
  for (std::size_t i = 0; i < name.size(); ++i) storeU16(out.data() + at + 2 + 2 * i, name[i]);
}

std::size_t skipNames(ByteSpan buffer, std::size_t pos, std::uint64_t count, const FormatVersion& v) {
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::size_t length = v.nameLengthSize == 2 ? u16At(buffer, pos) : u8At(buffer, pos);
    pos += v.nameLengthSize + length;
    checkRange(buffer, 0, pos);
  }
  return pos;
}

std::vector<std::uint8_t> columnBlock(const ColumnDefinition& c, std::uint16_t databaseSortOrder,
                                      const FormatVersion& v, const TextCodec& text) {
  std::vector<std::uint8_t> b(v.columnSize, 0);
  b[kColumnType] = static_cast<std::uint8_t>(c.type);
  if (v.columnMagic != kNoField) putU32(b, v.columnMagic, kTdefMagicValue);
  storeU16(b.data() + v.columnNumber, c.number);
  storeU16(b.data() + v.columnVarSlot, c.varSlot);
  storeU16(b.data() + v.columnPosition, c.position);
  if (c.type == DataType::Numeric) {
    b[v.columnPrecision] = c.precision;
    b[v.columnScale] = c.scale;
  } else if (c.type == DataType::Text || c.type == DataType::Memo) {
    storeU16(b.data() + v.columnSortOrder, c.sortOrder);
    if (v.columnSortVersion != kNoField) b[v.columnSortVersion] = c.sortOrderVersion;
  } else {
    storeU16(b.data() + v.columnSortOrder, databaseSortOrder);
  }
  if (v.columnCodePage != kNoField) {
    // Every Access 97 column names a code page, text columns their own (0 when
    // the file had none), the others the database's.
    const bool ownCodePage = c.type == DataType::Text || c.type == DataType::Memo;
    const std::uint16_t codePage =
        ownCodePage ? (c.codePage == kUnknownCodePage ? 0 : c.codePage) : text.codePage();
    storeU16(b.data() + v.columnCodePage, codePage);
    storeU16(b.data() + kJet3ColumnMarker, 1);
  }
  b[v.columnFlags] = c.flags;
  if (v.columnExtFlags != kNoField) b[v.columnExtFlags] = c.extFlags;
  storeU16(b.data() + v.columnFixedOffset, c.fixedOffset);
  storeU16(b.data() + v.columnLength, c.length);
  return b;
}

// Maps a logical offset to (page index in the chain, offset in that page).
std::pair<std::size_t, std::size_t> pageOf(std::size_t offset, std::size_t pageSize) {
  if (offset < pageSize) return {0, offset};
  const std::size_t payload = pageSize - kTdefContinuationHeader;
  const std::size_t rest = offset - pageSize;
  return {1 + rest / payload, kTdefContinuationHeader + rest % payload};
}

}  // namespace

void writeDefinitionBytes(Pager& pager, const TableDefinition& definition, std::size_t offset, ByteSpan bytes,
                          const FormatVersion& version) {
  for (std::size_t i = 0; i < bytes.size();) {
    const auto [index, at] = pageOf(offset + i, version.pageSize);
    if (index >= definition.pages.size()) {
      throwCorruption("the definition of table page " + std::to_string(definition.firstPage) +
                      " is shorter than its blocks");
    }
    const std::span<std::uint8_t> page = pager.modify(definition.pages[index]);
    const std::size_t n = std::min(bytes.size() - i, page.size() - at);
    std::memcpy(page.data() + at, bytes.data() + i, n);
    i += n;
  }
}

void writeDefinitionU32(Pager& pager, const TableDefinition& definition, std::size_t offset, std::uint32_t value,
                        const FormatVersion& version) {
  std::uint8_t bytes[4];
  storeU32(bytes, value);
  writeDefinitionBytes(pager, definition, offset, bytes, version);
}

std::vector<std::uint8_t> realIndexBlock(const RealIndexDefinition& index, const FormatVersion& v) {
  std::vector<std::uint8_t> b(v.realIndexSize, 0);
  if (v.realIndexMagic != kNoField) putU32(b, v.realIndexMagic, kRealIndexMagicValue);
  for (int slot = 0; slot < kIndexKeySlots; ++slot) {
    std::uint8_t* p = b.data() + v.realIndexColumns + static_cast<std::size_t>(slot) * kIndexKeySlotSize;
    if (static_cast<std::size_t>(slot) < index.columns.size()) {
      storeU16(p, index.columns[static_cast<std::size_t>(slot)].columnNumber);
      p[2] = index.columns[static_cast<std::size_t>(slot)].ascending ? kIndexOrderAscending : 0;
    } else {
      storeU16(p, kIndexSlotUnused);
    }
  }
  putU32(b, v.realIndexUsageMap, index.usageMap.value);
  putU32(b, v.realIndexRoot, index.rootPage);
  b[v.realIndexFlags] = index.flags;
  return b;
}

std::vector<std::uint8_t> logicalIndexBlock(const LogicalIndexDefinition& index, const FormatVersion& v) {
  std::vector<std::uint8_t> b(v.logicalIndexSize, 0);
  if (v.logicalIndexMagic != kNoField) putU32(b, v.logicalIndexMagic, kTdefMagicValue);
  putU32(b, v.logicalIndexNumber, index.number);
  putU32(b, v.logicalIndexReal, index.realIndex);
  b[v.logicalIndexFkRole] = index.foreignKeyRole;
  putU32(b, v.logicalIndexFkIndex, static_cast<std::uint32_t>(index.foreignKeyIndex));
  putU32(b, v.logicalIndexFkTable, index.foreignKeyTable);
  b[v.logicalIndexCascadeUpdates] = index.cascadeUpdates;
  b[v.logicalIndexCascadeDeletes] = index.cascadeDeletes;
  b[v.logicalIndexKind] = index.kind;
  return b;
}

std::vector<std::uint8_t> buildTableDefinition(const TableDefinition& d, std::uint16_t databaseSortOrder,
                                               const FormatVersion& v, const TextCodec& text) {
  std::vector<std::uint8_t> b(v.tdefHeaderSize, 0);
  b[0] = kPageTypeTableDefinition;
  b[1] = 0x01;
  if (v.tdefMagic != kNoField) putU32(b, v.tdefMagic, kTdefMagicValue);
  putU32(b, v.tdefRowCount, d.rowCount);
  putU32(b, v.tdefAutoNumber, d.autoNumber);
  if (v.tdefAutoNumberStep != kNoField) putU32(b, v.tdefAutoNumberStep, static_cast<std::uint32_t>(d.autoNumberStep));
  b[v.tdefTableType] = d.tableType;
  storeU16(b.data() + v.tdefMaxColumns, d.maxColumns);
  storeU16(b.data() + v.tdefVarColumns, d.varColumns);
  storeU16(b.data() + v.tdefColumnCount, static_cast<std::uint32_t>(d.columns.size()));
  putU32(b, v.tdefLogicalIndexCount, static_cast<std::uint32_t>(d.logicalIndexes.size()));
  putU32(b, v.tdefRealIndexCount, static_cast<std::uint32_t>(d.realIndexes.size()));
  putU32(b, v.tdefOwnedPagesMap, d.ownedPages.value);
  putU32(b, v.tdefFreePagesMap, d.freePages.value);

  for (const RealIndexDefinition& r : d.realIndexes) {
    const std::size_t at = b.size();
    b.resize(at + v.realIndexCounterSize, 0);
    putU32(b, at + v.realIndexCounterUnique, r.uniqueCount);
  }
  for (const ColumnDefinition& c : d.columns) {
    const auto block = columnBlock(c, databaseSortOrder, v, text);
    b.insert(b.end(), block.begin(), block.end());
  }
  for (const ColumnDefinition& c : d.columns) appendName(b, c.name, v, text);
  for (const RealIndexDefinition& r : d.realIndexes) {
    const auto block = realIndexBlock(r, v);
    b.insert(b.end(), block.begin(), block.end());
  }
  for (const LogicalIndexDefinition& l : d.logicalIndexes) {
    const auto block = logicalIndexBlock(l, v);
    b.insert(b.end(), block.begin(), block.end());
  }
  for (const LogicalIndexDefinition& l : d.logicalIndexes) appendName(b, l.name, v, text);
  for (const LongValueColumnMaps& m : d.longValueMaps) {
    const std::size_t at = b.size();
    b.resize(at + kLongValueMapEntrySize);
    storeU16(b.data() + at, m.columnNumber);
    storeU32(b.data() + at + 2, m.ownedPages.value);
    storeU32(b.data() + at + 6, m.freePages.value);
  }
  b.push_back(0xFF);
  b.push_back(0xFF);
  putU32(b, kTdefLength, static_cast<std::uint32_t>(b.size()));
  return b;
}

void storeTableDefinition(Pager& pager, std::vector<std::uint32_t>& pages, std::vector<std::uint8_t> buffer,
                          const FormatVersion& v) {
  const std::size_t ps = v.pageSize;
  const std::size_t payload = ps - kTdefContinuationHeader;
  const std::size_t length = buffer.size();
  putU32(buffer, kTdefLength, static_cast<std::uint32_t>(length));
  const std::size_t needed = length <= ps ? 1 : 1 + (length - ps + payload - 1) / payload;
  while (pages.size() < needed) pages.push_back(pager.allocatePage());
  while (pages.size() > needed) {
    pager.freePage(pages.back());
    pages.pop_back();
  }
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::span<std::uint8_t> page = pager.modify(pages[i]);
    std::size_t from;
    std::size_t count;
    std::size_t at;
    if (i == 0) {
      from = 0;
      count = std::min(length, ps);
      at = 0;
    } else {
      from = ps + (i - 1) * payload;
      count = std::min(length - from, payload);
      at = kTdefContinuationHeader;
    }
    std::fill(page.begin(), page.end(), std::uint8_t{0});
    std::memcpy(page.data() + at, buffer.data() + from, count);
    page[0] = kPageTypeTableDefinition;
    page[1] = 0x01;
    std::size_t free;
    if (pages.size() == 1) {
      free = length + 8 < ps ? ps - length - 8 : 0;
    } else if (i == 0) {
      free = 0;
    } else {
      free = ps - (kTdefContinuationHeader + count) >= 8 ? ps - (kTdefContinuationHeader + count) - 8 : 0;
    }
    if (v.format == FileFormat::Jet3) {
      // Access 97 definition pages carry the letters "VC" instead of a free count.
      page[2] = 'V';
      page[3] = 'C';
    } else {
      storeU16(page.data() + 2, static_cast<std::uint32_t>(free));
    }
    storeU32(page.data() + kTdefNextPage, i + 1 < pages.size() ? pages[i + 1] : 0);
  }
}

DefinitionBlocks locateBlocks(ByteSpan b, const FormatVersion& v) {
  checkRange(b, 0, v.tdefHeaderSize);
  const std::uint16_t columns = loadU16(b.data() + v.tdefColumnCount);
  const std::uint32_t logical = loadU32(b.data() + v.tdefLogicalIndexCount);
  const std::uint32_t real = loadU32(b.data() + v.tdefRealIndexCount);
  DefinitionBlocks at;
  at.realCounters = v.tdefHeaderSize;
  at.columns = at.realCounters + static_cast<std::size_t>(real) * v.realIndexCounterSize;
  at.columnNames = at.columns + static_cast<std::size_t>(columns) * v.columnSize;
  checkRange(b, 0, at.columnNames);
  at.realIndexes = skipNames(b, at.columnNames, columns, v);
  at.logicalIndexes = at.realIndexes + static_cast<std::size_t>(real) * v.realIndexSize;
  at.logicalNames = at.logicalIndexes + static_cast<std::size_t>(logical) * v.logicalIndexSize;
  checkRange(b, 0, at.logicalNames);
  at.longValueMaps = skipNames(b, at.logicalNames, logical, v);
  std::size_t pos = at.longValueMaps;
  while (pos + 2 <= b.size() && loadU16(b.data() + pos) != kLongValueMapEnd) pos += kLongValueMapEntrySize;
  checkRange(b, pos, 2);
  at.end = pos + 2;
  return at;
}

std::vector<std::uint8_t> addIndexToDefinition(ByteSpan buffer, const LogicalIndexDefinition& logical,
                                               const RealIndexDefinition* real, const FormatVersion& v,
                                               const TextCodec& text) {
  const DefinitionBlocks at = locateBlocks(buffer, v);
  const std::uint32_t realCount = loadU32(buffer.data() + v.tdefRealIndexCount);
  const std::uint32_t logicalCount = loadU32(buffer.data() + v.tdefLogicalIndexCount);
  std::vector<std::uint8_t> out;
  out.reserve(at.end + 256);
  const auto copy = [&](std::size_t from, std::size_t to) {
    out.insert(out.end(), buffer.begin() + static_cast<std::ptrdiff_t>(from),
               buffer.begin() + static_cast<std::ptrdiff_t>(to));
  };
  copy(0, at.columns);
  if (real) {
    const std::size_t counter = out.size();
    out.resize(counter + v.realIndexCounterSize, 0);
    putU32(out, counter + v.realIndexCounterUnique, real->uniqueCount);
  }
  copy(at.columns, at.logicalIndexes);
  if (real) {
    const auto block = realIndexBlock(*real, v);
    out.insert(out.end(), block.begin(), block.end());
  }
  copy(at.logicalIndexes, at.logicalNames);
  const auto block = logicalIndexBlock(logical, v);
  out.insert(out.end(), block.begin(), block.end());
  copy(at.logicalNames, at.longValueMaps);
  appendName(out, logical.name, v, text);
  copy(at.longValueMaps, at.end);
  putU32(out, v.tdefLogicalIndexCount, logicalCount + 1);
  putU32(out, v.tdefRealIndexCount, realCount + (real ? 1 : 0));
  putU32(out, kTdefLength, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::vector<std::uint8_t> removeIndexFromDefinition(ByteSpan buffer, std::size_t position, bool removeReal,
                                                    const FormatVersion& v) {
  const DefinitionBlocks at = locateBlocks(buffer, v);
  const std::uint32_t realCount = loadU32(buffer.data() + v.tdefRealIndexCount);
  const std::uint32_t logicalCount = loadU32(buffer.data() + v.tdefLogicalIndexCount);
  if (position >= logicalCount) throwCorruption("the definition has no logical index " + std::to_string(position));
  const std::size_t logicalAt = at.logicalIndexes + position * v.logicalIndexSize;
  const std::uint32_t realNumber = loadU32(buffer.data() + logicalAt + v.logicalIndexReal);
  if (removeReal && realNumber >= realCount) throwCorruption("a logical index names a real index that is missing");
  std::size_t nameAt = at.logicalNames;
  for (std::size_t i = 0; i < position; ++i) nameAt = skipNames(buffer, nameAt, 1, v);
  const std::size_t nameEnd = skipNames(buffer, nameAt, 1, v);

  std::vector<std::uint8_t> out;
  out.reserve(at.end);
  const auto copy = [&](std::size_t from, std::size_t to) {
    out.insert(out.end(), buffer.begin() + static_cast<std::ptrdiff_t>(from),
               buffer.begin() + static_cast<std::ptrdiff_t>(to));
  };
  const std::size_t counterAt = at.realCounters + realNumber * v.realIndexCounterSize;
  const std::size_t realAt = at.realIndexes + realNumber * v.realIndexSize;
  if (removeReal) {
    copy(0, counterAt);
    copy(counterAt + v.realIndexCounterSize, realAt);
    copy(realAt + v.realIndexSize, at.logicalIndexes);
  } else {
    copy(0, at.logicalIndexes);
  }
  // Logical blocks: drop one, renumber references to real indexes after the removed one.
  for (std::size_t i = 0; i < logicalCount; ++i) {
    if (i == position) continue;
    const std::size_t block = at.logicalIndexes + i * v.logicalIndexSize;
    const std::size_t outAt = out.size();
    copy(block, block + v.logicalIndexSize);
    const std::uint32_t r = loadU32(out.data() + outAt + v.logicalIndexReal);
    if (removeReal && r > realNumber) putU32(out, outAt + v.logicalIndexReal, r - 1);
  }
  copy(at.logicalNames, nameAt);
  copy(nameEnd, at.end);
  putU32(out, v.tdefLogicalIndexCount, logicalCount - 1);
  putU32(out, v.tdefRealIndexCount, realCount - (removeReal ? 1 : 0));
  putU32(out, kTdefLength, static_cast<std::uint32_t>(out.size()));
  return out;
}

}  // namespace jet
