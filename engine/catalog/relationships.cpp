// Relationships: creating and deleting them as Access keeps them — one
// MSysRelationships row per column pair, a catalog entry (type 8) under the
// Relationships container, and, for an enforced one, a foreign-key logical
// index in each table. The referencing table's index is named after the
// relationship and has a real index of its own on the key columns (or shares
// one on the same columns); the referenced table's, named ".rC" (".rD", ...
// when that is taken), shares the real index of its primary key or unique
// index. Each names the other by logical index number and definition page and
// carries the cascade flags; the row writer's rules read them from there.
#include <algorithm>
#include <map>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "catalog/index_changes.h"
#include "catalog/new_table_layout.h"
#include "catalog/schema_catalog_rows.h"
#include "format/table_definition_format.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/relationship_rules.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

namespace {

constexpr std::int16_t kObjectRelationship = 8;

// MSysRelationships.grbit
constexpr std::int32_t kRelationNotEnforced = 0x00000002;
constexpr std::int32_t kRelationCascadeUpdates = 0x00000100;
constexpr std::int32_t kRelationCascadeDeletes = 0x00001000;
constexpr std::int32_t kRelationCascadeNull = 0x00002000;

// Block E: which side of a foreign key a logical index is, and the cascade-deletes byte.
constexpr std::uint8_t kReferencedSide = 1;
constexpr std::uint8_t kReferencingSide = 2;
constexpr std::uint8_t kCascadeDelete = 1;
constexpr std::uint8_t kCascadeToNull = 2;

std::size_t columnOf(const Table& t, const char16_t* name) {
  const int at = t.findColumn(name);
  if (at < 0) {
    throw Error(ErrorCode::Corruption,
                "the system table '" + toUtf8(t.name()) + "' has no column '" + toUtf8(name) + "'");
  }
  return static_cast<std::size_t>(at);
}

struct RelationshipColumns {
  std::size_t name, grbit, count, position, object, column, referencedObject, referencedColumn;
  explicit RelationshipColumns(const Table& t)
      : name(columnOf(t, u"szRelationship")),
        grbit(columnOf(t, u"grbit")),
        count(columnOf(t, u"ccolumn")),
        position(columnOf(t, u"icolumn")),
        object(columnOf(t, u"szObject")),
        column(columnOf(t, u"szColumn")),
        referencedObject(columnOf(t, u"szReferencedObject")),
        referencedColumn(columnOf(t, u"szReferencedColumn")) {}
};

Table& relationshipTable(Database::Impl& db) {
  const CatalogObject* o = db.findTableObject(u"MSysRelationships");
  if (!o || o->type != kObjectLocalTable) {
    throw Error(ErrorCode::Unsupported, "The database '" + db.context->fileName +
                                            "' has no MSysRelationships table: it cannot hold relationships");
  }
  return *db.table(u"MSysRelationships");
}

std::int32_t relationshipsContainer(const Database::Impl& db) {
  for (const CatalogObject& o : db.catalog) {
    if (o.type == kObjectContainer && equalNamesNoCase(o.name, u"Relationships")) return o.id;
  }
  throw Error(ErrorCode::Unsupported,
              "The database '" + db.context->fileName + "' has no Relationships container: it cannot hold relationships");
}

const CatalogObject* findRelationshipObject(const Database::Impl& db, std::int32_t container, std::u16string_view name) {
  for (const CatalogObject& o : db.catalog) {
    if (o.parentId == container && o.type == kObjectRelationship && equalNamesNoCase(o.name, name)) return &o;
  }
  return nullptr;
}

std::string inQuotes(std::u16string_view name) { return "'" + toUtf8(name) + "'"; }

// Positions of named columns in a table; InvalidArgument naming one it lacks.
std::vector<std::size_t> columnPositions(const Table::Impl& t, const std::vector<std::u16string>& names,
                                         const std::string& relationship) {
  std::vector<std::size_t> out;
  for (const std::u16string& n : names) {
    const auto it = std::find_if(t.columns.begin(), t.columns.end(),
                                 [&](const ColumnDef& c) { return equalNamesNoCase(c.name, n); });
    if (it == t.columns.end()) {
      throw Error(ErrorCode::InvalidArgument, "Cannot create the relationship " + relationship + ": " + t.describe() +
                                                  " has no column " + inQuotes(n));
    }
    const auto at = static_cast<std::size_t>(it - t.columns.begin());
    if (std::find(out.begin(), out.end(), at) != out.end()) {
      throw Error(ErrorCode::InvalidArgument,
                  "Cannot create the relationship " + relationship + ": it names the column " + inQuotes(n) + " twice");
    }
    out.push_back(at);
  }
  return out;
}

bool sameKey(const IndexDef& index, const std::vector<std::size_t>& columns) {
  if (index.columns.size() != columns.size()) return false;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (index.columns[i].column != columns[i]) return false;
  }
  return true;
}

