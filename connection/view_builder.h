// Building a dataset's view from its source: the rows that pass a filter, the
// rows in a sort order, and the first row whose value matches a Locate. Each
// reads only the columns it needs, row by row in the order given.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "connection/row_source.h"
#include "jet/expression.h"
#include "jet/table.h"

namespace qb {

// The rows of `rows` (kept in their order) for which the filter is True.
std::vector<jet::RowId> filterRows(RowSource& source, std::span<const jet::RowId> rows,
                                   const jet::Filter& filter);

// `rows` ordered by `keys`: text in Jet's text order, numbers and dates by
// value, True before False, Null first in an ascending key and last in a
// descending one; rows that compare equal keep their order in `rows`.
std::vector<jet::RowId> sortRows(RowSource& source, std::span<const jet::RowId> rows,
                                 std::span<const jet::SortKey> keys);

// What Locate compares a column's values with.
struct LocateTarget {
  std::size_t column = 0;
  jet::Value value;              // Text for text columns, else the column's type
  bool text = false;             // compare as text (Text and Memo columns)
  bool caseInsensitive = false;  // text only
  bool partial = false;          // text only: the value is a prefix
};

// Whether one value matches the target.
bool locateMatches(const jet::Value& value, const LocateTarget& target);

// Position in `rows` of the first row whose value matches, or nullopt.
std::optional<std::size_t> findFirstMatch(RowSource& source, std::span<const jet::RowId> rows,
                                          const LocateTarget& target);

}  // namespace qb
