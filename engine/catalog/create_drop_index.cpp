// Creating and dropping indexes of an existing table: the definition gains or
// loses its blocks (every other byte kept), a new index gets an empty root and
// a usage map and is then filled from the table's rows by the B-tree code; a
// dropped real index gives its pages back.
#include <algorithm>
#include <optional>

#include "catalog/index_changes.h"

#include "catalog/database_impl.h"
#include "catalog/new_table_layout.h"
#include "catalog/schema_catalog_rows.h"
#include "catalog/schema_object_pages.h"
#include "format/table_definition.h"
#include "format/table_definition_format.h"
#include "format/table_definition_writer.h"
#include "format/usage_map_writer.h"
#include "index/index_maintenance.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

namespace {

// The stored logical buffer of a definition, cut to its length.
std::vector<std::uint8_t> storedDefinition(Pager& pager, const TableDefinition& def) {
  std::vector<std::uint8_t> buffer = readTableDefinitionBuffer(pager, def.firstPage);
  if (def.length <= buffer.size()) buffer.resize(def.length);
  return buffer;
}

}  // namespace

Table::Impl& tableToChange(Database::Impl& db, std::u16string_view name, const char* what) {
  requireWritable(*db.context);
  Table::Impl& t = db.table(name)->impl();
  if (t.system) {
    throw Error(ErrorCode::InvalidArgument, std::string("Cannot ") + what + " of " + t.describe() +
                                                ": it is a system table the database needs");
  }
  const std::string reason = t.readOnlyReason();
  if (!reason.empty()) {
    throw Error(ErrorCode::ReadOnly, std::string("Cannot ") + what + " of " + t.describe() + ": it is read-only (" +
                                         reason + ")");
  }
  return t;
}

std::uint32_t nextLogicalIndexNumber(const TableDefinition& def) {
  std::uint32_t number = 0;
  for (const LogicalIndexDefinition& l : def.logicalIndexes) number = std::max(number, l.number + 1);
  return number;
}

void addIndexToTable(Table::Impl& t, LogicalIndexDefinition logical, const RealIndexDefinition* real) {
  DatabaseContext& ctx = *t.db;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  const TableDefinition& def = t.definition;
  std::optional<RealIndexDefinition> added;
  if (real) {
    added = *real;
    logical.realIndex = static_cast<std::uint32_t>(def.realIndexes.size());
    added->usageMap = UsageMapWriter(pager, v).create(def.ownedPages.page());
    added->rootPage = createEmptyIndexRoot(pager, v, def.firstPage, added->usageMap);
  }
  std::vector<std::uint32_t> pages = def.pages;
  storeTableDefinition(pager, pages,
                       addIndexToDefinition(storedDefinition(pager, def), logical, added ? &*added : nullptr, v,
                                            *ctx.text),
                       v);
  t.reload();
  if (added) ctx.indexes->buildIndex(t, t.definition.realIndexes.size() - 1);
}

void removeIndexFromTable(Table::Impl& t, std::size_t position) {
  DatabaseContext& ctx = *t.db;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  const TableDefinition& def = t.definition;
  const LogicalIndexDefinition& logical = def.logicalIndexes.at(position);
  const bool shared = std::count_if(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                                    [&](const LogicalIndexDefinition& l) { return l.realIndex == logical.realIndex; }) > 1;
  if (!shared && logical.realIndex < def.realIndexes.size()) {
    freeIndexPages(pager, v, def.firstPage, def.realIndexes[logical.realIndex]);
  }
  std::vector<std::uint32_t> pages = def.pages;
  storeTableDefinition(pager, pages, removeIndexFromDefinition(storedDefinition(pager, def), position, !shared, v), v);
  t.reload();
}

void Database::createIndex(std::u16string_view tableName, const IndexSpec& spec) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "add an index to the table");
  const TableDefinition& def = t.definition;
  for (const LogicalIndexDefinition& l : def.logicalIndexes) {
    if (equalNamesNoCase(l.name, spec.name)) {
      throw Error(ErrorCode::InvalidArgument,
                  "Cannot create the index '" + toUtf8(spec.name) + "': " + t.describe() + " has one of that name");
    }
    if (spec.primaryKey && l.kind == kIndexKindPrimaryKey) {
      throw Error(ErrorCode::InvalidArgument, "Cannot create the primary key '" + toUtf8(spec.name) + "': " +
                                                  t.describe() + " has one already ('" + toUtf8(l.name) + "')");
    }
  }
  RealIndexDefinition real;
  LogicalIndexDefinition logical;
  layoutIndex(def, spec, nextLogicalIndexNumber(def), real, logical);
  WriteScope scope(*db.context);
  addIndexToTable(t, logical, &real);
  scope.commit();
}

void Database::dropIndex(std::u16string_view tableName, std::u16string_view indexName) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "drop an index");
  const TableDefinition& def = t.definition;
  const auto it = std::find_if(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                               [&](const LogicalIndexDefinition& l) { return equalNamesNoCase(l.name, indexName); });
  if (it == def.logicalIndexes.end()) {
    throw Error(ErrorCode::NotFound,
                "Cannot drop the index '" + toUtf8(indexName) + "': " + t.describe() + " has no index of that name");
  }
  const LogicalIndexDefinition& logical = *it;
  if (logical.kind == kIndexKindForeignKey ||
      (logical.kind == kIndexKindPrimaryKey && !relationshipsOf(db, t.name, true).empty())) {
    throw Error(ErrorCode::Constraint, "Cannot drop the index '" + toUtf8(logical.name) + "' of " + t.describe() +
                                           ": a relationship relies on it; delete the relationship first");
  }
  const std::size_t position = static_cast<std::size_t>(it - def.logicalIndexes.begin());
  WriteScope scope(*db.context);
  removeIndexFromTable(t, position);
  scope.commit();
}

}  // namespace jet
