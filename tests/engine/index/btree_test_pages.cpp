// A pager in memory for the B-tree tests.
#include "btree_test_pages.h"

#include <stdexcept>
#include <string>

#include "format/index_page.h"
#include "storage/memory_file.h"
#include "storage/memory_vfs.h"

namespace qbtest {

TestIndexPages::TestIndexPages(const jet::IndexPageFormat& format, std::uint32_t owner, std::uint32_t root,
                               std::uint32_t filePages) {
  std::vector<std::uint8_t> file(std::size_t{format.pageSize} * std::max(filePages, root + 1), 0);
  jet::IndexPage empty;
  empty.ownerPage = owner;
  empty.encode(std::span<std::uint8_t>(file).subspan(std::size_t{root} * format.pageSize, format.pageSize), format);
  pager_ = std::make_unique<jet::Pager>(std::make_unique<jet::MemoryFile>(std::move(file)), format.pageSize);
  pager_->enableWriting(std::make_shared<jet::MemoryVfs>(), "/test.mdb-journal");
  pager_->beginWrite();
  owned.insert(root);
}

std::uint32_t TestIndexPages::allocate() {
  const std::uint32_t page = pager_->allocatePage();
  owned.insert(page);
  return page;
}

void TestIndexPages::release(std::uint32_t page) {
  if (!owned.erase(page)) throw std::logic_error("release of page " + std::to_string(page) + ", not the index's");
  pager_->freePage(page);
}

std::vector<std::vector<std::uint8_t>> TestIndexPages::snapshot() {
  std::vector<std::vector<std::uint8_t>> out;
  for (std::uint32_t n = 0; n < pager_->pageCount(); ++n) {
    const auto b = pager_->page(n).bytes();
    out.emplace_back(b.begin(), b.end());
  }
  return out;
}

}  // namespace qbtest
