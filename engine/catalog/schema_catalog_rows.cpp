// Catalog rows, access-control entries and relationship look-ups for schema changes.
#include "catalog/schema_catalog_rows.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "catalog/catalog_reader.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "table/table_impl.h"

namespace jet {

namespace {

// Rights of an inheritable entry that stands for the object's creator rather
// than for a user or group; the creator (the owner) has an entry of its own.
constexpr std::int32_t kCreatorOwnerRights = 0x000F00FE;
// Full rights, for a database whose Tables container passes nothing on.
constexpr std::int32_t kFullRights = 0x000FFFFF;
// Owner of new objects when the database object names none.
const Bytes kDefaultOwner = {0xA6, 0x33};

std::size_t columnOf(const Table& t, const char16_t* name) {
  const int at = t.findColumn(name);
  if (at < 0) {
    throw Error(ErrorCode::Corruption,
                "the system table '" + toUtf8(t.name()) + "' has no column '" + toUtf8(name) + "'");
  }
  return static_cast<std::size_t>(at);
}

// The owner SID of the database object (MSysDb), the owner of new tables.
Bytes databaseOwner(Table& catalog) {
  const std::size_t type = columnOf(catalog, u"Type");
  const std::size_t owner = columnOf(catalog, u"Owner");
  Bytes sid = kDefaultOwner;
  catalog.scan([&](RowId, const std::vector<Value>& row) {
    if (row[type].kind() == ValueKind::Integer && row[type].asInteger() == 2 &&
        row[owner].kind() == ValueKind::Binary && !row[owner].asBinary().empty()) {
      sid = row[owner].asBinary();
      return false;
    }
    return true;
  });
  return sid;
}

}  // namespace

DateTime currentDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  CivilDateTime c;
  c.year = local.tm_year + 1900;
  c.month = local.tm_mon + 1;
  c.day = local.tm_mday;
  c.hour = local.tm_hour;
  c.minute = local.tm_min;
  c.second = std::min(local.tm_sec, 59);
  return fromCivil(c);
}

void reloadCatalog(Database::Impl& db) {
  db.catalogRows.clear();
  db.catalog = readCatalog(*db.tables.at(kCatalogPage), db.catalogRows);
  db.tablesContainer = findTablesContainer(db.catalog);
}

void addTableToCatalog(Database::Impl& db, std::uint32_t definitionPage, const std::u16string& name,
                       const std::vector<std::uint8_t>& properties) {
  addObjectToCatalog(db, static_cast<std::int32_t>(definitionPage), db.tablesContainer, name, kObjectLocalTable,
                     properties);
}

void addObjectToCatalog(Database::Impl& db, std::int32_t id, std::int32_t parentId, const std::u16string& name,
                        std::int16_t type, const std::vector<std::uint8_t>& properties) {
  Table& catalog = *db.tables.at(kCatalogPage);
  const Bytes owner = databaseOwner(catalog);
  const DateTime now = currentDateTime();
  std::vector<Value> row(catalog.columns().size());
  row[columnOf(catalog, u"Id")] = Value::longInt(id);
  row[columnOf(catalog, u"ParentId")] = Value::longInt(parentId);
  row[columnOf(catalog, u"Name")] = Value::text(name);
  row[columnOf(catalog, u"Type")] = Value::integer(type);
  row[columnOf(catalog, u"DateCreate")] = Value::dateTime(now);
  row[columnOf(catalog, u"DateUpdate")] = Value::dateTime(now);
  row[columnOf(catalog, u"Owner")] = Value::binary(owner);
  row[columnOf(catalog, u"Flags")] = Value::longInt(0);
  if (!properties.empty()) row[columnOf(catalog, u"LvProp")] = Value::binary(properties);
  catalog.impl().insertRow(row);

  // Access-control entries: what the container passes on to new objects.
  Table& aces = *db.table(u"MSysACEs");
  const std::size_t objectId = columnOf(aces, u"ObjectId");
  const std::size_t sid = columnOf(aces, u"SID");
  const std::size_t rights = columnOf(aces, u"ACM");
  const std::size_t inheritable = columnOf(aces, u"FInheritable");
  std::vector<std::pair<Bytes, std::int32_t>> inherited;
  aces.scan([&](RowId, const std::vector<Value>& r) {
    if (r[objectId] == Value::longInt(parentId) && r[inheritable] == Value::boolean(true) &&
        r[sid].kind() == ValueKind::Binary && r[rights].kind() == ValueKind::Long &&
        r[rights].asLong() != kCreatorOwnerRights) {
      inherited.emplace_back(r[sid].asBinary(), r[rights].asLong());
    }
    return true;
  });
  if (inherited.empty()) inherited.emplace_back(owner, kFullRights);
  for (const auto& [who, what] : inherited) {
    std::vector<Value> ace(aces.columns().size());
    ace[objectId] = Value::longInt(id);
    ace[sid] = Value::binary(who);
    ace[rights] = Value::longInt(what);
    ace[inheritable] = Value::boolean(false);
    aces.impl().insertRow(ace);
  }
}

void removeFromCatalog(Database::Impl& db, std::int32_t objectId) {
  const Value id = Value::longInt(objectId);
  for (const char16_t* name : {u"MSysObjects", u"MSysACEs"}) {
    Table& t = *db.table(name);
    const std::size_t column = columnOf(t, name == std::u16string_view(u"MSysObjects") ? u"Id" : u"ObjectId");
    std::vector<RowId> rows;
    t.scan([&](RowId at, const std::vector<Value>& r) {
      if (r[column] == id) rows.push_back(at);
      return true;
    });
    for (const RowId at : rows) t.impl().deleteRow(at);
  }
}

std::int32_t nextSyntheticObjectId(const Database::Impl& db) {
  std::int32_t next = std::numeric_limits<std::int32_t>::min();
  for (const CatalogObject& o : db.catalog) {
    if (o.id < 0 && o.id >= next) next = o.id + 1;
  }
  return next;
}

std::vector<std::u16string> relationshipsOf(Database::Impl& db, std::u16string_view table, bool onlyReferenced) {
  std::vector<std::u16string> names;
  const CatalogObject* o = db.findTableObject(u"MSysRelationships");
  if (!o || o->type != kObjectLocalTable) return names;
  Table& rel = *db.table(u"MSysRelationships");
  const std::size_t name = columnOf(rel, u"szRelationship");
  const std::size_t object = columnOf(rel, u"szObject");
  const std::size_t referenced = columnOf(rel, u"szReferencedObject");
  const auto is = [&](const Value& v) { return v.kind() == ValueKind::Text && equalNamesNoCase(v.asText(), table); };
  rel.scan([&](RowId, const std::vector<Value>& r) {
    if ((is(r[referenced]) || (!onlyReferenced && is(r[object]))) && r[name].kind() == ValueKind::Text &&
        std::find(names.begin(), names.end(), r[name].asText()) == names.end()) {
      names.push_back(r[name].asText());
    }
    return true;
  });
  return names;
}

}  // namespace jet
