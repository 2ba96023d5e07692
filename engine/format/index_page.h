// IndexPage: the contents of one B-tree page of an index -- its header links and
// its entries with their full key bytes -- decoded from a stored page and
// encoded back. Entries are kept sorted by key bytes, then row pointer; a
// stored page shares a common key prefix between its entries and marks where
// each entry ends in a bitmap, which this class undoes on decode and redoes on
// encode. Key bytes of all entries live in one buffer, so decoding and editing
// a page allocates nothing once the buffers have grown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "format/index_page_format.h"
#include "jet/table.h"

namespace jet {

enum class IndexPageKind : std::uint8_t {
  Node = kIndexNodePageType,  // one entry per child page; the last child may be the tail
  Leaf = kIndexLeafPageType,  // one entry per row
};

struct IndexEntryRef {
  std::span<const std::uint8_t> key;
  RowId row;
  std::uint32_t childPage = 0;  // node entries only
};

// Orders two entries as an index does: key bytes (unsigned, a prefix first),
// then row pointer. <0, 0 or >0.
int compareIndexEntries(std::span<const std::uint8_t> keyA, RowId rowA, std::span<const std::uint8_t> keyB,
                        RowId rowB);

class IndexPage {
 public:
  IndexPageKind kind = IndexPageKind::Leaf;
  std::uint32_t ownerPage = 0;  // definition page of the table
  std::uint32_t prevPage = 0;   // 0 = none
  std::uint32_t nextPage = 0;   // 0 = none
  std::uint32_t tailPage = 0;   // node pages: the last child when it has no entry; 0 = none

  // Replaces this object's contents with the page's. Checks every length and
  // offset: a damaged page (wrong type, bitmap marking entries past the data
  // area or of impossible size, prefix longer than the first entry, entries out
  // of order) gives a Corruption error naming `pageNumber` and leaves no
  // entries. `page` must be exactly format.pageSize bytes.
  void decode(std::span<const std::uint8_t> page, std::uint32_t pageNumber, const IndexPageFormat& format);

  // Values of the decoded page's own fields, for checks and diagnostics (not
  // used by encode, which computes them).
  std::uint16_t storedFreeSpace() const { return storedFreeSpace_; }
  std::size_t storedPrefixLength() const { return storedPrefixLength_; }

  std::size_t size() const { return slots_.size(); }
  bool empty() const { return slots_.empty(); }
  std::span<const std::uint8_t> key(std::size_t i) const;
  RowId row(std::size_t i) const { return slots_[i].row; }
  std::uint32_t childPage(std::size_t i) const { return slots_[i].child; }
  IndexEntryRef entry(std::size_t i) const { return {key(i), slots_[i].row, slots_[i].child}; }

  // Position of the first entry not ordered before (key, row); size() if none.
  std::size_t lowerBound(std::span<const std::uint8_t> key, RowId row) const;

  // Editing. The caller keeps the entries in order (encode checks it).
  void clearEntries();
  void insert(std::size_t position, std::span<const std::uint8_t> key, RowId row,
              std::uint32_t childPage = 0);
  void append(std::span<const std::uint8_t> key, RowId row, std::uint32_t childPage = 0) {
    insert(size(), key, row, childPage);
  }
  void erase(std::size_t first, std::size_t last);
  void erase(std::size_t position) { erase(position, position + 1); }

  // The prefix encode uses for entries [first, last): the bytes the keys of the
  // first and the last entry share (so every entry between shares them too),
  // at most maxPrefixLength(); 0 for fewer than two entries.
  std::size_t commonPrefixLength(std::size_t first, std::size_t last, const IndexPageFormat& format) const;
  // Bytes of entry data that entries [first, last) take on one page with that prefix.
  std::size_t dataSize(std::size_t first, std::size_t last, const IndexPageFormat& format) const;
  std::size_t dataSize(const IndexPageFormat& format) const { return dataSize(0, size(), format); }
  bool fits(const IndexPageFormat& format) const { return dataSize(format) <= format.maxDataSize(); }

  // Writes the page into `out` (format.pageSize bytes): header, bitmap, entries
  // with the common prefix removed, zeros after the data. Returns false and
  // leaves `out` alone when the entries do not fit, so the caller can split.
  // Throws InvalidArgument when the entries are out of order or a node entry
  // is on a leaf (a caller's mistake that would make a corrupt page).
  bool encode(std::span<std::uint8_t> out, const IndexPageFormat& format) const;
  // The same with a chosen prefix length (at most the common prefix); 0 stores
  // every entry whole.
  bool encode(std::span<std::uint8_t> out, const IndexPageFormat& format, std::size_t prefixLength) const;

 private:
  struct Slot {
    std::uint32_t offset;  // into keys_
    std::uint32_t keyLength;
    RowId row;
    std::uint32_t child;
  };
  void decodeEntries(std::span<const std::uint8_t> page, std::uint32_t pageNumber,
                     const IndexPageFormat& format);
  std::size_t entryDataSize(std::size_t i) const;
  void checkOrder() const;

  std::vector<std::uint8_t> keys_;
  std::vector<Slot> slots_;
  std::uint16_t storedFreeSpace_ = 0;
  std::size_t storedPrefixLength_ = 0;
};

}  // namespace jet
