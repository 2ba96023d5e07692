// Saved-query writer for tests: rows put into MSysObjects and MSysQueries with
// the engine's writer (system tables are written through the table internals,
// as the engine keeps its own catalog).
#include "corpus/saved_query_writer.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "catalog/database_impl.h"
#include "catalog/schema_catalog_rows.h"
#include "table/table_impl.h"
#include "jet/table.h"

namespace qbtest {

namespace {

std::size_t column(const jet::Table& t, const char16_t* name) {
  const int at = t.findColumn(name);
  if (at < 0) throw std::runtime_error("system table lacks a column");
  return static_cast<std::size_t>(at);
}

}  // namespace

void addSavedQuery(jet::Database& db, const std::u16string& name, std::uint32_t catalogFlags,
                   const std::vector<QueryRowSpec>& rows) {
  jet::Database::Impl& impl = db.impl();
  const auto& catalog = db.catalog();
  std::optional<std::size_t> model;
  // Query ids come from the 0x80000000 range (negative as Long).
  std::int32_t id = std::numeric_limits<std::int32_t>::min();
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    if (catalog[i].type != 5) continue;
    if (!model) model = i;
    id = std::max(id, catalog[i].id);
  }
  if (!model) throw std::runtime_error("the database has no saved query to copy");
  auto objects = db.table(u"MSysObjects");
  auto queries = db.table(u"MSysQueries");
  db.beginTransaction();
  std::vector<jet::Value> object = objects->readRow(impl.catalogRows[*model]);
  object[column(*objects, u"Id")] = jet::Value::longInt(id + 1);
  object[column(*objects, u"Name")] = jet::Value::text(name);
  object[column(*objects, u"Flags")] = jet::Value::longInt(static_cast<std::int32_t>(catalogFlags));
  objects->impl().insertRow(object);
  std::uint32_t order = 0;
  for (const QueryRowSpec& r : rows) {
    std::vector<jet::Value> row(queries->columns().size());
    row[column(*queries, u"ObjectId")] = jet::Value::longInt(id + 1);
    row[column(*queries, u"Attribute")] = jet::Value::byte(r.attribute);
    ++order;
    row[column(*queries, u"Order")] = jet::Value::binary(
        {static_cast<std::uint8_t>(order >> 24), static_cast<std::uint8_t>(order >> 16),
         static_cast<std::uint8_t>(order >> 8), static_cast<std::uint8_t>(order)});
    if (!r.name1.empty()) row[column(*queries, u"Name1")] = jet::Value::text(r.name1);
    if (!r.name2.empty()) row[column(*queries, u"Name2")] = jet::Value::text(r.name2);
    if (!r.expression.empty()) row[column(*queries, u"Expression")] = jet::Value::text(r.expression);
    if (r.flag) row[column(*queries, u"Flag")] = jet::Value::integer(*r.flag);
    queries->impl().insertRow(row);
  }
  db.commitTransaction();
  jet::reloadCatalog(impl);
}

void addSelectQuery(jet::Database& db, const std::u16string& name, const std::vector<std::u16string>& columns,
                    const std::u16string& source, const std::u16string& where,
                    const std::vector<std::pair<std::u16string, std::int16_t>>& parameters) {
  std::vector<QueryRowSpec> rows;
  rows.push_back({0, {}, {}, {}, 0});
  rows.push_back({1, {}, {}, {}, 1});
  for (const auto& [p, type] : parameters) rows.push_back({2, p, {}, {}, type});
  rows.push_back({3, {}, {}, {}, 0});
  rows.push_back({5, source, {}, {}, std::nullopt});
  for (const auto& c : columns) rows.push_back({6, {}, {}, c, std::nullopt});
  if (!where.empty()) rows.push_back({8, {}, {}, where, std::nullopt});
  rows.push_back({255, {}, {}, {}, std::nullopt});
  addSavedQuery(db, name, 0, rows);
}

}  // namespace qbtest
