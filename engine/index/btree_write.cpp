// Changing a B-tree: inserts and removals with splits, merges, parent and tail
// upkeep, and the bulk build of a new index.
#include <algorithm>
#include <cstring>
#include <optional>

#include "format/bytes.h"
#include "index/btree.h"
#include "jet/error.h"

namespace jet {

namespace {

constexpr std::size_t kNoHint = ~std::size_t{0};

bool sameKey(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

// The last entry of a subtree, which its parent's entry carries.
struct Last {
  std::vector<std::uint8_t> key;
  RowId row;
  static Last of(const IndexPage& page, std::size_t i) {
    const auto k = page.key(i);
    return Last{{k.begin(), k.end()}, page.row(i)};
  }
};

// A page split off to the left of a child, with its subtree's last entry.
struct NewPage {
  std::uint32_t number = 0;
  Last last;
};

// What happened to a child page, for its parent to take in.
struct Change {
  std::vector<NewPage> newLeft;  // pages now before the child, in order
  std::optional<Last> last;      // the child's subtree ends with a new entry
  bool removed = false;          // the child is gone
  bool any() const { return removed || !newLeft.empty() || last.has_value(); }
};

std::size_t pointerBytes(IndexPageKind kind) {
  return kIndexRowPointerSize + (kind == IndexPageKind::Node ? kIndexChildPointerSize : 0);
}

std::size_t childCount(const IndexPage& node) { return node.size() + (node.tailPage != 0 ? 1 : 0); }

std::uint32_t childAt(const IndexPage& node, std::size_t child) {
  return child < node.size() ? node.childPage(child) : node.tailPage;
}

// Free space recorded in a stored page.
std::size_t storedFree(const CachedIndexPage& page, const IndexPageFormat& format) {
  return loadU16(page.header.data() + format.freeSpace);
}

}  // namespace

class BTreeWriter {
 public:
  explicit BTreeWriter(BTree& tree) : t_(tree), cache_(tree.cache_), format_(cache_.format()) {
    if (!tree.allocator_) {
      throw Error(ErrorCode::InvalidArgument, "The " + tree.description_ + " cannot be changed without a page allocator");
    }
  }

  BTree::InsertResult insert(std::span<const std::uint8_t> key, RowId row, bool refuseEqualKey);
  bool remove(std::span<const std::uint8_t> key, RowId row);
  std::size_t removeSorted(std::span<const std::uint8_t> keys, std::span<const BTree::BuildEntry> entries);
  void build(std::span<const std::uint8_t> keys, std::span<const BTree::BuildEntry> entries);

 private:
  void checkKey(std::span<const std::uint8_t> key) const;
  bool neighbourHasKey(std::uint32_t leaf, bool last, std::span<const std::uint8_t> key);
  bool editInPlace(const std::shared_ptr<CachedIndexPage>& leaf, std::size_t pos, std::size_t erasedKeyLength);

  // Brings the tree back into shape after `page` changed, from that page up
  // to the root. `path` leads to the page; `last` is its subtree's new last
  // entry when that changed; `hint` is where an entry was inserted (it guides
  // the split); `stored` says the page is already written.
  void settle(std::vector<BTree::Step>& path, std::shared_ptr<CachedIndexPage> page, std::optional<Last> last,
              std::size_t hint, bool stored, bool mergeUnderfull);
  Change finish(bool isRoot, const std::shared_ptr<CachedIndexPage>& page, const std::optional<Last>& last,
                std::size_t hint);
  // Applies a child's change to its parent; sets `edited` when the parent
  // changed, and returns the parent's new last entry when that changed.
  std::optional<Last> apply(const std::shared_ptr<CachedIndexPage>& parent, std::size_t child, Change& change,
                            std::size_t& hint, bool& edited);
  std::optional<Last> removeChild(IndexPage& node, std::size_t child);
  bool mergeWithNeighbour(const std::shared_ptr<CachedIndexPage>& parent, std::size_t child,
                          const std::shared_ptr<CachedIndexPage>& page);

  void normalizeNode(IndexPage& node, const std::optional<Last>& last);
  Last lastOfSubtree(std::uint32_t page);
  std::vector<std::size_t> splitPoints(const IndexPage& page, std::size_t hint, bool allToNewPages) const;
  bool groupFits(const IndexPage& page, std::size_t first, std::size_t last, bool keepsTail) const;
  std::vector<NewPage> split(const std::shared_ptr<CachedIndexPage>& page, std::size_t hint);
  void splitRoot(const std::shared_ptr<CachedIndexPage>& root, std::size_t hint);
  void collapseRoot(const std::shared_ptr<CachedIndexPage>& root);
  // Fills `target` with entries [first, last) of `source`; on node pages the
  // last child of a group that leaves its page becomes the tail.
  Last fillGroup(IndexPage& target, const IndexPage& source, std::size_t first, std::size_t last, bool keepsTail);
  void unlinkAndFree(const std::shared_ptr<CachedIndexPage>& page);
  void setLink(std::uint32_t page, bool next, std::uint32_t value);
  void mustStore(const std::shared_ptr<CachedIndexPage>& page);
  std::shared_ptr<CachedIndexPage> newPage(IndexPageKind kind);