// A name for the referenced side's index that the table does not use yet.
std::u16string referencedIndexName(const TableDefinition& def) {
  for (char16_t letter = u'C'; letter <= u'Z'; ++letter) {
    const std::u16string name = std::u16string(u".r") + letter;
    if (std::none_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                     [&](const LogicalIndexDefinition& l) { return equalNamesNoCase(l.name, name); })) {
      return name;
    }
  }
  for (int n = 0;; ++n) {
    const std::u16string name = u".r" + fromUtf8(std::to_string(n));
    if (std::none_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                     [&](const LogicalIndexDefinition& l) { return equalNamesNoCase(l.name, name); })) {
      return name;
    }
  }
}

// Every referencing row with a whole key (no Null in it) must find its
// referenced row before the relationship is enforced.
void checkExistingRows(const Table& from, const std::vector<std::size_t>& columns, const Table& to,
                       std::size_t referencedIndex, const std::vector<std::size_t>& referencedColumns,
                       const std::string& relationship) {
  const Table::Impl& referencing = from.impl();
  const Table::Impl& referenced = to.impl();
  std::vector<Value> key(columns.size());
  from.scan([&](RowId, const std::vector<Value>& row) {
    for (std::size_t i = 0; i < columns.size(); ++i) key[i] = row[columns[i]];
    if (std::any_of(key.begin(), key.end(), [](const Value& v) { return v.isNull(); })) return true;
    if (!to.findRow(referencedIndex, key)) {
      throw Error(ErrorCode::Constraint,
                  "Cannot create the relationship " + relationship + ": the row of " + referencing.describe() +
                      " with " + describeRelationshipKey(referencing, columns, key) + " has no row with " +
                      describeRelationshipKey(referenced, referencedColumns, key) + " in " + referenced.describe() +
                      "; add the missing rows or correct the key first");
    }
    return true;
  });
}

}  // namespace

