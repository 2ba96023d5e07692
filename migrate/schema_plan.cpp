// Planning a migration from the engine's table and index definitions.
#include "migrate/schema_plan.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"

namespace qbmigrate {

namespace {

constexpr std::int16_t kLocalTable = 1;
constexpr std::int16_t kLinkedTable = 4;
constexpr std::int16_t kLinkedOdbcTable = 6;

std::string tableNameOfPage(const jet::Database& db, std::uint32_t page) {
  for (const jet::CatalogObject& object : db.catalog()) {
    if (object.type == kLocalTable && static_cast<std::uint32_t>(object.id) == page) return jet::toUtf8(object.name);
  }
  return {};
}

KeyPlan keyOf(const jet::IndexDef& index) {
  KeyPlan key;
  key.name = jet::toUtf8(index.name);
  key.ignoreNulls = index.ignoreNulls;
  for (const jet::IndexColumn& c : index.columns) {
    key.columns.push_back(c.column);
    key.descending.push_back(!c.ascending);
  }
  return key;
}

bool columnsValid(const jet::IndexDef& index, const jet::Table& table) {
  return !index.columns.empty() && std::all_of(index.columns.begin(), index.columns.end(), [&](const jet::IndexColumn& c) {
    return c.column < table.columns().size();
  });
}

TablePlan* findPlan(SchemaPlan& plan, const std::string& name) {
  for (TablePlan& t : plan.tables) {
    if (jet::equalNamesNoCase(jet::fromUtf8(t.name), jet::fromUtf8(name))) return &t;
  }
  return nullptr;
}

// The primary key or unique key of `table` over exactly `columns`, or nullptr.
KeyPlan* uniqueKeyOver(TablePlan& table, const std::vector<std::size_t>& columns) {
  for (auto* keys : {&table.primaryKey, &table.uniqueKeys}) {
    for (KeyPlan& key : *keys) {
      if (key.columns == columns) return &key;
    }
  }
  return nullptr;
}

std::string qualified(const TablePlan& table, std::size_t column) {
  return table.name + "." + table.columnNames[column];
}

void planTable(TablePlan& plan, const jet::Table& table, std::vector<std::string>& notCarried) {
  plan.name = jet::toUtf8(table.name());
  plan.columns = table.columns();
  plan.autoNumberCounter = table.autoNumberCounter();
  for (std::size_t i = 0; i < plan.columns.size(); ++i) {
    const jet::ColumnDef& c = plan.columns[i];
    plan.columnNames.push_back(jet::toUtf8(c.name));
    if (c.autoNumber && c.type == jet::DataType::Long && plan.autoNumberColumn < 0) {
      plan.autoNumberColumn = static_cast<int>(i);
    }
    if (!c.validationRule.empty()) {
      notCarried.push_back("validation rule " + jet::toUtf8(c.validationRule) + " of " + qualified(plan, i) +
                           ": Access expressions are not translated into CHECK constraints");
    }
  }
  for (const jet::IndexDef& index : table.indexes()) {
    if (index.foreignKey) continue;  // relationships are planned once every table is known
    if (!columnsValid(index, table)) {
      notCarried.push_back("index " + jet::toUtf8(index.name) + " of " + plan.name +
                           ": it names a column the table does not have");
      continue;
    }
    KeyPlan key = keyOf(index);
    if (!index.primaryKey && !index.unique) {
      plan.indexes.push_back(std::move(key));
      continue;
    }
    if (index.primaryKey) {
      plan.primaryKey.push_back(std::move(key));
    } else {
      plan.uniqueKeys.push_back(std::move(key));
    }
  }
  // Jet files often carry a plain index beside a key over the same columns
  // (an "ID" index beside the primary key); in the target it would only cost.
  std::erase_if(plan.indexes, [&](const KeyPlan& index) {
    const KeyPlan* key = uniqueKeyOver(plan, index.columns);
    return key && key->descending == index.descending;
  });
}

// Enforced relationships: the referencing side's foreign-key index names the
// referenced table (by definition page) and its index (by logical number).
void planForeignKeys(jet::Database& db, SchemaPlan& plan) {
  for (TablePlan& table : plan.tables) {
    for (const jet::IndexDef& index : table.source->indexes()) {
      if (!index.foreignKey || index.referencedSide) continue;
      const std::string name = jet::toUtf8(index.name);
      const std::string parentName = tableNameOfPage(db, index.relatedTablePage);
      TablePlan* parent = parentName.empty() ? nullptr : findPlan(plan, parentName);
      if (!parent) {
        plan.notCarried.push_back("relationship " + name + " of " + table.name + ": the table it refers to (" +
                                  (parentName.empty() ? "unknown" : parentName) + ") is not migrated");
        continue;
      }
      const auto& parentIndexes = parent->source->indexes();
      const auto parentIndex = std::find_if(parentIndexes.begin(), parentIndexes.end(), [&](const jet::IndexDef& i) {
        return static_cast<std::int32_t>(i.number) == index.relatedIndexNumber;
      });
      if (parentIndex == parentIndexes.end() || !columnsValid(*parentIndex, *parent->source) ||
          !columnsValid(index, *table.source) || parentIndex->columns.size() != index.columns.size()) {
        plan.notCarried.push_back("relationship " + name + " of " + table.name +
                                  ": its index in " + parent->name + " cannot be found");
        continue;
      }
      ForeignKeyPlan fk;
      fk.name = name;
      fk.referencedTable = parent->name;
      for (const jet::IndexColumn& c : index.columns) fk.columns.push_back(c.column);
      for (const jet::IndexColumn& c : parentIndex->columns) fk.referencedColumns.push_back(c.column);
      fk.cascadeUpdates = index.cascadeUpdates;
      fk.cascadeDeletes = index.cascadeDeletes;
      fk.cascadeNull = index.cascadeNull;
      KeyPlan* key = uniqueKeyOver(*parent, fk.referencedColumns);
      if (!key) {
        plan.notCarried.push_back("relationship " + name + " of " + table.name + ": the columns it refers to in " +
                                  parent->name + " are not a primary key or unique index");
        continue;
      }
      key->referenced = true;
      // Jet keeps an index on the referencing columns; so does the target,
      // unless the table already has one over the same columns.
      const bool indexed = std::any_of(table.indexes.begin(), table.indexes.end(),
                                       [&](const KeyPlan& k) { return k.columns == fk.columns; }) ||
                           uniqueKeyOver(table, fk.columns) != nullptr;
      if (!indexed) table.indexes.push_back(keyOf(index));
      table.foreignKeys.push_back(std::move(fk));
    }
  }
}

// Relationships Access does not enforce exist only as rows of MSysRelationships;
// a foreign key would refuse rows Access accepts, so they are listed, not carried.
void listUnenforcedRelationships(jet::Database& db, SchemaPlan& plan) {
  constexpr std::int32_t kNoIntegrity = 0x2;
  std::shared_ptr<jet::Table> relationships;
  try {
    relationships = db.table(u"MSysRelationships");
  } catch (const jet::Error&) {
    return;
  }
  const int nameColumn = relationships->findColumn(u"szRelationship");
  const int childColumn = relationships->findColumn(u"szObject");
  const int parentColumn = relationships->findColumn(u"szReferencedObject");
  const int flagsColumn = relationships->findColumn(u"grbit");
  if (nameColumn < 0 || childColumn < 0 || parentColumn < 0 || flagsColumn < 0) return;
  std::vector<std::string> seen;
  relationships->scan([&](jet::RowId, const std::vector<jet::Value>& row) {
    const jet::Value& flags = row[static_cast<std::size_t>(flagsColumn)];
    const jet::Value& name = row[static_cast<std::size_t>(nameColumn)];
    if (flags.kind() != jet::ValueKind::Long || (flags.asLong() & kNoIntegrity) == 0) return true;
    if (name.kind() != jet::ValueKind::Text) return true;
    const std::string text = jet::toUtf8(name.asText());
    if (std::find(seen.begin(), seen.end(), text) != seen.end()) return true;
    seen.push_back(text);
    auto textOf = [&](int column) {
      const jet::Value& v = row[static_cast<std::size_t>(column)];
      return v.kind() == jet::ValueKind::Text ? jet::toUtf8(v.asText()) : std::string("?");
    };
    const std::string child = textOf(childColumn);
    if (!findPlan(plan, child)) return true;
    plan.notCarried.push_back("relationship " + text + " between " + textOf(parentColumn) + " and " + child +
                              ": Access does not enforce it, so it is not made a foreign key");
    return true;
  });
}

}  // namespace

SchemaPlan planSchema(jet::Database& db, const std::vector<std::u16string>& only) {
  SchemaPlan plan;
  std::vector<std::u16string> names;
  if (only.empty()) {
    for (const jet::TableListEntry& entry : db.listTables(false)) {
      if (entry.kind == jet::TableKind::Table) names.push_back(entry.name);
    }
    for (const jet::CatalogObject& object : db.catalog()) {
      if (object.type == kLinkedTable || object.type == kLinkedOdbcTable) {
        plan.notCarried.push_back("linked table " + jet::toUtf8(object.name) + ": its rows live in " +
                                  (object.linkedDatabase.empty() ? std::string("another database")
                                                                 : jet::toUtf8(object.linkedDatabase)));
      }
    }
  } else {
    for (const std::u16string& name : only) {
      if (!db.hasTable(name)) {
        throw jet::Error(jet::ErrorCode::NotFound, "The database has no table \"" + jet::toUtf8(name) + "\"");
      }
      names.push_back(name);
    }
  }
  for (const std::u16string& name : names) {
    TablePlan table;
    table.source = db.table(name);
    if (table.source->isSystem()) {
      throw jet::Error(jet::ErrorCode::InvalidArgument,
                       "\"" + jet::toUtf8(name) + "\" is a system table; only user tables are migrated");
    }
    if (findPlan(plan, jet::toUtf8(table.source->name()))) continue;  // named twice
    planTable(table, *table.source, plan.notCarried);
    plan.tables.push_back(std::move(table));
  }
  planForeignKeys(db, plan);
  listUnenforcedRelationships(db, plan);
  return plan;
}

}  // namespace qbmigrate
