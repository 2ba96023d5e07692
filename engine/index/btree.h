// BTree: one real index's B-tree, read and kept through an IndexPageCache.
//
// Shape (as Jet keeps it): the root page number never changes; leaves hold one
// entry (key bytes, row pointer) per row, ordered by key bytes then row; a node
// page holds one entry per child page, carrying the last entry of the child's
// subtree, except that the last child of a node with two or more children is
// named only by the node's tail field. Every level is chained through prev and
// next links from its first page to its last.
//
// Reading follows those rules with every pointer checked: pages must lie in the
// file, belong to the table and decode; descents are bounded in depth; a leaf
// walk checks that each leaf continues the order of the one before it, which
// also stops it on a chain that loops.
//
// Changing keeps them (btree_write.cpp): an insert goes to its sorted place
// and a full page splits, new pages to the left of the old one (a page filled
// by keys that only grow is left full and the new key starts the next page);
// the root's content moves down when the root splits, so the root stays where
// the definition says. A change of a page's last entry goes up to the parents
// that name it; a page left empty is taken out of its level and freed, a page
// left nearly empty is merged into its neighbour, and a root with a single
// child takes that child's place. Pages are re-encoded with prefix compression;
// appending to a leaf writes just the new entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "index/index_page_cache.h"

namespace jet {

class BTree;
class BTreeWriter;

// The pages of one index, for the changing side of the tree.
class IndexPageAllocator {
 public:
  virtual ~IndexPageAllocator() = default;
  // A page that now belongs to the index (listed in its usage map).
  virtual std::uint32_t allocate() = 0;
  // Gives a page of the index back to the file (and takes it off the map).
  virtual void release(std::uint32_t page) = 0;
};

// Deepest tree the code follows: a tree of 3616-byte pages holds far more
// entries than a 2 GiB file at a fraction of this depth.
inline constexpr std::size_t kMaxBTreeDepth = 32;

// A position on an entry of a leaf, moving forward through the leaf chain.
class BTreeCursor {
 public:
  bool atEnd() const { return leaf_ == nullptr; }
  std::span<const std::uint8_t> key() const { return leaf_->page.key(index_); }
  RowId row() const { return leaf_->page.row(index_); }
  std::uint32_t leafPage() const { return leaf_->number; }
  std::size_t position() const { return index_; }

  // To the next entry (on a following leaf when this one is done). Corruption
  // when the next leaf is not a leaf of this index or breaks the order.
  void next();

 private:
  friend class BTree;
class BTreeWriter;

// The pages of one index, for the changing side of the tree.
class IndexPageAllocator {
 public:
  virtual ~IndexPageAllocator() = default;
  // A page that now belongs to the index (listed in its usage map).
  virtual std::uint32_t allocate() = 0;
  // Gives a page of the index back to the file (and takes it off the map).
  virtual void release(std::uint32_t page) = 0;
};
  BTreeCursor(BTree& tree, std::shared_ptr<CachedIndexPage> leaf, std::size_t index);
  // Moves past empty leaves and the end of a leaf to the next entry, if any.
  void settle();

  BTree* tree_;
  std::shared_ptr<CachedIndexPage> leaf_;
  std::size_t index_ = 0;
  std::size_t leavesVisited_ = 1;
};

class BTree {
 public:
  // `owner` is the definition page of the table; `description` names the index
  // in messages ("index 'PrimaryKey' of table 'Orders'").
  BTree(IndexPageCache& cache, std::uint32_t root, std::uint32_t owner, std::string description);

  std::uint32_t root() const { return root_; }
  std::uint32_t owner() const { return owner_; }
  const std::string& description() const { return description_; }
  IndexPageCache& cache() { return cache_; }

  // Pages for changes come from here (the index's own allocator).
  void setAllocator(IndexPageAllocator* allocator) { allocator_ = allocator; }

  // --- Reading ---

  // At the first entry of the index (atEnd() when it is empty).
  BTreeCursor first();
  // At the first entry not ordered before (key, row).
  BTreeCursor seek(std::span<const std::uint8_t> key, RowId row);
  // True when some entry has exactly these key bytes.
  bool containsKey(std::span<const std::uint8_t> key);

  // A node page on the way from the root to a leaf, and which of its
  // children the way takes (entries first, then the tail).
  struct Step {
    std::shared_ptr<CachedIndexPage> node;
    std::size_t child = 0;
  };
  // The leaf where (key, row) belongs, by the search rule: in each node the
  // first entry not before (key, row), else the tail, else the last entry.
  // Records the node pages passed in `path` (root first) when given.
  std::shared_ptr<CachedIndexPage> descend(std::span<const std::uint8_t> key, RowId row,
                                           std::vector<Step>* path = nullptr);

  // --- Changing (needs an allocator; the store must accept writes) ---

  // Longest key the tree takes: any two entries must fit on one page so that
  // a full page can always be split.
  std::size_t maxKeyLength() const;

  struct InsertResult {
    bool inserted = false;
    bool keyExisted = false;  // another entry already had the same key bytes
  };
  // Adds (key, row) at its sorted place. With `refuseEqualKey`, nothing
  // changes when another entry has the same key bytes (inserted = false).
  // Constraint when the key is longer than maxKeyLength(); Corruption when
  // the tree already has this very entry.
  InsertResult insert(std::span<const std::uint8_t> key, RowId row, bool refuseEqualKey);
  // Removes (key, row); returns true when other entries with the same key
  // bytes remain. Corruption when the tree has no such entry.
  bool remove(std::span<const std::uint8_t> key, RowId row);

  // One entry of a bulk build: its key is keys[offset, offset + length).
  struct BuildEntry {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    RowId row;
  };
  // Fills an empty tree (the root an empty leaf) with entries given in index
  // order, packing leaves full and building the node levels above them.
  void build(std::span<const std::uint8_t> keys, std::span<const BuildEntry> entries);
  // Removes many entries, given in index order (as for build), each leaf
  // rewritten once for all the entries it loses. Returns how many distinct
  // key values no entry holds any more. Corruption when an entry is missing
  // (the tree is then partly changed: the caller's write is undone).
  std::size_t removeSorted(std::span<const std::uint8_t> keys, std::span<const BuildEntry> entries);

  // A loaded page of this index: Corruption unless it belongs to the table.
  std::shared_ptr<CachedIndexPage> load(std::uint32_t number);
  // Corruption naming this index.
  [[noreturn]] void damaged(const std::string& why) const;

 private:
  friend class BTreeCursor;
  friend class BTreeWriter;
  // The child page of `node` taken at `child`.
  static std::uint32_t childAt(const IndexPage& node, std::size_t child);
  static std::size_t childCount(const IndexPage& node);
  std::shared_ptr<CachedIndexPage> leftmostLeaf();

  IndexPageCache& cache_;
  std::uint32_t root_;
  std::uint32_t owner_;
  std::string description_;
  IndexPageAllocator* allocator_ = nullptr;
};

}  // namespace jet
