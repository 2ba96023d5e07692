// Creating and dropping indexes of an existing table: the definition gains or
// loses its blocks (every other byte kept), a new index gets an empty root and
// a usage map and is then filled from the table's rows by the B-tree code; a
// dropped real index gives its pages back.
#include <algorithm>

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

// The user table `name`, ready to have its definition changed.
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

// The stored logical buffer of a definition, cut to its length.
std::vector<std::uint8_t> storedDefinition(Pager& pager, const TableDefinition& def) {
  std::vector<std::uint8_t> buffer = readTableDefinitionBuffer(pager, def.firstPage);
  if (def.length <= buffer.size()) buffer.resize(def.length);
  return buffer;
}

}  // namespace

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
  std::uint32_t number = 0;
  for (const LogicalIndexDefinition& l : def.logicalIndexes) number = std::max(number, l.number + 1);
  RealIndexDefinition real;
  LogicalIndexDefinition logical;
  layoutIndex(def, spec, number, real, logical);
  logical.realIndex = static_cast<std::uint32_t>(def.realIndexes.size());

  DatabaseContext& ctx = *db.context;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  WriteScope scope(ctx);
  real.usageMap = UsageMapWriter(pager, v).create(def.ownedPages.page());
  real.rootPage = createEmptyIndexRoot(pager, v, def.firstPage, real.usageMap);
  std::vector<std::uint32_t> pages = def.pages;
  storeTableDefinition(pager, pages, addIndexToDefinition(storedDefinition(pager, def), logical, &real, v, *ctx.text), v);
  t.reload();
  ctx.indexes->buildIndex(t, t.definition.realIndexes.size() - 1);
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
  const bool shared = std::count_if(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                                    [&](const LogicalIndexDefinition& l) { return l.realIndex == logical.realIndex; }) > 1;
  const std::size_t position = static_cast<std::size_t>(it - def.logicalIndexes.begin());

  DatabaseContext& ctx = *db.context;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  WriteScope scope(ctx);
  if (!shared && logical.realIndex < def.realIndexes.size()) {
    freeIndexPages(pager, v, def.firstPage, def.realIndexes[logical.realIndex]);
  }
  std::vector<std::uint32_t> pages = def.pages;
  storeTableDefinition(pager, pages, removeIndexFromDefinition(storedDefinition(pager, def), position, !shared, v), v);
  t.reload();
  scope.commit();
}

}  // namespace jet
