// SchemaPlan: what a migration carries from a Jet database, independent of
// the target: each table's columns with their rules, its primary key, unique
// and plain indexes and its enforced relationships as foreign keys, plus a
// list of what is not carried and why. Built from the engine's public
// definitions (jet::ColumnDef, jet::IndexDef); the dialects print it as DDL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/table.h"

namespace qbmigrate {

// A key or index over some of a table's columns (positions in its columns).
struct KeyPlan {
  std::string name;  // the Jet index name, UTF-8
  std::vector<std::size_t> columns;
  std::vector<bool> descending;  // per column
  bool ignoreNulls = false;      // rows whose key is all Null are left out of the index
  bool referenced = false;       // a foreign key of some table refers to these columns
};

struct ForeignKeyPlan {
  std::string name;  // the relationship's name (its referencing index), UTF-8
  std::vector<std::size_t> columns;
  std::string referencedTable;
  std::vector<std::size_t> referencedColumns;  // positions in the referenced table
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  bool cascadeNull = false;  // deleting the parent sets the key to Null
};

struct TablePlan {
  std::string name;                       // UTF-8
  std::shared_ptr<jet::Table> source;     // to read the rows from
  std::vector<jet::ColumnDef> columns;    // in the table's order
  std::vector<std::string> columnNames;   // UTF-8, same order
  std::vector<KeyPlan> primaryKey;        // zero or one
  std::vector<KeyPlan> uniqueKeys;
  std::vector<KeyPlan> indexes;           // plain indexes, foreign-key indexes included
  std::vector<ForeignKeyPlan> foreignKeys;
  std::uint32_t autoNumberCounter = 0;    // the last number the autonumber gave out
  int autoNumberColumn = -1;              // position of the long autonumber, -1 when none
};

struct SchemaPlan {
  std::vector<TablePlan> tables;        // in the table list's order
  std::vector<std::string> notCarried;  // for people: what is left behind and why
};

// Plans the migration of the user tables of `db` (all of them when `only` is
// empty; else those named, any case). Throws jet::Error (NotFound) for a name
// in `only` that is no local table.
SchemaPlan planSchema(jet::Database& db, const std::vector<std::u16string>& only = {});

}  // namespace qbmigrate
