// Test helpers for the index tests over the real files: the pages of a
// database file, its table definitions parsed just far enough to reach the
// columns and real indexes, and a walk over one index B-tree that checks its
// shape as it goes. They read the file's bytes directly, independent of the
// engine's reader.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/index_page_format.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbtest {

// Where the definition fields the index tests need lie in each version.
struct DefinitionLayout {
  std::uint32_t pageSize;
  std::size_t columnCount;        // u16
  std::size_t realIndexCount;     // u32
  std::size_t blocks;             // first variable block
  std::size_t counterSize;        // block A entry
  std::size_t columnSize;         // block B entry
  std::size_t columnNumber;       // u16 in block B
  std::size_t columnFlags;        // u8 in block B
  std::size_t columnFixedOffset;  // u16 in block B
  std::size_t columnLength;       // u16 in block B
  std::size_t nameLengthSize;     // block C: u16 or u8 length
  std::size_t realIndexSize;      // block D entry
  std::size_t keyColumns;         // block D: 10 x (u16 column number, u8 order)
  std::size_t rootPage;           // u32 in block D
  std::size_t indexFlags;         // u8 in block D
  const jet::IndexPageFormat* pages;
};

extern const DefinitionLayout kJet4Layout;
extern const DefinitionLayout kJet3Layout;

struct StoredColumn {
  std::uint16_t number = 0;
  jet::DataType type = jet::DataType::Long;
  std::uint8_t flags = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t length = 0;
  bool fixed() const { return (flags & 0x01) != 0; }
};

struct KeySlot {
  std::uint16_t columnNumber = 0;
  bool ascending = true;
};

struct RealIndex {
  std::uint32_t definitionPage = 0;
  std::size_t number = 0;
  std::uint32_t root = 0;
  std::vector<KeySlot> columns;
  std::uint8_t flags = 0;
  bool ignoresNulls() const { return (flags & 0x02) != 0; }
};

struct StoredDefinition {
  std::uint32_t page = 0;
  std::vector<StoredColumn> columns;
  std::vector<RealIndex> realIndexes;
  const StoredColumn* column(std::uint16_t number) const;
};

class DatabaseFile {
 public:
  DatabaseFile(const std::string& corpusName, const DefinitionLayout& layout);

  const DefinitionLayout& layout() const { return layout_; }
  std::size_t pageCount() const { return bytes_.size() / layout_.pageSize; }
  std::span<const std::uint8_t> page(std::uint32_t n) const;

  // Every table definition in the file. A definition's first page is a type-2
  // page that no other type-2 page continues to; pages that look like one but
  // do not parse (left-overs) are skipped.
  std::vector<StoredDefinition> definitions() const;

 private:
  std::vector<std::uint8_t> definitionBuffer(std::uint32_t first) const;

  std::string name_;
  DefinitionLayout layout_;
  std::vector<std::uint8_t> bytes_;
};

struct LeafEntry {
  std::vector<std::uint8_t> key;
  jet::RowId row;
};

struct WalkTotals {
  std::size_t nodePages = 0;
  std::size_t leafPages = 0;
  std::size_t entries = 0;
};

// Walks one B-tree from its root with gtest checks: every page decodes, is
// owned by the index's table, and (when `checkReencoding`) encodes back to
// its stored bytes; node entries name the last entry of their child; leaves
// are chained first to last and hold their entries in order. The leaf entries
// go to `entries` when given.
void walkIndex(const DatabaseFile& file, const RealIndex& index, bool checkReencoding, WalkTotals& totals,
               std::vector<LeafEntry>* entries = nullptr);

// A gtest parameter name from a corpus file name.
std::string corpusTestName(const std::string& file);

}  // namespace qbtest
