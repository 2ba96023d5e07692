// What the B-tree code needs to know about each real index of a table: where
// its tree and usage map are, the rules it enforces (unique, required, ignore
// nulls, taking a primary key that uses it into account), how to build its keys
// from a row, and whether those keys can be built at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/index_key.h"
#include "table/table_impl.h"

namespace jet {

struct RealIndexInfo {
  std::size_t number = 0;  // position in the definition's real indexes
  std::uint32_t root = 0;
  RowId usageMap;
  std::string description;  // "index 'PrimaryKey' of table 'Orders'"
  std::string name;         // the index's name as users know it
  bool unique = false;      // no two rows with the same key (all-null keys excepted)
  bool required = false;    // no key column may be null
  bool ignoreNulls = false; // rows whose key columns are all null get no entry
  // Key columns with rowPosition = position in Table::columns().
  std::vector<KeyColumn> keyColumns;
  // Why keys of this index cannot be built (a text column in a sort order the
  // engine has no table for, a column the table lacks); empty when they can.
  std::string unsupported;
  // Built when `unsupported` is empty.
  std::optional<IndexKeyEncoder> encoder;
};

// Every real index of the table, in definition order.
std::vector<RealIndexInfo> describeRealIndexes(const Table::Impl& table);

}  // namespace jet
