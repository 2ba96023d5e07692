// Reading a B-tree: descents from the root and walks along the leaf chain.
#include "index/btree.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"

namespace jet {

namespace {

bool sameKey(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace

BTree::BTree(IndexPageCache& cache, std::uint32_t root, std::uint32_t owner, std::string description)
    : cache_(cache), root_(root), owner_(owner), description_(std::move(description)) {}

void BTree::damaged(const std::string& why) const {
  throw Error(ErrorCode::Corruption, "The " + description_ + " is damaged: " + why + ".");
}

std::shared_ptr<CachedIndexPage> BTree::load(std::uint32_t number) {
  std::shared_ptr<CachedIndexPage> page;
  try {
    page = cache_.load(number);
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Corruption) throw;
    damaged(e.what());
  }
  if (page->page.ownerPage != owner_) {
    damaged("page " + std::to_string(number) + " belongs to the table at page " +
            std::to_string(page->page.ownerPage));
  }
  return page;
}

std::size_t BTree::childCount(const IndexPage& node) { return node.size() + (node.tailPage != 0 ? 1 : 0); }

std::uint32_t BTree::childAt(const IndexPage& node, std::size_t child) {
  return child < node.size() ? node.childPage(child) : node.tailPage;
}

std::shared_ptr<CachedIndexPage> BTree::descend(std::span<const std::uint8_t> key, RowId row,
                                                std::vector<Step>* path) {
  if (path) path->clear();
  auto page = load(root_);
  for (std::size_t depth = 0; page->page.kind == IndexPageKind::Node; ++depth) {
    const IndexPage& node = page->page;
    if (depth >= kMaxBTreeDepth) damaged("its node pages lead deeper than " + std::to_string(kMaxBTreeDepth) + " levels");
    if (childCount(node) == 0) damaged("node page " + std::to_string(page->number) + " names no child page");
    std::size_t child = node.lowerBound(key, row);
    if (child == node.size() && node.tailPage == 0) child = node.size() - 1;
    auto next = load(childAt(node, child));
    if (path) path->push_back(Step{std::move(page), child});
    page = std::move(next);
  }
  return page;
}

std::shared_ptr<CachedIndexPage> BTree::leftmostLeaf() {
  auto page = load(root_);
  for (std::size_t depth = 0; page->page.kind == IndexPageKind::Node; ++depth) {
    if (depth >= kMaxBTreeDepth) damaged("its node pages lead deeper than " + std::to_string(kMaxBTreeDepth) + " levels");
    if (childCount(page->page) == 0) damaged("node page " + std::to_string(page->number) + " names no child page");
    page = load(childAt(page->page, 0));
  }
  return page;
}

BTreeCursor BTree::first() { return BTreeCursor(*this, leftmostLeaf(), 0); }

BTreeCursor BTree::seek(std::span<const std::uint8_t> key, RowId row) {
  auto leaf = descend(key, row);
  const std::size_t at = leaf->page.lowerBound(key, row);
  return BTreeCursor(*this, std::move(leaf), at);
}

bool BTree::containsKey(std::span<const std::uint8_t> key) {
  const BTreeCursor at = seek(key, RowId{0});
  return !at.atEnd() && sameKey(at.key(), key);
}

BTreeCursor::BTreeCursor(BTree& tree, std::shared_ptr<CachedIndexPage> leaf, std::size_t index)
    : tree_(&tree), leaf_(std::move(leaf)), index_(index) {
  settle();
}

void BTreeCursor::next() {
  if (atEnd()) return;
  ++index_;
  settle();
}

void BTreeCursor::settle() {
  if (index_ < leaf_->page.size()) return;
  // The entry every later one must follow: the last of the leaf being left (or
  // of the last non-empty leaf before it).
  std::vector<std::uint8_t> lastKey;
  RowId lastRow;
  bool haveLast = false;
  while (index_ >= leaf_->page.size()) {
    const IndexPage& page = leaf_->page;
    if (!page.empty()) {
      const auto key = page.key(page.size() - 1);
      lastKey.assign(key.begin(), key.end());
      lastRow = page.row(page.size() - 1);
      haveLast = true;
    }
    const std::uint32_t from = leaf_->number;
    const std::uint32_t next = page.nextPage;
    if (next == 0) {
      leaf_.reset();
      return;
    }
    if (++leavesVisited_ > tree_->cache_.pager().pageCount()) {
      tree_->damaged("its leaf chain from page " + std::to_string(from) + " runs through more pages than the file has");
    }
    auto following = tree_->load(next);
    if (following->page.kind != IndexPageKind::Leaf) {
      tree_->damaged("leaf page " + std::to_string(from) + " links to page " + std::to_string(next) +
                     ", which is not a leaf");
    }
    if (haveLast && !following->page.empty() &&
        compareIndexEntries(following->page.key(0), following->page.row(0), lastKey, lastRow) <= 0) {
      tree_->damaged("leaf page " + std::to_string(next) + " (after page " + std::to_string(from) +
                     ") does not continue the order of the leaves before it");
    }
    leaf_ = std::move(following);
    index_ = 0;
  }
}

}  // namespace jet
