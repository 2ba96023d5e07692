// Test helper: index pages held in memory, with the allocator of one index
// whose usage map is the set `owned`. Freed pages are reused lowest first.
// Snapshots stand in for a rolled back transaction.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include "db/index_page_store.h"
#include "format/index_page_format.h"

namespace qbtest {

class MemoryIndexPages final : public jet::IndexPageStore, public jet::IndexPageAllocator {
 public:
  // Pages below `firstFree` exist but belong to others; `root` becomes an
  // empty leaf of table `owner`, listed in `owned`.
  MemoryIndexPages(const jet::IndexPageFormat& format, std::uint32_t owner, std::uint32_t root,
                   std::uint32_t firstFree = 16);

  std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(pages_.size()); }
  std::span<const std::uint8_t> read(std::uint32_t page) override;
  void write(std::uint32_t page, std::span<const std::uint8_t> bytes) override;
  std::uint32_t allocate() override;
  void release(std::uint32_t page) override;

  std::set<std::uint32_t> owned;
  std::size_t writes = 0;

  struct Snapshot {
    std::vector<std::vector<std::uint8_t>> pages;
    std::set<std::uint32_t> owned;
    std::set<std::uint32_t> free;
  };
  Snapshot snapshot() const { return {pages_, owned, free_}; }
  void restore(const Snapshot& s);
  std::vector<std::uint8_t>& bytes(std::uint32_t page) { return pages_.at(page); }

 private:
  const jet::IndexPageFormat& format_;
  std::vector<std::vector<std::uint8_t>> pages_;
  std::set<std::uint32_t> free_;
};

}  // namespace qbtest
