// Catalog reading: the MSysObjects columns located by name, decoded row by row.
#include "catalog/catalog_reader.h"

#include <optional>

#include "jet/error.h"
#include "jet/text.h"
#include "table/table_impl.h"

namespace jet {

std::vector<CatalogObject> readCatalog(const Table& catalog, std::vector<RowId>& rows) {
  const auto column = [&](const char16_t* name, bool required) -> std::optional<std::size_t> {
    const int at = catalog.findColumn(name);
    if (at < 0) {
      if (required) {
        throw Error(ErrorCode::Corruption,
                    "the catalog table has no column '" + toUtf8(name) + "'; the database is damaged");
      }
      return std::nullopt;
    }
    return static_cast<std::size_t>(at);
  };
  const std::size_t id = *column(u"Id", true);
  const std::size_t parentId = *column(u"ParentId", true);
  const std::size_t name = *column(u"Name", true);
  const std::size_t type = *column(u"Type", true);
  const auto flags = column(u"Flags", false);
  const auto created = column(u"DateCreate", false);
  const auto updated = column(u"DateUpdate", false);
  const auto database = column(u"Database", false);
  const auto foreignName = column(u"ForeignName", false);

  std::vector<std::size_t> which{id, parentId, name, type};
  for (const auto& c : {flags, created, updated, database, foreignName}) {
    if (c) which.push_back(*c);
  }

  const Table::Impl& impl = catalog.impl();
  std::vector<Value> values(catalog.columns().size());
  std::vector<CatalogObject> objects;
  const auto longOf = [&](std::size_t c) -> std::int32_t {
    return values[c].kind() == ValueKind::Long ? values[c].asLong() : 0;
  };
  const auto textOf = [&](const std::optional<std::size_t>& c) -> std::u16string {
    return c && values[*c].kind() == ValueKind::Text ? values[*c].asText() : std::u16string();
  };
  const auto dateOf = [&](const std::optional<std::size_t>& c) -> DateTime {
    return c && values[*c].kind() == ValueKind::DateTime ? values[*c].asDateTime() : DateTime{};
  };
  impl.forEachRow(
      ScanMode::Strict, nullptr, [&](RowId, ByteSpan row) { impl.decode(row, &which, values); },
      [&](RowId rowId) {
        rows.push_back(rowId);
        CatalogObject o;
        o.id = longOf(id);
        o.parentId = longOf(parentId);
        o.name = textOf(name);
        o.type = values[type].kind() == ValueKind::Integer ? values[type].asInteger() : std::int16_t{0};
        if (flags) o.flags = static_cast<std::uint32_t>(longOf(*flags));
        o.created = dateOf(created);
        o.updated = dateOf(updated);
        o.linkedDatabase = textOf(database);
        o.linkedForeignName = textOf(foreignName);
        objects.push_back(std::move(o));
        return true;
      });
  return objects;
}

std::vector<PropertySet> readObjectProperties(const Table& catalog, RowId row) {
  const int column = catalog.findColumn(u"LvProp");
  if (column < 0) return {};
  try {
    const Value blob = catalog.readValue(row, static_cast<std::size_t>(column));
    if (blob.kind() != ValueKind::Binary) return {};
    return parsePropertyBlob(blob.asBinary(), *catalog.impl().db->text);
  } catch (const Error&) {
    return {};
  }
}

std::int32_t findTablesContainer(const std::vector<CatalogObject>& catalog) {
  for (const CatalogObject& o : catalog) {
    if (o.parentId == kRootObjectId && o.type == kObjectContainer && o.name == u"Tables") return o.id;
  }
  return kTablesContainerId;
}

}  // namespace jet