std::u16string Database::createRelationship(const RelationshipSpec& spec) {
  Impl& db = *impl_;
  DatabaseContext& ctx = *db.context;
  requireWritable(ctx);
  const std::int32_t container = relationshipsContainer(db);
  Table& rows = relationshipTable(db);
  Table::Impl& referencing = tableToChange(db, spec.table, "create a relationship on");
  Table::Impl& referenced = tableToChange(db, spec.referencedTable, "create a relationship on");
  const bool self = &referencing == &referenced;

  std::u16string name = spec.name;
  if (name.empty()) {
    const std::u16string base = referenced.name + referencing.name;
    name = base;
    for (int n = 1; findRelationshipObject(db, container, name); ++n) name = base + fromUtf8(std::to_string(n));
  }
  checkObjectName(name, "relationship");
  const std::string what = inQuotes(name);
  if (const CatalogObject* o = findRelationshipObject(db, container, name)) {
    throw Error(ErrorCode::InvalidArgument,
                "Cannot create the relationship " + what + ": a relationship named " + inQuotes(o->name) +
                    " exists already; choose another name");
  }
  if (spec.cascadeDeletes && spec.cascadeNull) {
    throw Error(ErrorCode::InvalidArgument, "Cannot create the relationship " + what +
                                                ": deleted rows either cascade or set Null, not both");
  }
  if (spec.columns.empty() || spec.columns.size() > kMaxIndexColumns) {
    throw Error(ErrorCode::InvalidArgument,
                "Cannot create the relationship " + what + ": it needs 1 to 10 columns of " + referencing.describe());
  }
  const std::vector<std::size_t> columns = columnPositions(referencing, spec.columns, what);

  // The referenced key: the columns named, or the primary key.
  std::vector<std::size_t> referencedColumns;
  if (spec.referencedColumns.empty()) {
    const auto pk = std::find_if(referenced.indexes.begin(), referenced.indexes.end(),
                                 [](const IndexDef& i) { return i.primaryKey; });
    if (pk == referenced.indexes.end()) {
      throw Error(ErrorCode::InvalidArgument, "Cannot create the relationship " + what + ": " +
                                                  referenced.describe() +
                                                  " has no primary key; name the columns it refers to");
    }
    for (const IndexColumn& c : pk->columns) referencedColumns.push_back(c.column);
  } else {
    referencedColumns = columnPositions(referenced, spec.referencedColumns, what);
  }
  if (referencedColumns.size() != columns.size()) {
    throw Error(ErrorCode::InvalidArgument, "Cannot create the relationship " + what + ": it pairs " +
                                                std::to_string(columns.size()) + " column(s) of " +
                                                referencing.describe() + " with " +
                                                std::to_string(referencedColumns.size()) + " of " +
                                                referenced.describe());
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const ColumnDef& a = referencing.columns[columns[i]];
    const ColumnDef& b = referenced.columns[referencedColumns[i]];
    if (a.type != b.type || a.type == DataType::Memo || a.type == DataType::Ole) {
      throw Error(ErrorCode::InvalidArgument,
                  "Cannot create the relationship " + what + ": the column " + inQuotes(a.name) + " of " +
                      referencing.describe() + " and the column " + inQuotes(b.name) + " of " + referenced.describe() +
                      " are not of the same type (or are Memo or OLE Object columns, which cannot be keys)");
    }
  }

  std::size_t referencedIndex = 0;
  if (spec.enforced) {
    const auto unique = std::find_if(referenced.indexes.begin(), referenced.indexes.end(), [&](const IndexDef& i) {
      return i.unique && !i.foreignKey && sameKey(i, referencedColumns);
    });
    if (unique == referenced.indexes.end()) {
      throw Error(ErrorCode::InvalidArgument,
                  "Cannot create the relationship " + what + ": no unique index of " + referenced.describe() +
                      " has the referenced column(s) as its key; make them the primary key or add a unique index");
    }
    referencedIndex = static_cast<std::size_t>(unique - referenced.indexes.begin());
    checkExistingRows(*db.table(spec.table), columns, *db.table(spec.referencedTable), referencedIndex,
                      referencedColumns, what);
  }

  std::int32_t grbit = 0;
  if (!spec.enforced) grbit |= kRelationNotEnforced;
  if (spec.cascadeUpdates) grbit |= kRelationCascadeUpdates;
  if (spec.cascadeDeletes) grbit |= kRelationCascadeDeletes;
  if (spec.cascadeNull) grbit |= kRelationCascadeNull;

  WriteScope scope(ctx);
  if (spec.enforced) {
    const std::uint32_t referencingNumber = nextLogicalIndexNumber(referencing.definition);
    const std::uint32_t referencedNumber =
        self ? referencingNumber + 1 : nextLogicalIndexNumber(referenced.definition);
    const std::uint32_t sharedReal = referenced.indexes[referencedIndex].realIndex;
    const std::uint8_t cascadeUpdates = spec.cascadeUpdates ? 1 : 0;
    const std::uint8_t cascadeDeletes = spec.cascadeDeletes ? kCascadeDelete : spec.cascadeNull ? kCascadeToNull : 0;

    LogicalIndexDefinition foreignKey;
    foreignKey.name = name;
    foreignKey.number = referencingNumber;
    foreignKey.foreignKeyRole = kReferencingSide;
    foreignKey.foreignKeyIndex = static_cast<std::int32_t>(referencedNumber);
    foreignKey.foreignKeyTable = referenced.definition.firstPage;
    foreignKey.cascadeUpdates = cascadeUpdates;
    foreignKey.cascadeDeletes = cascadeDeletes;
    foreignKey.kind = kIndexKindForeignKey;
    // An index on just these columns, ascending, holds the entries already.
    RealIndexDefinition real;
    real.flags = kIndexJet4;
    for (const std::size_t c : columns) real.columns.push_back({referencing.columns[c].number, true});
    const auto existing = std::find_if(referencing.definition.realIndexes.begin(),
                                       referencing.definition.realIndexes.end(), [&](const RealIndexDefinition& r) {
                                         return r.columns.size() == real.columns.size() &&
                                                std::equal(r.columns.begin(), r.columns.end(), real.columns.begin(),
                                                           [](const IndexKeyColumn& x, const IndexKeyColumn& y) {
                                                             return x.columnNumber == y.columnNumber &&
                                                                    x.ascending == y.ascending;
                                                           }) &&
                                                (r.flags & kIndexIgnoreNulls) == 0;
                                       });
    if (existing != referencing.definition.realIndexes.end()) {
      foreignKey.realIndex = static_cast<std::uint32_t>(existing - referencing.definition.realIndexes.begin());
      addIndexToTable(referencing, foreignKey, nullptr);
    } else {
      addIndexToTable(referencing, foreignKey, &real);
    }

    LogicalIndexDefinition primary;
    primary.name = referencedIndexName(referenced.definition);
    primary.number = referencedNumber;
    primary.realIndex = sharedReal;
    primary.foreignKeyRole = kReferencedSide;
    primary.foreignKeyIndex = static_cast<std::int32_t>(referencingNumber);
    primary.foreignKeyTable = referencing.definition.firstPage;
    primary.cascadeUpdates = cascadeUpdates;
    primary.cascadeDeletes = cascadeDeletes;
    primary.kind = kIndexKindForeignKey;
    addIndexToTable(referenced, primary, nullptr);
  }

  const RelationshipColumns rc(rows);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    std::vector<Value> row(rows.columns().size());
    row[rc.name] = Value::text(name);
    row[rc.grbit] = Value::longInt(grbit);
    row[rc.count] = Value::longInt(static_cast<std::int32_t>(columns.size()));
    row[rc.position] = Value::longInt(static_cast<std::int32_t>(i));
    row[rc.object] = Value::text(referencing.name);
    row[rc.column] = Value::text(referencing.columns[columns[i]].name);
    row[rc.referencedObject] = Value::text(referenced.name);
    row[rc.referencedColumn] = Value::text(referenced.columns[referencedColumns[i]].name);
    rows.impl().insertRow(row);
  }
  addObjectToCatalog(db, nextSyntheticObjectId(db), container, name, kObjectRelationship);
  scope.commit();
  reloadCatalog(db);
  return name;
}

