// The B-tree side of row writes: for every real index of a table, the entries
// of inserted, updated and deleted rows, the index's rules (unique, required,
// ignore nulls), its distinct-key count in the definition, and its pages and
// usage map; also the bulk build of a new index from the table's rows.
#include "index/index_maintenance.h"

#include <algorithm>
#include <unordered_map>

#include "format/table_definition_writer.h"
#include "format/usage_map_writer.h"
#include "index/btree.h"
#include "index/index_trees.h"
#include "index/real_index_info.h"
#include "jet/error.h"
#include "jet/text.h"
#include "value/value_ops.h"

namespace jet {

namespace {

// Sorts the entries of a bulk build into index order (key bytes, then row)
// eight key bytes at a time, each group held as one number: entries are
// sorted by the group at `depth`, then by how many key bytes are left from
// there (up to nine: a key that ends inside the group comes before a longer
// one with the same bytes, zeros included), then by row. Entries that agree on
// the group and go on past it are sorted again by the next group.
class BuildOrder {
 public:
  BuildOrder(std::span<const std::uint8_t> keys, std::span<const BTree::BuildEntry> entries)
      : keys_(keys), entries_(entries), items_(entries.size()) {
    for (std::size_t i = 0; i < entries.size(); ++i) items_[i].entry = static_cast<std::uint32_t>(i);
    sort(items_.begin(), items_.end(), 0);
  }

  // Positions in `entries`, in index order.
  std::vector<std::uint32_t> order() const {
    std::vector<std::uint32_t> positions(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) positions[i] = items_[i].entry;
    return positions;
  }

 private:
  static constexpr std::uint32_t kGroup = 8;

  struct Item {
    std::uint64_t group = 0;
    std::uint32_t left = 0;  // key bytes from the group on, at most kGroup + 1
    std::uint32_t row = 0;
    std::uint32_t entry = 0;
  };
  using Iterator = std::vector<Item>::iterator;

  void sort(Iterator begin, Iterator end, std::uint32_t depth) {
    for (Iterator it = begin; it != end; ++it) {
      const BTree::BuildEntry& e = entries_[it->entry];
      const std::uint32_t left = e.length > depth ? e.length - depth : 0;
      std::uint64_t group = 0;
      for (std::uint32_t b = 0; b < std::min(left, kGroup); ++b) {
        group |= std::uint64_t{keys_[e.offset + depth + b]} << (56 - 8 * b);
      }
      it->group = group;
      it->left = std::min(left, kGroup + 1);
      it->row = e.row.value;
    }
    const auto before = [](const Item& a, const Item& b) {
      if (a.group != b.group) return a.group < b.group;
      if (a.left != b.left) return a.left < b.left;
      return a.row < b.row;
    };
    // Rows often come in key order already (an autonumber key).
    if (!std::is_sorted(begin, end, before)) std::sort(begin, end, before);
    for (Iterator run = begin; run != end;) {
      Iterator next = run + 1;
      while (next != end && next->group == run->group && next->left == run->left) ++next;
      if (run->left > kGroup && next - run > 1) sort(run, next, depth + kGroup);
      run = next;
    }
  }

  std::span<const std::uint8_t> keys_;
  std::span<const BTree::BuildEntry> entries_;
  std::vector<Item> items_;
};

// Pages of one index: from the file's free pages, listed in the index's map.
class IndexPages final : public IndexPageAllocator {
 public:
  IndexPages(Pager& pager, const FormatVersion& version, RowId map) : pager_(pager), version_(version), map_(map) {}
  std::uint32_t allocate() override {
    const std::uint32_t page = pager_.allocatePage();
    UsageMapWriter(pager_, version_).add(map_, page);
    return page;
  }
  void release(std::uint32_t page) override {
    UsageMapWriter(pager_, version_).remove(map_, page);
    pager_.freePage(page);
  }

