// Saved queries in an open database: catalog look-ups and reading MSysQueries.
#include "catalog/query_rows_reader.h"

#include <string>

#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"

namespace jet {

namespace {

constexpr std::int32_t kRootId = 0x0F000000;
constexpr std::int32_t kUsualTablesId = 0x0F000001;
constexpr std::int16_t kContainerType = 3;
constexpr std::int16_t kQueryType = 5;

std::optional<std::u16string> optionalText(const Value& v) {
  if (v.kind() == ValueKind::Text) return v.asText();
  return std::nullopt;
}

std::optional<std::int32_t> optionalInteger(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Byte: return v.asByte();
    case ValueKind::Integer: return v.asInteger();
    case ValueKind::Long: return v.asLong();
    default: return std::nullopt;
  }
}

}  // namespace

std::int32_t tablesContainerId(const std::vector<CatalogObject>& catalog) {
  for (const CatalogObject& object : catalog) {
    if (object.parentId == kRootId && object.type == kContainerType && equalNamesNoCase(object.name, u"Tables")) {
      return object.id;
    }
  }
  return kUsualTablesId;
}

std::vector<const CatalogObject*> savedQueryObjects(const std::vector<CatalogObject>& catalog) {
  const std::int32_t tables = tablesContainerId(catalog);
  std::vector<const CatalogObject*> out;
  for (const CatalogObject& object : catalog) {
    if (object.parentId == tables && object.type == kQueryType) out.push_back(&object);
  }
  return out;
}

std::unordered_map<std::int32_t, std::vector<QueryRow>> readQueryRows(const Database& db) {
  // Opening a table only fills the database's table cache, so a const database
  // may still read one.
  std::shared_ptr<Table> table = const_cast<Database&>(db).table(u"MSysQueries");
  auto column = [&](std::u16string_view name, bool required) {
    const int index = table->findColumn(name);
    if (index < 0 && required) {
      throw Error(ErrorCode::Corruption, "the system table MSysQueries has no column " + toUtf8(name));
    }
    return index;
  };
  const int objectId = column(u"ObjectId", true);
  const int attribute = column(u"Attribute", true);
  const int order = column(u"Order", false);
  const int name1 = column(u"Name1", true);
  const int name2 = column(u"Name2", true);
  const int expression = column(u"Expression", true);
  const int flag = column(u"Flag", true);
  const int extra = column(u"LvExtra", false);  // absent in older files

  std::unordered_map<std::int32_t, std::vector<QueryRow>> groups;
  table->scan([&](RowId, const std::vector<Value>& values) {
    const auto id = optionalInteger(values[static_cast<std::size_t>(objectId)]);
    const auto attr = optionalInteger(values[static_cast<std::size_t>(attribute)]);
    if (!id || !attr) return true;  // not part of any query
    QueryRow row;
    row.attribute = static_cast<std::uint8_t>(*attr);
    row.name1 = optionalText(values[static_cast<std::size_t>(name1)]);
    row.name2 = optionalText(values[static_cast<std::size_t>(name2)]);
    row.expression = optionalText(values[static_cast<std::size_t>(expression)]);
    if (auto f = optionalInteger(values[static_cast<std::size_t>(flag)])) row.flag = static_cast<std::int16_t>(*f);
    if (extra >= 0) row.extra = optionalInteger(values[static_cast<std::size_t>(extra)]);
    if (order >= 0) {
      const Value& v = values[static_cast<std::size_t>(order)];
      if (v.kind() == ValueKind::Binary) row.order = v.asBinary();
    }
    groups[*id].push_back(std::move(row));
    return true;
  });
  for (auto& [id, rows] : groups) sortQueryRows(rows);
  return groups;
}

}  // namespace jet