  BTree& t_;
  IndexPageCache& cache_;
  const IndexPageFormat& format_;
};

std::size_t BTree::maxKeyLength() const {
  return cache_.format().maxDataSize() / 2 - kIndexRowPointerSize - kIndexChildPointerSize;
}

BTree::InsertResult BTree::insert(std::span<const std::uint8_t> key, RowId row, bool refuseEqualKey) {
  return BTreeWriter(*this).insert(key, row, refuseEqualKey);
}

bool BTree::remove(std::span<const std::uint8_t> key, RowId row) { return BTreeWriter(*this).remove(key, row); }

std::size_t BTree::removeSorted(std::span<const std::uint8_t> keys, std::span<const BuildEntry> entries) {
  return BTreeWriter(*this).removeSorted(keys, entries);
}

void BTree::build(std::span<const std::uint8_t> keys, std::span<const BuildEntry> entries) {
  BTreeWriter(*this).build(keys, entries);
}

void BTreeWriter::checkKey(std::span<const std::uint8_t> key) const {
  if (key.empty()) throw Error(ErrorCode::InvalidArgument, "An empty key cannot go into the " + t_.description_);
  if (key.size() > t_.maxKeyLength()) {
    throw Error(ErrorCode::Constraint, "The key of the " + t_.description_ + " for this row would be " +
                                           std::to_string(key.size()) + " bytes long; an index key can hold at most " +
                                           std::to_string(t_.maxKeyLength()) + " bytes");
  }
}

void BTreeWriter::mustStore(const std::shared_ptr<CachedIndexPage>& page) {
  if (!cache_.store(page)) {
    throw Error(ErrorCode::InvalidArgument, "Internal error: page " + std::to_string(page->number) + " of the " +
                                                t_.description_ + " was laid out larger than a page");
  }
}

std::shared_ptr<CachedIndexPage> BTreeWriter::newPage(IndexPageKind kind) {
  const std::uint32_t number = t_.allocator_->allocate();
  auto page = cache_.create(number, t_.owner_);
  page->page.kind = kind;
  return page;
}

// --- Insert ---

bool BTreeWriter::neighbourHasKey(std::uint32_t leaf, bool last, std::span<const std::uint8_t> key) {
  const auto page = t_.load(leaf);
  const IndexPage& p = page->page;
  // An empty or odd neighbour: ask the tree.
  if (p.kind != IndexPageKind::Leaf || p.empty()) return t_.containsKey(key);
  return sameKey(p.key(last ? p.size() - 1 : 0), key);
}

BTree::InsertResult BTreeWriter::insert(std::span<const std::uint8_t> key, RowId row, bool refuseEqualKey) {
  checkKey(key);
  std::vector<BTree::Step> path;
  auto leaf = t_.descend(key, row, &path);
  IndexPage& p = leaf->page;
  const std::size_t pos = p.lowerBound(key, row);
  if (pos < p.size() && p.row(pos) == row && sameKey(p.key(pos), key)) {
    t_.damaged("it already holds an entry for the row at page " + std::to_string(row.page()) + ", slot " +
               std::to_string(row.slot()));
  }
  // Equal keys sit next to each other, so only the neighbours of the new
  // entry's place can share its key.
  bool existed = pos > 0 ? sameKey(p.key(pos - 1), key) : p.prevPage != 0 && neighbourHasKey(p.prevPage, true, key);
  if (!existed) {
    existed = pos < p.size() ? sameKey(p.key(pos), key) : p.nextPage != 0 && neighbourHasKey(p.nextPage, false, key);
  }
  if (existed && refuseEqualKey) return {false, true};

  cache_.beginEdit(*leaf);
  p.insert(pos, key, row);
  const bool atEnd = pos + 1 == p.size();
  std::optional<Last> last;
  if (atEnd) last = Last{{key.begin(), key.end()}, row};
  const bool stored = editInPlace(leaf, pos, kNoHint);
  settle(path, leaf, std::move(last), pos, stored, false);
  return {true, existed};
}

// Changes the stored bytes of a leaf for one inserted or erased entry, when
// the page keeps its shared prefix and the first entry stays first: the bytes
// after the entry move, the bitmap is redone from there on, and the result is
// what a full encode would write, for the cost of the entries after it.
// `pos` is the entry's place; `erasedKeyLength` the key length of an erased
// entry (kNoHint for an insert, whose entry is already on the page).
bool BTreeWriter::editInPlace(const std::shared_ptr<CachedIndexPage>& leaf, std::size_t pos,
                              std::size_t erasedKeyLength) {
  const IndexPage& p = leaf->page;
  const bool inserting = erasedKeyLength == kNoHint;
  const std::vector<std::uint8_t>& header = leaf->header;
  if (pos == 0 || !leaf->held || header.size() != format_.entryData) return false;
  std::size_t prefix = header[format_.prefixLength];
  if (format_.prefixLengthSize == 2) prefix |= std::size_t{header[format_.prefixLength + 1]} << 8;
  if (p.commonPrefixLength(0, p.size(), format_) != prefix) return false;
  const std::size_t free = storedFree(*leaf, format_);
  if (free > format_.maxDataSize()) return false;
  const std::size_t used = format_.maxDataSize() - free;
  const auto storedSize = [&](std::size_t keyLength) { return keyLength - prefix + kIndexRowPointerSize; };

  // Where entry `pos` starts; at the end of the page that is known at once.
  std::size_t offset = 0;
  if (inserting && pos + 1 == p.size()) {
    offset = used;
  } else if (!inserting && pos == p.size()) {
    offset = used - std::min(used, storedSize(erasedKeyLength));
  } else {
    offset = p.key(0).size() + kIndexRowPointerSize;
    for (std::size_t i = 1; i < pos; ++i) offset += storedSize(p.key(i).size());
  }
  const std::size_t size = storedSize(inserting ? p.key(pos).size() : erasedKeyLength);
  if (inserting ? size > free || offset > used : offset + size > used) return false;

  const std::span<std::uint8_t> image = cache_.writable(*leaf);
  std::uint8_t* data = image.data() + format_.entryData;
  std::size_t newUsed = 0;
  if (inserting) {
    const auto key = p.key(pos);
    std::memmove(data + offset + size, data + offset, used - offset);
    std::uint8_t* at = data + offset;
    std::memcpy(at, key.data() + prefix, key.size() - prefix);
    at += key.size() - prefix;
    const RowId row = p.row(pos);
    at[0] = static_cast<std::uint8_t>(row.page() >> 16);
    at[1] = static_cast<std::uint8_t>(row.page() >> 8);
    at[2] = static_cast<std::uint8_t>(row.page());
    at[3] = row.slot();
    newUsed = used + size;
  } else {
    std::memmove(data + offset, data + offset + size, used - offset - size);
    std::memset(data + used - size, 0, size);
    newUsed = used - size;
  }

  // Entry ends after `offset` are marked anew.
  std::uint8_t* bitmap = image.data() + format_.bitmap;
  const std::size_t top = std::max(used, newUsed);
  for (std::size_t bit = offset + 1; bit <= top;) {
    if (bit % 8 == 0 && bit + 8 <= top + 1) {
      bitmap[bit / 8] = 0;
      bit += 8;
    } else {
      bitmap[bit / 8] = static_cast<std::uint8_t>(bitmap[bit / 8] & ~(1u << (bit % 8)));
      ++bit;
    }
  }
  std::size_t end = offset;
  for (std::size_t i = pos; i < p.size(); ++i) {
    end += storedSize(p.key(i).size());
    bitmap[end / 8] = static_cast<std::uint8_t>(bitmap[end / 8] | 1u << (end % 8));
  }
  const std::size_t newFree = format_.maxDataSize() - newUsed;
  image[format_.freeSpace] = static_cast<std::uint8_t>(newFree);
  image[format_.freeSpace + 1] = static_cast<std::uint8_t>(newFree >> 8);
  cache_.stored(leaf);
  return true;
}

// --- Remove ---

bool BTreeWriter::remove(std::span<const std::uint8_t> key, RowId row) {
  std::vector<BTree::Step> path;
  auto leaf = t_.descend(key, row, &path);
  IndexPage& p = leaf->page;
  const std::size_t pos = p.lowerBound(key, row);
  if (pos >= p.size() || p.row(pos) != row || !sameKey(p.key(pos), key)) {
    t_.damaged("it has no entry for the row at page " + std::to_string(row.page()) + ", slot " +
               std::to_string(row.slot()));
  }
  cache_.beginEdit(*leaf);
  const std::size_t erasedKeyLength = p.key(pos).size();
  p.erase(pos);
  std::optional<Last> last;
  if (pos == p.size() && !p.empty()) last = Last::of(p, p.size() - 1);
  const bool stored = !p.empty() && editInPlace(leaf, pos, erasedKeyLength);
  settle(path, leaf, std::move(last), kNoHint, stored, true);
  return t_.containsKey(key);
}

// The entries of one leaf go together: the leaf is found once, loses every
// entry of the run that falls within it, and is stored (or merged, or freed)
// once. Whether a key value is gone for good is known on the leaf when the
// leaf held smaller and larger keys around it; a key at either end of a leaf
// may go on in its neighbour, so the tree is asked once every leaf is done.
std::size_t BTreeWriter::removeSorted(std::span<const std::uint8_t> keys, std::span<const BTree::BuildEntry> entries) {
  const auto keyOf = [&](std::size_t i) { return keys.subspan(entries[i].offset, entries[i].length); };
  std::size_t vanished = 0;
  std::vector<std::vector<std::uint8_t>> atEdges;  // key values to look for afterwards, in order
  std::vector<BTree::Step> path;
  std::vector<std::uint8_t> firstKey;
  for (std::size_t i = 0; i < entries.size();) {
    auto leaf = t_.descend(keyOf(i), entries[i].row, &path);
    IndexPage& p = leaf->page;
    if (p.kind != IndexPageKind::Leaf || p.empty()) {
      t_.damaged("it has no entry for the row at page " + std::to_string(entries[i].row.page()) + ", slot " +
                 std::to_string(entries[i].row.slot()));
    }
    firstKey.assign(p.key(0).begin(), p.key(0).end());
    const Last bound = Last::of(p, p.size() - 1);
    cache_.beginEdit(*leaf);
    bool lastErased = false;
    const std::size_t runStart = i;
    do {
      const auto key = keyOf(i);
      const RowId row = entries[i].row;
      const std::size_t pos = p.lowerBound(key, row);
      if (pos >= p.size() || p.row(pos) != row || !sameKey(p.key(pos), key)) {
        t_.damaged("it has no entry for the row at page " + std::to_string(row.page()) + ", slot " +
                   std::to_string(row.slot()));
      }
      if (pos + 1 == p.size()) lastErased = true;
      p.erase(pos);
      ++i;
    } while (i < entries.size() && compareIndexEntries(keyOf(i), entries[i].row, bound.key, bound.row) <= 0);

    // Each key value of the run once: still on the leaf, gone, or to be asked.
    // A value left to ask at the end of an earlier leaf can be inside this one
    // now (that leaf merged into this one): it is asked, not counted here.
    for (std::size_t k = runStart; k < i; ++k) {
      const auto key = keyOf(k);
      if (k > runStart && sameKey(keyOf(k - 1), key)) continue;
      const std::size_t at = p.lowerBound(key, RowId{0});
      if (at < p.size() && sameKey(p.key(at), key)) continue;
      if (!atEdges.empty() && sameKey(atEdges.back(), key)) continue;
      const bool inside = std::ranges::lexicographical_compare(firstKey, key) &&
                          std::ranges::lexicographical_compare(key, bound.key);
      if (inside) {
        ++vanished;
      } else {
        atEdges.emplace_back(key.begin(), key.end());
      }
    }

    std::optional<Last> last;
    if (lastErased && !p.empty()) last = Last::of(p, p.size() - 1);
    settle(path, leaf, std::move(last), kNoHint, false, true);
  }
  for (const std::vector<std::uint8_t>& key : atEdges) {
    if (!t_.containsKey(key)) ++vanished;
  }
  return vanished;
}

// --- Keeping the shape ---

void BTreeWriter::settle(std::vector<BTree::Step>& path, std::shared_ptr<CachedIndexPage> page,
                         std::optional<Last> last, std::size_t hint, bool stored, bool mergeUnderfull) {
  for (;;) {
    const bool isRoot = path.empty();
    Change change;
    if (stored) {
      change.last = std::move(last);
    } else {
      change = finish(isRoot, page, last, hint);
    }
    if (isRoot) return;
    // A page that removals left nearly empty goes into its neighbour.
    const bool underfull = mergeUnderfull && !change.removed && change.newLeft.empty() &&
                           storedFree(*page, format_) > format_.maxDataSize() * 3 / 4;
    if (!change.any() && !underfull) return;
    const BTree::Step step = path.back();
    path.pop_back();
    bool edited = false;
    last = apply(step.node, step.child, change, hint, edited);
    if (underfull && mergeWithNeighbour(step.node, step.child, page)) edited = true;
    if (!edited && !last) return;
    page = step.node;
    stored = !edited;
  }
}

Change BTreeWriter::finish(bool isRoot, const std::shared_ptr<CachedIndexPage>& page, const std::optional<Last>& last,
                           std::size_t hint) {
  IndexPage& p = page->page;
  Change change;
  if (p.kind == IndexPageKind::Node) normalizeNode(p, last);
  if (p.empty() && p.tailPage == 0) {
    if (!isRoot) {
      unlinkAndFree(page);
      change.removed = true;
      return change;
    }
    // An index without entries is an empty leaf.
    p.kind = IndexPageKind::Leaf;
    p.prevPage = p.nextPage = 0;
    mustStore(page);
    return change;
  }
  if (!cache_.store(page)) {
    if (isRoot) {
      splitRoot(page, hint);
      return change;
    }
    change.newLeft = split(page, hint);
  }
  change.last = last;
  if (isRoot) collapseRoot(page);
  return change;
}

std::optional<Last> BTreeWriter::apply(const std::shared_ptr<CachedIndexPage>& parent, std::size_t child,
                                       Change& change, std::size_t& hint, bool& edited) {
  IndexPage& node = parent->page;
  hint = kNoHint;
  if (change.removed) {
    cache_.beginEdit(*parent);
    edited = true;
    return removeChild(node, child);
  }
  if (!change.newLeft.empty()) {
    cache_.beginEdit(*parent);
    edited = true;
    for (NewPage& n : change.newLeft) {
      node.insert(child, n.last.key, n.last.row, n.number);
      hint = child++;
    }
  }
  if (!change.last) return std::nullopt;
  if (child < node.size()) {
    if (!edited) cache_.beginEdit(*parent);
    edited = true;
    const std::uint32_t page = node.childPage(child);
    node.erase(child);
    node.insert(child, change.last->key, change.last->row, page);
  }
  if (child + 1 == childCount(node)) return std::move(change.last);
  return std::nullopt;
}

std::optional<Last> BTreeWriter::removeChild(IndexPage& node, std::size_t child) {
  if (child < node.size()) {
    const bool wasLast = node.tailPage == 0 && child + 1 == node.size();
    node.erase(child);
    if (wasLast && !node.empty()) return Last::of(node, node.size() - 1);
    return std::nullopt;
  }
  // The tail went: the last entry's child takes its place.
  node.tailPage = 0;
  if (node.empty()) return std::nullopt;
  Last last = Last::of(node, node.size() - 1);
  node.tailPage = node.childPage(node.size() - 1);
  node.erase(node.size() - 1);
  return last;
}

// Node pages with two or more children name the last one only in the tail;
// a node with one child names it in an entry.
void BTreeWriter::normalizeNode(IndexPage& node, const std::optional<Last>& last) {
  if (node.tailPage == 0 && node.size() >= 2) {
    node.tailPage = node.childPage(node.size() - 1);
    node.erase(node.size() - 1);
  } else if (node.tailPage != 0 && node.empty()) {
    const Last l = last ? *last : lastOfSubtree(node.tailPage);
    node.append(l.key, l.row, node.tailPage);
    node.tailPage = 0;
  }
}

Last BTreeWriter::lastOfSubtree(std::uint32_t number) {
  auto page = t_.load(number);
  for (std::size_t depth = 0; page->page.kind == IndexPageKind::Node; ++depth) {
    const IndexPage& node = page->page;
    if (depth >= kMaxBTreeDepth || childCount(node) == 0) t_.damaged("node page " + std::to_string(page->number) + " leads nowhere");
    page = t_.load(childAt(node, childCount(node) - 1));
  }
  if (page->page.empty()) t_.damaged("leaf page " + std::to_string(page->number) + " is empty");
  return Last::of(page->page, page->page.size() - 1);
}

bool BTreeWriter::groupFits(const IndexPage& page, std::size_t first, std::size_t last, bool keepsTail) const {
  // A node group that leaves for a page of its own gives its last child to
  // that page's tail, which costs no entry bytes.
  if (page.kind == IndexPageKind::Node && !keepsTail && last - first >= 2) --last;
  return page.dataSize(first, last, format_) <= format_.maxDataSize();
}

// Where to cut an overfull page: group ends, the last one at size().
std::vector<std::size_t> BTreeWriter::splitPoints(const IndexPage& page, std::size_t hint,
                                                  bool allToNewPages) const {
  const std::size_t n = page.size();
  const bool tail = page.kind == IndexPageKind::Node && page.tailPage != 0;
  const auto fits = [&](const std::vector<std::size_t>& ends) {
    std::size_t first = 0;
    for (std::size_t g = 0; g < ends.size(); ++g) {
      const bool keepsTail = g + 1 == ends.size() && (tail || !allToNewPages);
      if (ends[g] <= first || !groupFits(page, first, ends[g], keepsTail)) return false;
      first = ends[g];
    }
    return true;
  };
  // Keys that arrive in order: the entries before the new one stay packed,
  // and the new one starts the next page.
  if (hint != kNoHint && n >= 2) {
    if (hint + 1 == n && page.nextPage == 0) {
      std::vector<std::size_t> ends{n - 1, n};
      if (fits(ends)) return ends;
    }
    if (hint == 0 && page.prevPage == 0) {
      std::vector<std::size_t> ends{1, n};
      if (fits(ends)) return ends;
    }
  }
  // Otherwise even parts by bytes.
  const std::size_t pointers = pointerBytes(page.kind);
  std::vector<std::size_t> before(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) before[i + 1] = before[i] + page.key(i).size() + pointers;
  const std::size_t total = before[n];
  const std::size_t parts = std::max<std::size_t>(2, (total + format_.maxDataSize() - 1) / format_.maxDataSize());
  std::vector<std::size_t> ends;
  for (std::size_t g = 1; g < parts; ++g) {
    const std::size_t target = total * g / parts;
    std::size_t cut = static_cast<std::size_t>(std::lower_bound(before.begin(), before.end(), target) - before.begin());
    cut = std::clamp<std::size_t>(cut, ends.empty() ? 1 : ends.back() + 1, n - 1);
    ends.push_back(cut);
  }
  ends.push_back(n);
  if (fits(ends)) return ends;
  // Packing by whole entry sizes always works: every entry fits half a page.
  ends.clear();
  std::size_t first = 0;
  while (first < n) {
    std::size_t last = first + 1;
    while (last < n && before[last + 1] - before[first] <= format_.maxDataSize()) ++last;
    ends.push_back(last);
    first = last;
  }
  if (ends.size() < 2) ends = {n - 1, n};
  return ends;
}

Last BTreeWriter::fillGroup(IndexPage& target, const IndexPage& source, std::size_t first, std::size_t last,
                            bool keepsTail) {
  target.clearEntries();
  for (std::size_t i = first; i < last; ++i) target.append(source.key(i), source.row(i), source.childPage(i));
  Last end = Last::of(source, last - 1);
  target.tailPage = 0;
  if (target.kind == IndexPageKind::Node && !keepsTail && target.size() >= 2) {
    target.tailPage = target.childPage(target.size() - 1);
    target.erase(target.size() - 1);
  }
  return end;
}

std::vector<NewPage> BTreeWriter::split(const std::shared_ptr<CachedIndexPage>& page, std::size_t hint) {
  IndexPage& p = page->page;
  const std::vector<std::size_t> ends = splitPoints(p, hint, false);
  std::vector<std::shared_ptr<CachedIndexPage>> pages;
  for (std::size_t g = 0; g + 1 < ends.size(); ++g) pages.push_back(newPage(p.kind));

  std::vector<NewPage> out;
  std::uint32_t prev = p.prevPage;
  std::size_t first = 0;
  for (std::size_t g = 0; g < pages.size(); ++g) {
    IndexPage& q = pages[g]->page;
    out.push_back(NewPage{pages[g]->number, fillGroup(q, p, first, ends[g], false)});
    q.prevPage = prev;
    q.nextPage = g + 1 < pages.size() ? pages[g + 1]->number : page->number;
    prev = pages[g]->number;
    first = ends[g];
  }
  if (p.prevPage != 0) setLink(p.prevPage, true, pages.front()->number);
  p.erase(0, first);
  p.prevPage = prev;
  for (const auto& q : pages) mustStore(q);
  mustStore(page);
  return out;
}

void BTreeWriter::splitRoot(const std::shared_ptr<CachedIndexPage>& root, std::size_t hint) {
  IndexPage& r = root->page;
  const std::vector<std::size_t> ends = splitPoints(r, hint, true);
  std::vector<std::shared_ptr<CachedIndexPage>> pages;
  for (std::size_t g = 0; g < ends.size(); ++g) pages.push_back(newPage(r.kind));
  std::vector<Last> lasts;
  std::size_t first = 0;
  for (std::size_t g = 0; g < pages.size(); ++g) {
    IndexPage& q = pages[g]->page;
    const bool lastGroup = g + 1 == pages.size();
    lasts.push_back(fillGroup(q, r, first, ends[g], lastGroup && r.tailPage != 0));
    if (lastGroup && r.tailPage != 0) q.tailPage = r.tailPage;
    if (q.kind == IndexPageKind::Node) normalizeNode(q, std::nullopt);
    q.prevPage = g > 0 ? pages[g - 1]->number : 0;
    q.nextPage = lastGroup ? 0 : pages[g + 1]->number;
    first = ends[g];
  }
  r.clearEntries();
  r.kind = IndexPageKind::Node;
  r.prevPage = r.nextPage = 0;
  for (std::size_t g = 0; g + 1 < pages.size(); ++g) r.append(lasts[g].key, lasts[g].row, pages[g]->number);
  r.tailPage = pages.back()->number;
  for (const auto& q : pages) mustStore(q);
  mustStore(root);
}

// A root node with a single child takes that child's content, so the tree
// does not keep levels it no longer needs.
void BTreeWriter::collapseRoot(const std::shared_ptr<CachedIndexPage>& root) {
  for (std::size_t depth = 0; root->page.kind == IndexPageKind::Node && childCount(root->page) == 1; ++depth) {
    if (depth >= kMaxBTreeDepth) t_.damaged("its root has a chain of single children");
    const auto child = t_.load(childAt(root->page, 0));
    if (child->number == root->number) t_.damaged("its root names itself as its child");
    cache_.beginEdit(*root);
    root->page = child->page;
    root->page.prevPage = root->page.nextPage = 0;
    mustStore(root);
    t_.allocator_->release(child->number);
    cache_.forget(child->number);
  }
}

bool BTreeWriter::mergeWithNeighbour(const std::shared_ptr<CachedIndexPage>& parent, std::size_t child,
                                     const std::shared_ptr<CachedIndexPage>& page) {
  IndexPage& node = parent->page;
  const std::size_t n = childCount(node);
  if (n < 2 || child >= n) return false;
  // Always fold the left page of a pair into the right one: the right one
  // keeps the pair's last entry, so only the left page's entry leaves the parent.
  const std::size_t left = child + 1 < n ? child : child - 1;
  const auto leftPage = left == child ? page : t_.load(childAt(node, left));
  const auto rightPage = left == child ? t_.load(childAt(node, left + 1)) : page;
  const IndexPage& l = leftPage->page;
  const IndexPage& r = rightPage->page;
  if (l.kind != r.kind || leftPage->number == rightPage->number) return false;

  IndexPage merged;
  merged.kind = r.kind;
  merged.ownerPage = t_.owner_;
  merged.prevPage = l.prevPage;
  merged.nextPage = r.nextPage;
  merged.tailPage = r.tailPage;
  for (std::size_t i = 0; i < l.size(); ++i) merged.append(l.key(i), l.row(i), l.childPage(i));
  // The left page's tail child gets an entry: its last entry is the one the
  // parent names the left page with.
  if (l.kind == IndexPageKind::Node && l.tailPage != 0) merged.append(node.key(left), node.row(left), l.tailPage);
  for (std::size_t i = 0; i < r.size(); ++i) merged.append(r.key(i), r.row(i), r.childPage(i));
  // Leave room, so the next insert does not split the page again.
  if (merged.dataSize(format_) > format_.maxDataSize() * 3 / 4) return false;

  cache_.beginEdit(*rightPage);
  rightPage->page = std::move(merged);
  mustStore(rightPage);
  if (l.prevPage != 0) setLink(l.prevPage, true, rightPage->number);
  t_.allocator_->release(leftPage->number);
  cache_.forget(leftPage->number);
  cache_.beginEdit(*parent);
  node.erase(left);
  return true;
}

void BTreeWriter::setLink(std::uint32_t number, bool next, std::uint32_t value) {
  const auto page = t_.load(number);
  cache_.beginEdit(*page);
  (next ? page->page.nextPage : page->page.prevPage) = value;
  mustStore(page);
}

void BTreeWriter::unlinkAndFree(const std::shared_ptr<CachedIndexPage>& page) {
  const IndexPage& p = page->page;
  if (p.prevPage != 0) setLink(p.prevPage, true, p.nextPage);
  if (p.nextPage != 0) setLink(p.nextPage, false, p.prevPage);
  t_.allocator_->release(page->number);
  cache_.forget(page->number);
}

// --- Bulk build ---

void BTreeWriter::build(std::span<const std::uint8_t> keys, std::span<const BTree::BuildEntry> entries) {
  const auto root = t_.load(t_.root_);
  if (root->page.kind != IndexPageKind::Leaf || !root->page.empty()) {
    throw Error(ErrorCode::InvalidArgument, "The " + t_.description_ + " can only be built when it is empty");
  }
  const auto keyOf = [&](const BTree::BuildEntry& e) {
    if (std::size_t{e.offset} + e.length > keys.size()) {
      throw Error(ErrorCode::InvalidArgument, "A key of a bulk build lies outside its buffer");
    }
    return keys.subspan(e.offset, e.length);
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    checkKey(keyOf(entries[i]));
    if (i > 0 && compareIndexEntries(keyOf(entries[i - 1]), entries[i - 1].row, keyOf(entries[i]), entries[i].row) >= 0) {
      throw Error(ErrorCode::InvalidArgument, "Entries for the " + t_.description_ + " are not in index order");
    }
  }
  if (entries.empty()) return;

  const std::size_t maxData = format_.maxDataSize();
  const auto commonPrefix = [](std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    const std::size_t limit = std::min<std::size_t>({a.size(), b.size(), 255});
    std::size_t k = 0;
    while (k < limit && a[k] == b[k]) ++k;
    return k;
  };

  // Leaves, packed full: an entry joins the page while the page, prefix
  // compression counted, still has room for it.
  std::vector<std::size_t> ends;
  std::size_t first = 0;
  std::size_t raw = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t bytes = entries[i].length + kIndexRowPointerSize;
    if (i > first &&
        raw + bytes - commonPrefix(keyOf(entries[first]), keyOf(entries[i])) * (i - first) > maxData) {
      ends.push_back(i);
      first = i;
      raw = 0;
    }
    raw += bytes;
  }
  ends.push_back(entries.size());