 private:
  Pager& pager_;
  const FormatVersion& version_;
  RowId map_;
};

// The key columns' values of a row, for messages: "42" or "(1, 'a')".
std::string keyValues(const RealIndexInfo& index, const std::vector<Value>& row) {
  std::string out;
  for (const KeyColumn& c : index.keyColumns) {
    if (!out.empty()) out += ", ";
    out += quotedValue(row[c.rowPosition]);
  }
  return index.keyColumns.size() > 1 ? "(" + out + ")" : out;
}

// Whether a row's key columns hold the very same values before and after a
// change, so that its entry cannot move (most updates change no key). Floating
// values are left to the key bytes: 0 and -0 are equal values with different
// keys.
bool sameKeyValues(const RealIndexInfo& index, const std::vector<Value>& before, const std::vector<Value>& after) {
  for (const KeyColumn& c : index.keyColumns) {
    const Value& a = before[c.rowPosition];
    const Value& b = after[c.rowPosition];
    const ValueKind kind = a.kind();
    if (kind == ValueKind::Single || kind == ValueKind::Double || kind == ValueKind::DateTime) return false;
    if (!(a == b)) return false;
  }
  return true;
}

class BTreeIndexMaintenance final : public IndexMaintenance, public IndexTrees {
 public:
  std::string unsupportedReason(const Table::Impl& table) override {
    for (const RealIndexInfo& index : indexesOf(table)) {
      if (!index.unsupported.empty()) return "its index '" + index.name + "' cannot be kept up to date: " + index.unsupported;
    }
    return {};
  }

  void insertRow(Table::Impl& table, const std::vector<Value>& row, RowId id) override {
    guarded([&] {
      for (const RealIndexInfo& index : indexesOf(table)) add(table, index, row, id);
    });
  }

  void removeRow(Table::Impl& table, const std::vector<Value>& row, RowId id) override {
    guarded([&] {
      for (const RealIndexInfo& index : indexesOf(table)) drop(table, index, row, id);
    });
  }

  std::unique_ptr<IndexRemovals> beginRemovals(Table::Impl& table) override {
    return std::make_unique<Removals>(*this, table);
  }

  void updateRow(Table::Impl& table, const std::vector<Value>& before, const std::vector<Value>& after,
                 RowId id) override {
    guarded([&] {
      for (const RealIndexInfo& index : indexesOf(table)) {
        const encoder_t& encoder = usable(table, index);
        if (sameKeyValues(index, before, after)) continue;
        const bool wasIn = !(index.ignoreNulls && encoder.allNull(before));
        const bool isIn = !(index.ignoreNulls && encoder.allNull(after));
        if (wasIn && isIn) {
          before_.clear();
          after_.clear();
          encoder.appendKey(before, before_);
          encoder.appendKey(after, after_);
          // Equal key bytes: the entry stays as it is (the row keeps its RowId).
          if (before_ == after_) continue;
        }
        if (wasIn) drop(table, index, before, id);
        if (isIn) add(table, index, after, id);
      }
    });
  }

  void buildIndex(Table::Impl& table, std::size_t realIndex) override {
    guarded([&] { build(table, realIndex); });
  }

  // --- IndexTrees ---

  IndexPageCache& cache(DatabaseContext& db) override {
    if (!cache_) cache_ = std::make_unique<IndexPageCache>(*db.pager, indexPageFormatFor(*db.version));
    return *cache_;
  }

  const std::vector<RealIndexInfo>& indexesOf(const Table::Impl& table) override {
    // Described once per table and definition: a changed definition (an index
    // added or dropped, a reload after an undone write) is described anew.
    std::vector<std::uint32_t> signature{table.definition.firstPage,
                                         static_cast<std::uint32_t>(table.indexes.size()),
                                         static_cast<std::uint32_t>(table.columns.size())};
    for (const RealIndexDefinition& r : table.definition.realIndexes) {
      signature.insert(signature.end(), {r.rootPage, r.usageMap.value, r.flags});
      for (const IndexKeyColumn& k : r.columns) signature.push_back(k.columnNumber << 1 | (k.ascending ? 1u : 0u));
    }
    Described& d = tables_[&table];
    if (d.signature != signature || d.name != table.name) {
      d.signature = std::move(signature);
      d.name = table.name;
      d.indexes = describeRealIndexes(table);
    }
    return d.indexes;
  }

 private:
  using encoder_t = IndexKeyEncoder;

  struct Described {
    std::vector<std::uint32_t> signature;
    std::u16string name;
    std::vector<RealIndexInfo> indexes;
  };

  // Runs a change; after any failure the cached pages are dropped, since the
  // write is undone under them.
  template <typename F>
  void guarded(F&& f) {
    try {
      f();
    } catch (...) {
      if (cache_) cache_->clear();
      throw;
    }
  }

  // The keys of the rows going, per real index, until they are removed in key
  // order at finish().
  class Removals final : public IndexRemovals {
   public:
    Removals(BTreeIndexMaintenance& owner, Table::Impl& table) : owner_(owner), table_(table) {
      const std::vector<RealIndexInfo>& indexes = owner_.indexesOf(table_);
      pending_.resize(indexes.size());
      for (const RealIndexInfo& index : indexes) owner_.usable(table_, index);
    }

