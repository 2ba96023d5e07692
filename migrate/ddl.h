// The DDL of a migration in one target dialect, split by when it runs: the
// tables first (columns with their rules; SQLite: also the primary and
// foreign keys, which it cannot add later), then the rows, then each table's
// keys and indexes, then (PostgreSQL) the foreign keys — the fast load order.
//
// Text keys are case-insensitive as in Jet. PostgreSQL: a unique index over
// lower() of the text columns (beside the primary key constraint, and beside
// a plain UNIQUE constraint when a foreign key refers to it). SQLite: text
// columns are declared COLLATE NOCASE (which folds ASCII letters only).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "migrate/schema_plan.h"
#include "migrate/sql_text.h"
#include "migrate/target.h"

namespace qbmigrate {

struct TableDdl {
  std::string sourceName;                // the table's name in the source, UTF-8
  std::string targetName;                // the name in the target, unquoted (PostgreSQL: at most 63 bytes)
  std::string qualifiedName;             // quoted, with the schema for PostgreSQL
  std::vector<std::string> columnNames;  // quoted, in the table's column order
  std::string drop;                      // DROP TABLE IF EXISTS ...
  std::string create;
  std::vector<std::string> afterLoad;    // keys and indexes
  std::vector<std::string> counters;     // SQLite: where AUTOINCREMENT goes on
};

struct Ddl {
  Dialect dialect = Dialect::PostgreSQL;
  std::string schema;                    // PostgreSQL only
  std::vector<std::string> before;       // CREATE SCHEMA
  std::vector<TableDdl> tables;          // in the plan's order
  std::vector<std::string> foreignKeys;  // PostgreSQL: once every table is loaded
  std::vector<std::string> notCarried;   // what this dialect cannot carry, for people
  std::vector<std::string> renamed;      // names shortened to fit the target, for people
};

struct DdlOptions {
  std::string schema = "public";  // PostgreSQL
};

Ddl buildDdl(const SchemaPlan& plan, Dialect dialect, const DdlOptions& options = {});

struct ViewPlan;

// The whole DDL as one script for people to review: what is not carried as
// comments, then every statement in the order a migration runs them.
std::string ddlScript(const SchemaPlan& plan, const Ddl& ddl, const std::vector<ViewPlan>& views);

}  // namespace qbmigrate
