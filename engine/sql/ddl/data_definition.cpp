// Data definition carried out through the engine's schema changes: a CREATE
// TABLE becomes a TableSpec (its PRIMARY KEY and UNIQUE constraints indexes of
// it, its REFERENCES relationships made once the table exists), CREATE and
// DROP INDEX and the constraint forms of ALTER TABLE map to the index and
// relationship changes, DROP TABLE deletes the table's own relationships
// first and is refused while another table's relationship refers to it.
#include "sql/ddl/data_definition.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "sql/ddl/ddl_parser.h"
#include "sql/parser.h"

namespace jet::sql {

namespace {

using ddl::Constraint;

std::string inQuotes(std::u16string_view name) { return "'" + toUtf8(name) + "'"; }

bool hasIndexNamed(const std::vector<IndexSpec>& indexes, std::u16string_view name) {
  return std::any_of(indexes.begin(), indexes.end(), [&](const IndexSpec& i) { return equalNamesNoCase(i.name, name); });
}

// An index name for a constraint that has none: "PrimaryKey" for the primary
// key, else the first column's name, numbered when taken.
std::u16string constraintIndexName(const Constraint& k, const std::vector<IndexSpec>& taken) {
  if (!k.name.empty()) return k.name;
  const std::u16string base = k.kind == Constraint::Kind::PrimaryKey ? u"PrimaryKey" : k.columns.front();
  std::u16string name = base;
  for (int n = 1; hasIndexNamed(taken, name); ++n) name = base + fromUtf8(std::to_string(n));
  return name;
}

IndexSpec indexOf(const Constraint& k, const std::vector<IndexSpec>& taken) {
  IndexSpec spec;
  spec.name = constraintIndexName(k, taken);
  for (const std::u16string& c : k.columns) spec.columns.push_back({c, true});
  spec.primaryKey = k.kind == Constraint::Kind::PrimaryKey;
  spec.unique = true;
  spec.required = spec.primaryKey;
  return spec;
}

RelationshipSpec relationshipOf(const std::u16string& table, const Constraint& k) {
  // A Jet database keeps one "cascade to Null" rule per relationship, and it
  // is for deleted rows: MSysRelationships has a single flag for it and the
  // foreign-key index's update byte only says whether updates cascade. An
  // update rule to Null has nowhere to be kept.
  if (k.onUpdate == ddl::ReferentialAction::SetNull) {
    throw Error(ErrorCode::Unsupported, "Cannot create the relationship from " + inQuotes(table) + " to " +
                                            inQuotes(k.referencedTable) +
                                            ": ON UPDATE SET NULL cannot be kept in the database, which sets "
                                            "foreign keys to Null only for deleted rows (ON DELETE SET NULL); "
                                            "use ON UPDATE CASCADE or leave referenced keys unchanged");
  }
  RelationshipSpec r;
  r.name = k.name;
  r.table = table;
  r.columns = k.columns;
  r.referencedTable = k.referencedTable;
  r.referencedColumns = k.referencedColumns;
  r.cascadeUpdates = k.onUpdate == ddl::ReferentialAction::Cascade;
  r.cascadeDeletes = k.onDelete == ddl::ReferentialAction::Cascade;
  r.cascadeNull = k.onDelete == ddl::ReferentialAction::SetNull;
  return r;
}

// The engine's column for a column definition; `table` for messages.
ColumnSpec columnSpecOf(const ddl::ColumnDefinition& c, const std::u16string& table) {
  ColumnSpec spec = c.spec;
  if (c.step && *c.step == 0) {
    throw Error(ErrorCode::InvalidArgument, "Cannot create the column " + inQuotes(spec.name) + " of " +
                                                inQuotes(table) + ": an autonumber cannot count by 0");
  }
  spec.defaultValue = c.defaultValue;
  return spec;
}

void createTable(Database& db, const ddl::CreateTable& s) {
  TableSpec spec;
  spec.name = s.table;
  std::vector<Constraint> constraints;
  for (const ddl::ColumnDefinition& c : s.columns) {
    spec.columns.push_back(columnSpecOf(c, s.table));
    if (c.seed) spec.firstAutoNumber = *c.seed;
    if (c.step) spec.autoNumberStep = *c.step;
    constraints.insert(constraints.end(), c.constraints.begin(), c.constraints.end());
  }
  constraints.insert(constraints.end(), s.constraints.begin(), s.constraints.end());

  std::vector<const Constraint*> foreignKeys;
  for (const Constraint& k : constraints) {
    switch (k.kind) {
      case Constraint::Kind::NotNull:
        for (const std::u16string& name : k.columns) {
          const auto it = std::find_if(spec.columns.begin(), spec.columns.end(),
                                       [&](const ColumnSpec& c) { return equalNamesNoCase(c.name, name); });
          if (it == spec.columns.end()) {
            throw Error(ErrorCode::InvalidArgument, "Cannot create the table " + inQuotes(s.table) +
                                                        ": its NOT NULL constraint names the column " + inQuotes(name) +
                                                        ", which it does not have");
          }
          it->required = true;
        }
        break;
      case Constraint::Kind::PrimaryKey:
      case Constraint::Kind::Unique: {
        if (k.kind == Constraint::Kind::PrimaryKey &&
            std::any_of(spec.indexes.begin(), spec.indexes.end(), [](const IndexSpec& i) { return i.primaryKey; })) {
          throw Error(ErrorCode::InvalidArgument,
                      "Cannot create the table " + inQuotes(s.table) + ": it names a primary key twice");
        }
        IndexSpec index = indexOf(k, spec.indexes);
        if (hasIndexNamed(spec.indexes, index.name)) {
          throw Error(ErrorCode::InvalidArgument, "Cannot create the table " + inQuotes(s.table) +
                                                      ": two of its constraints are named " + inQuotes(index.name));
        }
        spec.indexes.push_back(std::move(index));
        break;
      }
      case Constraint::Kind::ForeignKey: foreignKeys.push_back(&k); break;
    }
  }
  db.createTable(spec);
  for (const Constraint* k : foreignKeys) db.createRelationship(relationshipOf(s.table, *k));
}

// The constraint named `name` of `table`: a relationship it takes part in, or
// one of its indexes.
void dropConstraint(Database& db, const std::u16string& table, const std::u16string& name) {
  for (const RelationshipSpec& r : db.relationships()) {
    if (equalNamesNoCase(r.name, name) &&
        (equalNamesNoCase(r.table, table) || equalNamesNoCase(r.referencedTable, table))) {
      db.dropRelationship(r.name);
      return;
    }
  }
  const std::shared_ptr<Table> t = db.table(table);
  const auto& indexes = t->indexes();
  if (std::none_of(indexes.begin(), indexes.end(), [&](const IndexDef& i) { return equalNamesNoCase(i.name, name); })) {
    throw Error(ErrorCode::NotFound, "Cannot drop the constraint " + inQuotes(name) + ": the table " +
                                         inQuotes(t->name()) + " has no constraint, index or relationship of that name");
  }
  db.dropIndex(table, name);
}

void addConstraint(Database& db, const std::u16string& table, const Constraint& k) {
  switch (k.kind) {
    case Constraint::Kind::PrimaryKey:
    case Constraint::Kind::Unique: {
      std::vector<IndexSpec> taken;
      for (const IndexDef& i : db.table(table)->indexes()) {
        IndexSpec s;
        s.name = i.name;
        taken.push_back(std::move(s));
      }
      db.createIndex(table, indexOf(k, taken));
      break;
    }
    case Constraint::Kind::ForeignKey: db.createRelationship(relationshipOf(table, k)); break;
    // Jet keeps no NOT NULL constraint of its own: the columns become required.
    case Constraint::Kind::NotNull: db.requireColumns(table, k.columns); break;
  }
}

void alterTable(Database& db, const ddl::AlterTable& s) {
  if (!db.hasTable(s.table)) {
    throw Error(ErrorCode::NotFound, "Cannot alter the table " + inQuotes(s.table) + ": there is no such table");
  }
  switch (s.op) {
    case ddl::AlterTable::Op::AddConstraint: addConstraint(db, s.table, s.constraint); return;
    case ddl::AlterTable::Op::DropConstraint: dropConstraint(db, s.table, s.name); return;
    case ddl::AlterTable::Op::AddColumn: {
      ColumnSpec column = columnSpecOf(s.column, s.table);
      for (const Constraint& k : s.column.constraints) {
        if (k.kind == Constraint::Kind::NotNull) column.required = true;
      }
      if (s.column.seed) {
        throw Error(ErrorCode::Unsupported, "Cannot add the column " + inQuotes(column.name) + " to " +
                                                inQuotes(s.table) +
                                                ": a counter added to a table starts after its rows' numbers; "
                                                "write COUNTER without a seed");
      }
      db.addColumn(s.table, column);
      for (const Constraint& k : s.column.constraints) {
        if (k.kind != Constraint::Kind::NotNull) addConstraint(db, s.table, k);
      }
      return;
    }
    case ddl::AlterTable::Op::DropColumn: db.dropColumn(s.table, s.name); return;
    case ddl::AlterTable::Op::AlterColumn:
      // The counter and its step belong to the table and are set when it is made.
      if (s.column.seed) {
        throw Error(ErrorCode::Unsupported, "Cannot change the column " + inQuotes(s.column.spec.name) + " of " +
                                                inQuotes(s.table) +
                                                ": a counter's first number and step are given when its table is "
                                                "created; write COUNTER without them");
      }
      db.alterColumn(s.table, columnSpecOf(s.column, s.table));
      return;
  }
}

void dropTable(Database& db, const ddl::DropTable& s) {
  // A linked table is only its catalog entry; a system table is refused; a
  // name that is no table is reported: dropTable says so.
  if (!db.hasTable(s.table) || db.table(s.table)->isSystem()) {
    db.dropTable(s.table);
    return;
  }
  // The table's own relationships go with it, and so do relationships of
  // other tables to it that are not enforced; an enforced one keeps it.
  const std::vector<RelationshipSpec> all = db.relationships();
  for (const RelationshipSpec& r : all) {
    if (r.enforced && equalNamesNoCase(r.referencedTable, s.table) && !equalNamesNoCase(r.table, s.table)) {
      throw Error(ErrorCode::Constraint, "Cannot drop the table " + inQuotes(s.table) + ": the relationship " +
                                             inQuotes(r.name) + " of the table " + inQuotes(r.table) +
                                             " refers to it; delete that relationship first (ALTER TABLE [" +
                                             toUtf8(r.table) + "] DROP CONSTRAINT [" + toUtf8(r.name) + "])");
    }
  }
  for (const RelationshipSpec& r : all) {
    if (equalNamesNoCase(r.table, s.table) || equalNamesNoCase(r.referencedTable, s.table)) db.dropRelationship(r.name);
  }
  db.dropTable(s.table);
}

void execute(Database& db, const ddl::DataDefinitionStatement& statement) {
  std::visit(
      [&](const auto& s) {
        using T = std::decay_t<decltype(s)>;
        if constexpr (std::is_same_v<T, ddl::CreateTable>) {
          createTable(db, s);
        } else if constexpr (std::is_same_v<T, ddl::AlterTable>) {
          alterTable(db, s);
        } else if constexpr (std::is_same_v<T, ddl::CreateIndex>) {
          db.createIndex(s.table, s.index);
        } else if constexpr (std::is_same_v<T, ddl::DropIndex>) {
          db.dropIndex(s.table, s.index);
        } else {
          dropTable(db, s);
        }
      },
      statement.body);
}

class DataDefinitionAction final : public Action {
 public:
  DataDefinitionAction(Database& db, ddl::DataDefinitionStatement statement)
      : db_(db), statement_(std::move(statement)) {}
  StatementKind kind() const override { return StatementKind::DataDefinition; }
  const std::vector<StatementParameter>& parameters() const override { return parameters_; }
  RunResult run(const std::vector<Value>&, const ExecuteOptions&) override {
    execute(db_, statement_);
    return {};
  }

