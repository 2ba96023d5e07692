// IndexRange: a seek into the B-tree and a walk along its leaves while the
// entries' key bytes stay inside the range.
#include "index/index_range.h"

#include <algorithm>
#include <cstring>

#include "index/index_trees.h"
#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

// Pages an index range keeps decoded when the database keeps no shared cache.
constexpr std::size_t kOwnCachePages = 64;

const IndexDef& indexAt(const Table::Impl& table, std::size_t index) {
  if (index >= table.indexes.size() || table.indexes[index].realIndex >= table.definition.realIndexes.size()) {
    throw Error(ErrorCode::InvalidArgument, table.describe() + " has no usable index " + std::to_string(index));
  }
  return table.indexes[index];
}

RealIndexInfo describe(const Table::Impl& table, const IndexDef& def) {
  if (IndexTrees* trees = indexTreesOf(*table.db)) return trees->indexesOf(table)[def.realIndex];
  return describeRealIndexes(table)[def.realIndex];
}

bool startsWith(std::span<const std::uint8_t> bytes, const std::vector<std::uint8_t>& head) {
  // An empty head (no prefix) may have no storage at all: memcmp must not see it.
  return head.empty() || (bytes.size() >= head.size() && std::memcmp(bytes.data(), head.data(), head.size()) == 0);
}

}  // namespace

std::string IndexRange::unsupportedReason(const Table& table, std::size_t index) {
  const Table::Impl& t = table.impl();
  const IndexDef& def = indexAt(t, index);
  RealIndexInfo info = describe(t, def);
  return info.unsupported;
}

IndexRange::IndexRange(const Table& table, std::size_t index)
    : table_(table.impl()), def_(indexAt(table_, index)), info_(describe(table_, def_)) {
  if (!info_.unsupported.empty()) {
    throw Error(ErrorCode::Unsupported, "Cannot search index '" + toUtf8(def_.name) + "' of " + table_.describe() +
                                            ": " + info_.unsupported);
  }
  DatabaseContext& db = *table_.db;
  IndexTrees* trees = indexTreesOf(db);
  if (!trees) ownCache_ = std::make_unique<IndexPageCache>(*db.pager, indexPageFormatFor(*db.version), kOwnCachePages);
  tree_ = std::make_unique<BTree>(trees ? trees->cache(db) : *ownCache_, info_.root, table_.definition.firstPage,
                                  info_.description);
}

IndexRange::~IndexRange() = default;

std::vector<std::size_t> IndexRange::columns() const {
  std::vector<std::size_t> out;
  for (const KeyColumn& c : info_.keyColumns) out.push_back(c.rowPosition);
  return out;
}

bool IndexRange::ascending(std::size_t keyColumn) const { return info_.keyColumns.at(keyColumn).ascending; }

std::vector<std::uint8_t> IndexRange::item(const Value& value, std::size_t keyColumn) const {
  std::vector<std::uint8_t> out;
  appendKeyColumn(value, info_.keyColumns.at(keyColumn), out);
  return out;
}

bool IndexRange::seek(const std::vector<Value>& prefix, const std::optional<KeyBound>& low,
                      const std::optional<KeyBound>& high) {
  cursor_.reset();
  started_ = false;
  prefix_.clear();
  hasRangeColumn_ = low.has_value() || high.has_value();
  const std::size_t k = prefix.size();
  if (k + (hasRangeColumn_ ? 1 : 0) > info_.keyColumns.size()) {
    throw Error(ErrorCode::InvalidArgument, "A range of " + info_.description + " needs 1 to " +
                                                std::to_string(info_.keyColumns.size()) + " columns");
  }
  for (std::size_t i = 0; i < k; ++i) {
    if (prefix[i].isNull()) return false;
    appendKeyColumn(prefix[i], info_.keyColumns[i], prefix_);
  }
  std::vector<std::uint8_t> start = prefix_;
  if (hasRangeColumn_) {
    const bool asc = info_.keyColumns[k].ascending;
    // In key order a descending column's values run from the highest down.
    const std::optional<KeyBound>& keyLow = asc ? low : high;
    const std::optional<KeyBound>& keyHigh = asc ? high : low;
    if ((keyLow && keyLow->value.isNull()) || (keyHigh && keyHigh->value.isNull())) return false;
    from_ = keyLow ? item(keyLow->value, k) : std::vector<std::uint8_t>{asc ? kKeyAscendingValue : kKeyDescendingValue};
    fromExclusive_ = keyLow && !keyLow->inclusive;
    to_ = keyHigh ? item(keyHigh->value, k) : std::vector<std::uint8_t>{};
    toExclusive_ = keyHigh && !keyHigh->inclusive;
    nullFlag_ = asc ? kKeyAscendingNull : kKeyDescendingNull;
    start.insert(start.end(), from_.begin(), from_.end());
  }
  cursor_.emplace(tree_->seek(start, RowId{0}));
  return true;
}

bool IndexRange::inside(std::span<const std::uint8_t> key) const {
  const auto rest = key.subspan(prefix_.size());
  if (rest.empty() || rest[0] == nullFlag_) return false;
  if (to_.empty()) return true;
  const std::size_t n = std::min(rest.size(), to_.size());
  int c = std::memcmp(rest.data(), to_.data(), n);
  if (c == 0 && rest.size() < to_.size()) c = -1;
  return c < 0 || (c == 0 && !toExclusive_);
}

bool IndexRange::next() {
  if (!cursor_) return false;
  if (started_) cursor_->next();
  started_ = true;
  while (!cursor_->atEnd()) {
    const auto key = cursor_->key();
    if (!startsWith(key, prefix_)) break;
    if (hasRangeColumn_) {
      if (fromExclusive_ && startsWith(key.subspan(prefix_.size()), from_)) {
        cursor_->next();
        continue;
      }
      if (!inside(key)) break;
    }
    row_ = cursor_->row();
    return true;
  }
  cursor_.reset();
  return false;
}

}  // namespace jet
