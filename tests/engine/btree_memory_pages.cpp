// In-memory index pages for the B-tree tests.
#include "btree_memory_pages.h"

#include <stdexcept>

#include "format/index_page.h"

namespace qbtest {

MemoryIndexPages::MemoryIndexPages(const jet::IndexPageFormat& format, std::uint32_t owner, std::uint32_t root,
                                   std::uint32_t firstFree)
    : format_(format), pages_(std::max(firstFree, root + 1), std::vector<std::uint8_t>(format.pageSize, 0)) {
  jet::IndexPage empty;
  empty.ownerPage = owner;
  empty.encode(pages_[root], format_);
  owned.insert(root);
}

std::span<const std::uint8_t> MemoryIndexPages::read(std::uint32_t page) { return pages_.at(page); }

void MemoryIndexPages::write(std::uint32_t page, std::span<const std::uint8_t> bytes) {
  if (bytes.size() != format_.pageSize) throw std::logic_error("page of the wrong size");
  if (!owned.count(page)) throw std::logic_error("write to page " + std::to_string(page) + ", not the index's");
  pages_.at(page).assign(bytes.begin(), bytes.end());
  ++writes;
}

std::uint32_t MemoryIndexPages::allocate() {
  std::uint32_t page;
  if (!free_.empty()) {
    page = *free_.begin();
    free_.erase(free_.begin());
  } else {
    page = pageCount();
    pages_.emplace_back(format_.pageSize, 0);
  }
  owned.insert(page);
  return page;
}

void MemoryIndexPages::release(std::uint32_t page) {
  if (!owned.erase(page)) throw std::logic_error("release of page " + std::to_string(page) + ", not the index's");
  // As a freed page on disk: no longer looks like an index page.
  std::fill(pages_.at(page).begin(), pages_.at(page).begin() + 4, 0);
  free_.insert(page);
}

void MemoryIndexPages::restore(const Snapshot& s) {
  pages_ = s.pages;
  owned = s.owned;
  free_ = s.free;
}

}  // namespace qbtest