    void add(const std::vector<Value>& row, RowId id) override {
      const std::vector<RealIndexInfo>& indexes = owner_.indexesOf(table_);
      for (std::size_t i = 0; i < indexes.size() && i < pending_.size(); ++i) {
        const encoder_t& encoder = owner_.usable(table_, indexes[i]);
        if (indexes[i].ignoreNulls && encoder.allNull(row)) continue;
        Pending& p = pending_[i];
        const std::size_t at = p.keys.size();
        encoder.appendKey(row, p.keys);
        p.entries.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(p.keys.size() - at), id});
      }
    }

    void finish() override {
      owner_.guarded([&] {
        const std::vector<RealIndexInfo>& indexes = owner_.indexesOf(table_);
        if (indexes.size() != pending_.size()) {
          throw Error(ErrorCode::InvalidArgument,
                      "Internal error: the indexes of " + table_.describe() + " changed while rows were deleted");
        }
        for (std::size_t i = 0; i < indexes.size(); ++i) {
          Pending& p = pending_[i];
          if (p.entries.empty()) continue;
          const RealIndexInfo& index = indexes[i];
          std::vector<BTree::BuildEntry> sorted;
          sorted.reserve(p.entries.size());
          for (const std::uint32_t k : BuildOrder(p.keys, p.entries).order()) sorted.push_back(p.entries[k]);
          IndexPages pages(*table_.db->pager, *table_.db->version, index.usageMap);
          BTree tree = owner_.treeOf(table_, index, pages);
          const std::size_t vanished = tree.removeSorted(p.keys, sorted);
          if (vanished > 0) {
            const std::uint32_t count = table_.definition.realIndexes[index.number].uniqueCount;
            owner_.setUniqueCount(table_, index, count > vanished ? static_cast<std::uint32_t>(count - vanished) : 0);
          }
          p = Pending{};
        }
      });
    }

   private:
    struct Pending {
      std::vector<std::uint8_t> keys;
      std::vector<BTree::BuildEntry> entries;
    };
    BTreeIndexMaintenance& owner_;
    Table::Impl& table_;
    std::vector<Pending> pending_;
  };

  const encoder_t& usable(const Table::Impl& table, const RealIndexInfo& index) {
    if (!index.encoder) {
      throw Error(ErrorCode::ReadOnly, "Cannot write to " + table.describe() + ": its index '" + index.name +
                                           "' cannot be kept up to date: " + index.unsupported);
    }
    return *index.encoder;
  }

  BTree treeOf(Table::Impl& table, const RealIndexInfo& index, IndexPages& pages) {
    BTree tree(cache(*table.db), index.root, table.definition.firstPage, index.description);
    tree.setAllocator(&pages);
    return tree;
  }

  void requireValues(const Table::Impl& table, const RealIndexInfo& index, const std::vector<Value>& row) {
    if (!index.required) return;
    for (const KeyColumn& c : index.keyColumns) {
      if (!row[c.rowPosition].isNull()) continue;
      throw Error(ErrorCode::Constraint, "Cannot write the row to " + table.describe() + ": field '" +
                                             toUtf8(table.columns[c.rowPosition].name) + "' is empty, and index '" +
                                             index.name + "' requires a value in it");
    }
  }

  void add(Table::Impl& table, const RealIndexInfo& index, const std::vector<Value>& row, RowId id) {
    const encoder_t& encoder = usable(table, index);
    const bool allNull = encoder.allNull(row);
    if (index.ignoreNulls && allNull) return;
    requireValues(table, index, row);
    key_.clear();
    encoder.appendKey(row, key_);
    IndexPages pages(*table.db->pager, *table.db->version, index.usageMap);
    BTree tree = treeOf(table, index, pages);
    // Rows whose key columns are all null may repeat in a unique index.
    const BTree::InsertResult result = tree.insert(key_, id, index.unique && !allNull);
    if (!result.inserted) {
      throw Error(ErrorCode::Constraint, "Cannot write the row to " + table.describe() + ": index '" + index.name +
                                             "' already has a row with the value " + keyValues(index, row) +
                                             ", and it allows each value only once");
    }
    if (!result.keyExisted) setUniqueCount(table, index, table.definition.realIndexes[index.number].uniqueCount + 1);
  }