  const auto fillLeaf = [&](IndexPage& page, std::size_t from, std::size_t to) {
    page.clearEntries();
    for (std::size_t i = from; i < to; ++i) page.append(keyOf(entries[i]), entries[i].row);
  };
  if (ends.size() == 1) {
    cache_.beginEdit(*root);
    fillLeaf(root->page, 0, entries.size());
    mustStore(root);
    return;
  }

  struct Child {
    std::uint32_t page;
    Last last;
  };
  // Pages of one level, chained in order.
  const auto makeLevel = [&](IndexPageKind kind, std::size_t count) {
    std::vector<std::shared_ptr<CachedIndexPage>> pages;
    for (std::size_t g = 0; g < count; ++g) pages.push_back(newPage(kind));
    for (std::size_t g = 0; g < count; ++g) {
      pages[g]->page.prevPage = g > 0 ? pages[g - 1]->number : 0;
      pages[g]->page.nextPage = g + 1 < count ? pages[g + 1]->number : 0;
    }
    return pages;
  };
  std::vector<Child> level;
  {
    const auto pages = makeLevel(IndexPageKind::Leaf, ends.size());
    first = 0;
    for (std::size_t g = 0; g < ends.size(); ++g) {
      fillLeaf(pages[g]->page, first, ends[g]);
      mustStore(pages[g]);
      const BTree::BuildEntry& e = entries[ends[g] - 1];
      const auto k = keyOf(e);
      level.push_back(Child{pages[g]->number, Last{{k.begin(), k.end()}, e.row}});
      first = ends[g];
    }
  }