std::vector<RelationshipSpec> Database::relationships() {
  Impl& db = *impl_;
  std::vector<RelationshipSpec> out;
  const CatalogObject* o = db.findTableObject(u"MSysRelationships");
  if (!o || o->type != kObjectLocalTable) return out;
  Table& rows = *db.table(u"MSysRelationships");
  const RelationshipColumns rc(rows);
  std::map<std::u16string, std::map<std::int32_t, std::pair<std::u16string, std::u16string>>> pairs;
  std::map<std::u16string, RelationshipSpec> byName;
  const auto text = [](const Value& v) { return v.kind() == ValueKind::Text ? v.asText() : std::u16string(); };
  rows.scan([&](RowId, const std::vector<Value>& r) {
    const std::u16string name = text(r[rc.name]);
    if (name.empty()) return true;
    RelationshipSpec& s = byName[name];
    s.name = name;
    s.table = text(r[rc.object]);
    s.referencedTable = text(r[rc.referencedObject]);
    const std::int32_t grbit = r[rc.grbit].kind() == ValueKind::Long ? r[rc.grbit].asLong() : 0;
    s.enforced = (grbit & kRelationNotEnforced) == 0;
    s.cascadeUpdates = (grbit & kRelationCascadeUpdates) != 0;
    s.cascadeDeletes = (grbit & kRelationCascadeDeletes) != 0;
    s.cascadeNull = (grbit & kRelationCascadeNull) != 0;
    const std::int32_t at = r[rc.position].kind() == ValueKind::Long ? r[rc.position].asLong() : 0;
    pairs[name][at] = {text(r[rc.column]), text(r[rc.referencedColumn])};
    return true;
  });
  for (auto& [name, s] : byName) {
    for (const auto& [at, pair] : pairs[name]) {
      s.columns.push_back(pair.first);
      s.referencedColumns.push_back(pair.second);
    }
    out.push_back(std::move(s));
  }
  return out;
}