  void drop(Table::Impl& table, const RealIndexInfo& index, const std::vector<Value>& row, RowId id) {
    const encoder_t& encoder = usable(table, index);
    if (index.ignoreNulls && encoder.allNull(row)) return;
    key_.clear();
    encoder.appendKey(row, key_);
    IndexPages pages(*table.db->pager, *table.db->version, index.usageMap);
    BTree tree = treeOf(table, index, pages);
    if (!tree.remove(key_, id)) {
      const std::uint32_t count = table.definition.realIndexes[index.number].uniqueCount;
      if (count > 0) setUniqueCount(table, index, count - 1);
    }
  }

  // Block A keeps the number of distinct keys of each real index.
  void setUniqueCount(Table::Impl& table, const RealIndexInfo& index, std::uint32_t count) {
    const FormatVersion& v = *table.db->version;
    writeDefinitionU32(*table.db->pager, table.definition,
                       v.tdefHeaderSize + index.number * v.realIndexCounterSize + v.realIndexCounterUnique, count, v);
    table.definition.realIndexes[index.number].uniqueCount = count;
  }

  void build(Table::Impl& table, std::size_t realIndex) {
    const std::vector<RealIndexInfo>& all = indexesOf(table);
    if (realIndex >= all.size()) {
      throw Error(ErrorCode::InvalidArgument, table.describe() + " has no real index " + std::to_string(realIndex));
    }
    const RealIndexInfo& index = all[realIndex];
    const encoder_t& encoder = usable(table, index);

    // Every row's key, checked against the index's rules.
    std::vector<std::size_t> which;
    for (const KeyColumn& c : index.keyColumns) which.push_back(c.rowPosition);
    std::vector<Value> values(table.columns.size());
    std::vector<std::uint8_t> keys;
    std::vector<BTree::BuildEntry> entries;
    std::vector<bool> allNull;
    table.forEachRow(
        ScanMode::Strict, nullptr, [&](RowId, ByteSpan bytes) { table.decode(bytes, &which, values); },
        [&](RowId id) {
          const bool none = encoder.allNull(values);
          if (index.ignoreNulls && none) return true;
          requireValues(table, index, values);
          const std::size_t at = keys.size();
          encoder.appendKey(values, keys);
          entries.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(keys.size() - at), id});
          allNull.push_back(none);
          return true;
        });
    const auto keyOf = [&](std::size_t i) {
      return std::span<const std::uint8_t>(keys).subspan(entries[i].offset, entries[i].length);
    };
    const std::vector<std::uint32_t> order = BuildOrder(keys, entries).order();
    std::vector<BTree::BuildEntry> sorted;
    sorted.reserve(entries.size());
    std::uint32_t distinct = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
      const std::size_t i = order[k];
      const bool same = k > 0 && std::ranges::equal(keyOf(order[k - 1]), keyOf(i));
      if (!same) ++distinct;
      if (same && index.unique && !allNull[i]) {
        throw Error(ErrorCode::Constraint, "Cannot build index '" + index.name + "' of " + table.describe() +
                                               ": it allows each value only once, and the rows hold the value " +
                                               keyValues(index, table.readValues(entries[i].row)) + " more than once");
      }
      sorted.push_back(entries[i]);
    }
    IndexPages pages(*table.db->pager, *table.db->version, index.usageMap);
    BTree tree = treeOf(table, index, pages);
    tree.build(keys, sorted);
    setUniqueCount(table, index, distinct);
  }

  std::unordered_map<const Table::Impl*, Described> tables_;
  std::unique_ptr<IndexPageCache> cache_;
  std::vector<std::uint8_t> key_, before_, after_;  // reused between rows
};

}  // namespace

std::unique_ptr<IndexRemovals> IndexMaintenance::beginRemovals(Table::Impl& table) {
  class RowByRow final : public IndexRemovals {
   public:
    RowByRow(IndexMaintenance& owner, Table::Impl& t) : owner_(owner), table_(t) {}
    void add(const std::vector<Value>& row, RowId id) override { owner_.removeRow(table_, row, id); }
    void finish() override {}

   private:
    IndexMaintenance& owner_;
    Table::Impl& table_;
  };
  return std::make_unique<RowByRow>(*this, table);
}

std::unique_ptr<IndexMaintenance> makeIndexMaintenance() { return std::make_unique<BTreeIndexMaintenance>(); }

IndexTrees* indexTreesOf(DatabaseContext& db) { return dynamic_cast<IndexTrees*>(db.indexes.get()); }

}  // namespace jet
