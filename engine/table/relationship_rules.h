// Enforced relationships as the row writer's rules see them. A relationship
// whose integrity is enforced leaves a foreign-key index in each of its two
// tables: the referencing table's index holds the foreign-key columns, the
// referenced table's index (usually sharing the primary key's B-tree) the
// columns they refer to, and each names the other. Relationships that are not
// enforced exist only as rows of MSysRelationships and impose no rule.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "table/table_impl.h"

namespace jet {

struct RelationshipRule {
  std::u16string name;  // the relationship's name: its referencing index's name

  // Each side: its table, the position of its foreign-key index in the table's
  // indexes(), and the key columns (positions in columns()), pairwise in key
  // order.
  std::shared_ptr<Table> referencing;
  std::size_t referencingIndex = 0;
  std::vector<std::size_t> referencingColumns;
  std::shared_ptr<Table> referenced;
  std::size_t referencedIndex = 0;
  std::vector<std::size_t> referencedColumns;

  bool cascadeUpdates = false;  // re-keying a referenced row changes its referencing rows
  bool cascadeDeletes = false;  // deleting a referenced row deletes its referencing rows
  bool cascadeNull = false;     // ... or sets their foreign key to Null
};

// The local table whose definition starts at `page`, opened through the
// database that owns `context`. NotFound when the catalog has no such table.
std::shared_ptr<Table> tableAtPage(DatabaseContext& context, std::uint32_t page);

// Every enforced relationship `table` takes part in, on either side (a table
// that refers to itself gives one rule). Corruption when a foreign-key index
// names a table or an index that does not exist.
std::vector<RelationshipRule> relationshipRulesOf(const Table::Impl& table);

// A key for messages: "CustomerID = 5" or "(A, B) = (1, 'x')".
std::string describeRelationshipKey(const Table::Impl& table, const std::vector<std::size_t>& columns,
                                    const std::vector<Value>& key);

}  // namespace jet