void Database::dropRelationship(std::u16string_view name) {
  Impl& db = *impl_;
  DatabaseContext& ctx = *db.context;
  requireWritable(ctx);
  Table& rows = relationshipTable(db);
  const RelationshipColumns rc(rows);
  std::vector<RowId> found;
  std::u16string referencingName;
  rows.scan([&](RowId at, const std::vector<Value>& r) {
    if (r[rc.name].kind() == ValueKind::Text && equalNamesNoCase(r[rc.name].asText(), name)) {
      found.push_back(at);
      if (r[rc.object].kind() == ValueKind::Text) referencingName = r[rc.object].asText();
    }
    return true;
  });
  if (found.empty()) {
    throw Error(ErrorCode::NotFound, "Cannot delete the relationship " + inQuotes(name) + ": there is no such relationship");
  }
  const std::int32_t container = relationshipsContainer(db);
  const CatalogObject* object = findRelationshipObject(db, container, name);
  const std::int32_t objectId = object ? object->id : 0;

  WriteScope scope(ctx);
  for (const RowId at : found) rows.impl().deleteRow(at);
  // The foreign-key index pair, when the relationship is enforced.
  if (db.findTableObject(referencingName)) {
    Table::Impl& referencing = tableToChange(db, referencingName, "delete a relationship of");
    const auto& logical = referencing.definition.logicalIndexes;
    const auto fk = std::find_if(logical.begin(), logical.end(), [&](const LogicalIndexDefinition& l) {
      return l.kind == kIndexKindForeignKey && l.foreignKeyRole == kReferencingSide && equalNamesNoCase(l.name, name);
    });
    if (fk != logical.end()) {
      const std::uint32_t otherPage = fk->foreignKeyTable;
      const std::int32_t otherNumber = fk->foreignKeyIndex;
      const std::uint32_t number = fk->number;
      const std::uint32_t page = referencing.definition.firstPage;
      removeIndexFromTable(referencing, static_cast<std::size_t>(fk - logical.begin()));
      const std::shared_ptr<Table> other = tableAtPage(ctx, otherPage);
      Table::Impl& referenced = other->impl();
      const auto& otherLogical = referenced.definition.logicalIndexes;
      const auto pk = std::find_if(otherLogical.begin(), otherLogical.end(), [&](const LogicalIndexDefinition& l) {
        return l.kind == kIndexKindForeignKey && l.foreignKeyRole == kReferencedSide &&
               static_cast<std::int32_t>(l.number) == otherNumber && l.foreignKeyTable == page &&
               l.foreignKeyIndex == static_cast<std::int32_t>(number);
      });
      if (pk != otherLogical.end()) removeIndexFromTable(referenced, static_cast<std::size_t>(pk - otherLogical.begin()));
    }
  }
  if (object) removeFromCatalog(db, objectId);
  scope.commit();
  reloadCatalog(db);
}

}  // namespace jet
