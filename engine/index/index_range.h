// IndexRange: the row locators of one logical index whose key lies in a range,
// in index order, for the query executor's index seeks and index joins.
//
// A range is given in values: equal values for the first columns of the index
// (the prefix), then optionally a lower and an upper bound on the next column.
// Bounds are in the column's own value order; for a descending column the
// reader turns them around. Nulls never fall inside a range (a bound-less side
// stops at the column's first or last non-null key).
//
// Keys of text are General sort keys: every text equal to a bound without
// regard to case is inside the range, and so can be a text that only the key
// cannot tell apart (one that differs past its 255th character, say). Callers
// check such rows against their condition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "index/btree.h"
#include "index/real_index_info.h"
#include "table/table_impl.h"

namespace jet {

struct KeyBound {
  Value value;
  bool inclusive = true;
};

class IndexRange {
 public:
  // Over logical index `index` of the table. Unsupported when the index keys
  // cannot be built (a sort order the engine has no table for).
  IndexRange(const Table& table, std::size_t index);
  ~IndexRange();
  IndexRange(const IndexRange&) = delete;
  IndexRange& operator=(const IndexRange&) = delete;

  // Why this index cannot be searched; empty when it can.
  static std::string unsupportedReason(const Table& table, std::size_t index);

  // Positions in Table::columns() of the index's columns, in key order.
  std::vector<std::size_t> columns() const;
  bool ascending(std::size_t keyColumn) const;

  // Starts a walk over the entries whose first prefix.size() columns equal
  // `prefix` and whose next column lies between the bounds (no prefix and no
  // bounds: every entry, in index order). Values must already have their
  // column's value kind (Null is allowed and matches no entry). Returns false
  // when nothing can lie in the range.
  bool seek(const std::vector<Value>& prefix, const std::optional<KeyBound>& low,
            const std::optional<KeyBound>& high);
  // The next entry in the range; false after the last.
  bool next();
  RowId row() const { return row_; }

 private:
  bool inside(std::span<const std::uint8_t> key) const;
  std::vector<std::uint8_t> item(const Value& value, std::size_t keyColumn) const;

  const Table::Impl& table_;
  const IndexDef& def_;
  RealIndexInfo info_;
  std::unique_ptr<IndexPageCache> ownCache_;
  std::unique_ptr<BTree> tree_;
  std::optional<BTreeCursor> cursor_;
  bool started_ = false;
  // The walk: entries start with prefix_; the item after it (the range
  // column's) is at least from_ (or above it when fromExclusive_) and at most
  // to_ (or below it); an empty to_ means "up to the column's last value".
  std::vector<std::uint8_t> prefix_;
  std::vector<std::uint8_t> from_;
  bool fromExclusive_ = false;
  std::vector<std::uint8_t> to_;
  bool toExclusive_ = false;
  bool hasRangeColumn_ = false;
  std::uint8_t nullFlag_ = 0;  // the range column's null flag byte
  RowId row_;
};

}  // namespace jet