 private:
  Database& db_;
  ddl::DataDefinitionStatement statement_;
  std::vector<StatementParameter> parameters_;
};

}  // namespace

std::unique_ptr<StatementNode> parseDataDefinition(Parser& parser) {
  return std::make_unique<DataDefinitionNode>(parseDataDefinitionStatement(parser));
}

std::unique_ptr<Action> prepareDataDefinition(Database& db, std::unique_ptr<ParsedStatement> statement) {
  if (!statement || !statement->body || statement->body->kind != StatementNodeKind::DataDefinition) {
    throw Error(ErrorCode::InvalidArgument, "Not a data-definition statement");
  }
  if (!statement->parameters.empty()) {
    throw Error(ErrorCode::Syntax, "A data-definition statement takes no PARAMETERS declaration");
  }
  auto& node = static_cast<DataDefinitionNode&>(*statement->body);
  return std::make_unique<DataDefinitionAction>(db, std::move(node.statement));
}

void runDataDefinition(Database& db, const ddl::DataDefinitionStatement& statement) {
  if (db.inTransaction()) {
    execute(db, statement);
    return;
  }
  db.beginTransaction();
  try {
    execute(db, statement);
  } catch (...) {
    db.rollbackTransaction();
    throw;
  }
  db.commitTransaction();
}

}  // namespace jet::sql