  // Node levels until one page holds them all. A node names its children in
  // entries, the last one in its tail.
  const std::size_t nodeEntry = kIndexRowPointerSize + kIndexChildPointerSize;
  for (;;) {
    std::vector<std::size_t> groups;  // end of each node's children
    for (std::size_t a = 0; a < level.size();) {
      std::size_t e = a + 1;  // entries [a, e); child e closes the node as its tail
      std::size_t bytes = level[a].last.key.size() + nodeEntry;
      while (e + 1 < level.size()) {
        const std::size_t more = bytes + level[e].last.key.size() + nodeEntry -
                                 commonPrefix(level[a].last.key, level[e].last.key) * (e - a);
        if (more > maxData) break;
        bytes += level[e].last.key.size() + nodeEntry;
        ++e;
      }
      a = std::min(e + 1, level.size());
      groups.push_back(a);
    }
    const auto fillNode = [&](IndexPage& page, std::size_t from, std::size_t to) {
      page.clearEntries();
      page.kind = IndexPageKind::Node;
      const std::size_t entryEnd = to - from >= 2 ? to - 1 : to;
      for (std::size_t c = from; c < entryEnd; ++c) page.append(level[c].last.key, level[c].last.row, level[c].page);
      page.tailPage = entryEnd < to ? level[to - 1].page : 0;
    };
    if (groups.size() == 1) {
      cache_.beginEdit(*root);
      fillNode(root->page, 0, level.size());
      mustStore(root);
      return;
    }
    const auto pages = makeLevel(IndexPageKind::Node, groups.size());
    std::vector<Child> above;
    std::size_t from = 0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      fillNode(pages[g]->page, from, groups[g]);
      mustStore(pages[g]);
      above.push_back(Child{pages[g]->number, level[groups[g] - 1].last});
      from = groups[g];
    }
    level = std::move(above);
  }
}

}  // namespace jet
