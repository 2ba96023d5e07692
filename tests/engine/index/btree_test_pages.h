// Test helper: a pager over a database file held in memory, inside a write
// transaction (journaled on a simulated disk), and the pages of one index:
// its allocator, whose usage map is the set `owned`. The root starts as an
// empty leaf.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "format/index_page_format.h"
#include "index/btree.h"
#include "storage/pager.h"

namespace qbtest {

class TestIndexPages final : public jet::IndexPageAllocator {
 public:
  TestIndexPages(const jet::IndexPageFormat& format, std::uint32_t owner, std::uint32_t root,
                 std::uint32_t filePages = 16);

  jet::Pager& pager() { return *pager_; }
  std::uint32_t allocate() override;
  void release(std::uint32_t page) override;

  std::set<std::uint32_t> owned;

  // Every page's bytes as they are now.
  std::vector<std::vector<std::uint8_t>> snapshot();

 private:
  std::unique_ptr<jet::Pager> pager_;
};

}  // namespace qbtest
