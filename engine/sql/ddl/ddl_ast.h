// Data-definition statements as parsed: CREATE TABLE with its columns and
// constraints, ALTER TABLE, CREATE INDEX, DROP INDEX and DROP TABLE. Names are
// as written (unresolved); the executor checks them against the database.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "jet/database_types.h"

namespace jet::sql::ddl {

// What happens to referencing rows when their referenced row changes.
enum class ReferentialAction : std::uint8_t { None, Cascade, SetNull };

// PRIMARY KEY, UNIQUE, NOT NULL or FOREIGN KEY ... REFERENCES, on one column
// (written after it) or on a list of them (a table constraint).
struct Constraint {
  enum class Kind : std::uint8_t { PrimaryKey, Unique, NotNull, ForeignKey };
  Kind kind = Kind::PrimaryKey;
  std::u16string name;  // CONSTRAINT name; empty when the statement gives none
  std::vector<std::u16string> columns;
  // Foreign keys: the referenced table and its columns (empty: its primary key).
  std::u16string referencedTable;
  std::vector<std::u16string> referencedColumns;
  ReferentialAction onUpdate = ReferentialAction::None;
  ReferentialAction onDelete = ReferentialAction::None;
  std::size_t position = 0;
};

struct ColumnDefinition {
  ColumnSpec spec;                    // name, type, size, NOT NULL, WITH COMPRESSION, counter
  std::optional<std::int32_t> seed;   // COUNTER(seed, step)
  std::optional<std::int32_t> step;
  std::u16string defaultValue;        // the DEFAULT expression as written; empty: none
  std::vector<Constraint> constraints;  // PRIMARY KEY, UNIQUE, REFERENCES written after the column
  std::size_t position = 0;
};

struct CreateTable {
  std::u16string table;
  std::vector<ColumnDefinition> columns;
  std::vector<Constraint> constraints;
};

struct AlterTable {
  enum class Op : std::uint8_t { AddColumn, DropColumn, AlterColumn, AddConstraint, DropConstraint };
  Op op = Op::AddColumn;
  std::u16string table;
  ColumnDefinition column;  // AddColumn, AlterColumn
  Constraint constraint;    // AddConstraint
  std::u16string name;      // DropColumn, DropConstraint: what is dropped
};

struct CreateIndex {
  std::u16string table;
  IndexSpec index;  // name, columns, unique; WITH PRIMARY / DISALLOW NULL / IGNORE NULL
};

struct DropIndex {
  std::u16string table;
  std::u16string index;
};

struct DropTable {
  std::u16string table;
};

using Definition = std::variant<CreateTable, AlterTable, CreateIndex, DropIndex, DropTable>;

// One data-definition statement: its body and where it starts in the text.
struct DataDefinitionStatement {
  Definition body;
  std::size_t position = 0;
};

}  // namespace jet::sql::ddl
