// Changing a table's columns: adding, dropping, or changing the type of one.
// The table keeps its identity (its first definition page, so its catalog
// row, access rights and the relationships that name it stay) and gets a new
// definition laid out from its columns and indexes as they are to be; its
// rows are read, then written anew in the new layout (converted to the new
// column types as the row writer converts any value), and its indexes are
// built again from them. All in one write: a value that does not convert or
// a row an index refuses undoes the whole change.
#include <algorithm>
#include <map>
#include <optional>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "catalog/index_changes.h"
#include "catalog/new_table_layout.h"
#include "catalog/schema_catalog_rows.h"
#include "catalog/schema_object_pages.h"
#include "format/index_key.h"
#include "format/property_blob.h"
#include "format/property_blob_writer.h"
#include "format/table_definition_format.h"
#include "format/table_definition_writer.h"
#include "format/usage_map_writer.h"
#include "index/index_maintenance.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/relationship_rules.h"
#include "table/row_writer.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

namespace {

std::string inQuotes(std::u16string_view name) { return "'" + toUtf8(name) + "'"; }

ColumnSpec specOf(const ColumnDef& c) {
  ColumnSpec s;
  s.name = c.name;
  s.type = c.type;
  if (c.type == DataType::Text) s.size = static_cast<std::uint16_t>(c.length / std::max<std::uint8_t>(c.characterSize, 1));
  if (c.type == DataType::Binary) s.size = c.length;
  s.precision = c.type == DataType::Numeric ? c.precision : 18;
  s.scale = c.scale;
  s.allowZeroLength = c.allowZeroLength;
  s.autoNumber = c.autoNumber;
  s.guidAutoNumber = c.guidAutoNumber;
  s.compressedUnicode = c.compressedUnicode;
  s.hyperlink = c.hyperlink;
  return s;
}

// The table's indexes other than foreign keys, as specs over column names.
std::vector<IndexSpec> indexSpecsOf(const Table::Impl& t) {
  std::vector<IndexSpec> out;
  for (const IndexDef& i : t.indexes) {
    if (i.foreignKey) continue;
    IndexSpec s;
    s.name = i.name;
    for (const IndexColumn& k : i.columns) s.columns.push_back({t.columns[k.column].name, k.ascending});
    s.primaryKey = i.primaryKey;
    s.unique = i.unique;
    s.ignoreNulls = i.ignoreNulls;
    s.required = i.required && !i.primaryKey;
    out.push_back(std::move(s));
  }
  return out;
}

int findColumnIn(const std::vector<ColumnSpec>& columns, std::u16string_view name) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (equalNamesNoCase(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

// The relationship of the table that uses the column, if any.
std::optional<std::u16string> relationshipUsing(const Table::Impl& t, std::size_t column) {
  for (const IndexDef& i : t.indexes) {
    if (!i.foreignKey) continue;
    for (const IndexColumn& k : i.columns) {
      if (k.column == column) return i.name;
    }
  }
  return std::nullopt;
}

struct Rewrite {
  TableSpec spec;                     // the columns and ordinary indexes as they are to be
  std::vector<int> source;            // for each new column, the old column its values come from, or -1
  std::vector<PropertySet> properties;  // the catalog row's properties as they are to be
};

// Lays out the new definition at the table's pages, keeping its logical index
// numbers and its foreign-key indexes (their real indexes found again by key
// columns).
TableDefinition newDefinition(Database::Impl& db, const Table::Impl& t, const Rewrite& r) {
  DatabaseContext& ctx = *db.context;
  const std::uint16_t sortOrder = db.info.sortOrder != 0 ? db.info.sortOrder : kGeneralSortOrder;
  TableDefinition def = layoutTable(r.spec, sortOrder, db.info.sortOrderVersion, *ctx.text);
  const TableDefinition& old = t.definition;
  def.firstPage = old.firstPage;
  def.pages = old.pages;
  def.autoNumber = old.autoNumber;
  def.autoNumberStep = old.autoNumberStep;
  def.tableType = old.tableType;
  for (LogicalIndexDefinition& l : def.logicalIndexes) {
    for (const LogicalIndexDefinition& o : old.logicalIndexes) {
      if (equalNamesNoCase(o.name, l.name)) l.number = o.number;
    }
  }
  // Old column number -> new, by name.
  std::map<std::uint16_t, std::uint16_t> numbers;
  for (const ColumnDefinition& o : old.columns) {
    for (const ColumnDefinition& n : def.columns) {
      if (equalNamesNoCase(o.name, n.name)) numbers[o.number] = n.number;
    }
  }
  for (const LogicalIndexDefinition& o : old.logicalIndexes) {
    if (o.kind != kIndexKindForeignKey) continue;
    const RealIndexDefinition& oldReal = old.realIndexes.at(o.realIndex);
    RealIndexDefinition real;
    real.flags = oldReal.flags;
    for (const IndexKeyColumn& k : oldReal.columns) real.columns.push_back({numbers.at(k.columnNumber), k.ascending});
    const auto same = std::find_if(def.realIndexes.begin(), def.realIndexes.end(), [&](const RealIndexDefinition& x) {
      return x.flags == real.flags && x.columns.size() == real.columns.size() &&
             std::equal(x.columns.begin(), x.columns.end(), real.columns.begin(),
                        [](const IndexKeyColumn& a, const IndexKeyColumn& b) {
                          return a.columnNumber == b.columnNumber && a.ascending == b.ascending;
                        });
    });
    LogicalIndexDefinition l = o;
    l.realIndex = static_cast<std::uint32_t>(same - def.realIndexes.begin());
    if (same == def.realIndexes.end()) def.realIndexes.push_back(real);
    def.logicalIndexes.push_back(l);
  }
  return def;
}

void storeProperties(Database::Impl& db, const Table::Impl& t, const std::vector<PropertySet>& sets) {
  std::vector<PropertyChunk> chunks;
  for (const PropertySet& s : sets) {
    PropertyChunk c{s.objectName, {}};
    for (const Property& p : s.properties) c.records.push_back({p.name, p.type, p.ddl, p.value});
    if (!c.records.empty() || s.objectName.empty()) chunks.push_back(std::move(c));
  }
  Table& catalog = *db.tables.at(kCatalogPage);
  const int lvProp = catalog.findColumn(u"LvProp");
  if (lvProp < 0) throw Error(ErrorCode::Corruption, "the catalog has no column 'LvProp'");
  for (std::size_t i = 0; i < db.catalog.size(); ++i) {
    const CatalogObject& o = db.catalog[i];
    if (o.type != kObjectLocalTable || static_cast<std::uint32_t>(o.id) != t.definition.firstPage) continue;
    std::vector<Value> row = catalog.readRow(db.catalogRows[i]);
    row[static_cast<std::size_t>(lvProp)] =
        chunks.empty() ? Value() : Value::binary(encodePropertyBlob(chunks, *db.context->text));
    catalog.impl().updateRow(db.catalogRows[i], row);
    return;
  }
}

// The table's properties as its catalog row now holds them.
std::vector<PropertySet> catalogProperties(Database::Impl& db, const Table::Impl& t) {
  for (std::size_t i = 0; i < db.catalog.size(); ++i) {
    const CatalogObject& o = db.catalog[i];
    if (o.type == kObjectLocalTable && static_cast<std::uint32_t>(o.id) == t.definition.firstPage) {
      return readObjectProperties(*db.tables.at(kCatalogPage), db.catalogRows[i]);
    }
  }
  return t.properties;
}

void rewriteTable(Database::Impl& db, Table& table, const Rewrite& r) {
  Table::Impl& t = table.impl();
  DatabaseContext& ctx = *db.context;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  TableDefinition def = newDefinition(db, t, r);
  const std::uint16_t sortOrder = db.info.sortOrder != 0 ? db.info.sortOrder : kGeneralSortOrder;

  WriteScope scope(ctx);
  // The rows are read through the definition as it was, held by a second view
  // of the table, while they are written to new pages under the new one: the
  // old pages are given back only once every row is across.
  const std::shared_ptr<Table> before =
      Table::Impl::open(t.db, t.definition.firstPage, t.name, t.system, t.properties);
  Table::Impl& old = before->impl();
  createTableUsageMaps(pager, v, def);
  storeProperties(db, t, r.properties);
  reloadCatalog(db);
  t.properties = catalogProperties(db, t);

  // The rows first, into a definition without indexes (no index upkeep and no
  // relationship look-ups per row: the rows met those rules before) ...
  TableDefinition bare = def;
  bare.realIndexes.clear();
  bare.logicalIndexes.clear();
  storeTableDefinition(pager, bare.pages, buildTableDefinition(bare, sortOrder, v, *ctx.text), v);
  t.reload();
  RowWriter& writer = t.writer();
  writer.appendOnly();
  std::vector<Value> values(old.columns.size());
  std::vector<Value> row(r.source.size());
  std::uint32_t rows = 0;
  old.forEachRow(
      ScanMode::Strict, nullptr, [&](RowId, ByteSpan bytes) { old.decode(bytes, nullptr, values); },
      [&](RowId) {
        for (std::size_t c = 0; c < r.source.size(); ++c) {
          row[c] = r.source[c] >= 0 ? std::move(values[static_cast<std::size_t>(r.source[c])]) : Value();
        }
        writer.insert(writer.prepare(row, nullptr));
        ++rows;
        // A rewrite that is a transaction of its own writes its pages early
        // past the pager's threshold, so memory stays bounded on any table
        // (the journal still undoes them); inside a caller's transaction they
        // wait for its end.
        pager.spillIfNeeded();
        return true;
      });
  writeDefinitionU32(pager, t.definition, v.tdefRowCount, rows, v);
  t.definition.rowCount = rows;
  freeTablePages(old, true);

  // ... then the indexes, each built from the rows in one pass, which checks
  // its rules (unique, required) on every row.
  def.pages = t.definition.pages;
  def.rowCount = t.definition.rowCount;
  def.autoNumber = t.definition.autoNumber;
  createEmptyIndexes(pager, v, def);
  storeTableDefinition(pager, def.pages, buildTableDefinition(def, sortOrder, v, *ctx.text), v);
  t.reload();
  for (std::size_t i = 0; i < t.definition.realIndexes.size(); ++i) ctx.indexes->buildIndex(t, i);
  scope.commit();
}

// Adds a column the existing rows can do without: they do not carry its
// column number, so they read it as Null (a Yes/No as No), as in files
// Microsoft's software changes. Only the definition and the properties change.
void appendColumn(Database::Impl& db, Table::Impl& t, const ColumnSpec& column, const std::vector<PropertySet>& properties) {
  DatabaseContext& ctx = *db.context;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  const std::uint16_t sortOrder = db.info.sortOrder != 0 ? db.info.sortOrder : kGeneralSortOrder;
  TableSpec one;
  one.name = t.name;
  one.columns = {column};
  const TableDefinition laid = layoutTable(one, sortOrder, db.info.sortOrderVersion, *ctx.text);
  TableDefinition def = t.definition;
  if (def.maxColumns >= 0xFFFF) {
    throw Error(ErrorCode::InvalidArgument, "Cannot add the column " + inQuotes(column.name) + " to " + t.describe() +
                                                ": it has no column numbers left; compact the database first");
  }
  ColumnDefinition c = laid.columns.front();
  c.number = def.maxColumns;
  c.position = 0;
  c.fixedOffset = 0;
  for (const ColumnDefinition& o : def.columns) {
    c.position = std::max<std::uint16_t>(c.position, static_cast<std::uint16_t>(o.position + 1));
    if (o.isFixed() && o.type != DataType::Boolean) {
      c.fixedOffset = std::max<std::uint16_t>(c.fixedOffset, static_cast<std::uint16_t>(o.fixedOffset + o.length));
    }
  }
  c.varSlot = def.varColumns;
  if (!c.isFixed()) ++def.varColumns;
  if (c.type == DataType::Boolean) c.fixedOffset = 0;
  ++def.maxColumns;
  def.columns.push_back(c);

  WriteScope scope(ctx);
  if (!laid.longValueMaps.empty()) {
    UsageMapWriter maps(pager, v);
    LongValueColumnMaps m{c.number, maps.create(def.ownedPages.page()), {}};
    m.freePages = maps.create(def.ownedPages.page());
    def.longValueMaps.push_back(m);
  }
  storeTableDefinition(pager, def.pages, buildTableDefinition(def, sortOrder, v, *ctx.text), v);
  storeProperties(db, t, properties);
  reloadCatalog(db);
  t.properties = catalogProperties(db, t);
  t.reload();
  scope.commit();
}

Rewrite rewriteOf(const Table::Impl& t) {
  Rewrite r;
  r.spec.name = t.name;
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    r.spec.columns.push_back(specOf(t.columns[i]));
    r.source.push_back(static_cast<int>(i));
  }
  r.spec.indexes = indexSpecsOf(t);
  r.properties = t.properties;
  return r;
}

std::vector<Property> propertiesOf(const ColumnSpec& column, const TextCodec& text) {
  TableSpec one;
  one.columns = {column};
  std::vector<Property> out;
  for (const PropertyChunk& c : columnProperties(one, text)) {
    for (const PropertyRecord& p : c.records) out.push_back({p.name, p.type, p.ddl, p.value});
  }
  return out;
}

}  // namespace

void Database::addColumn(std::u16string_view tableName, const ColumnSpec& column) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "add a column to the table");
  Rewrite r = rewriteOf(t);
  if (findColumnIn(r.spec.columns, column.name) >= 0) {
    throw Error(ErrorCode::InvalidArgument, "Cannot add the column " + inQuotes(column.name) + " to " + t.describe() +
                                                ": it has a column of that name");
  }
  bool hasRows = false;
  db.table(tableName)->scan([&](RowId, const std::vector<Value>&) {
    hasRows = true;
    return false;
  });
  if (column.required && hasRows) {
    throw Error(ErrorCode::InvalidArgument,
                "Cannot add the required column " + inQuotes(column.name) + " to " + t.describe() +
                    ": its rows would hold no value in it; add the column without NOT NULL and fill it first");
  }
  if (column.autoNumber && std::any_of(t.columns.begin(), t.columns.end(), [](const ColumnDef& c) { return c.autoNumber; })) {
    throw Error(ErrorCode::InvalidArgument, "Cannot add the autonumber column " + inQuotes(column.name) + " to " +
                                                t.describe() + ": a table has one autonumber column at most");
  }
  r.spec.columns.push_back(column);
  r.source.push_back(-1);
  const std::vector<Property> added = propertiesOf(column, *db.context->text);
  if (!added.empty()) r.properties.push_back({column.name, added});
  // An autonumber numbers the rows there are, so they are written again; so
  // are rows without a variable-length area when the first variable-length
  // column comes (the area's presence follows the definition).
  const bool variable = factsOf(column.type).variableLength;
  if (!column.autoNumber && !column.guidAutoNumber && (!variable || t.definition.varColumns > 0)) {
    appendColumn(db, t, column, r.properties);
  } else {
    rewriteTable(db, *db.table(tableName), r);
  }
}

void Database::dropColumn(std::u16string_view tableName, std::u16string_view columnName) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "drop a column of the table");
  Rewrite r = rewriteOf(t);
  const int at = findColumnIn(r.spec.columns, columnName);
  if (at < 0) {
    throw Error(ErrorCode::NotFound,
                "Cannot drop the column " + inQuotes(columnName) + ": " + t.describe() + " has no column of that name");
  }
  const std::u16string name = r.spec.columns[static_cast<std::size_t>(at)].name;
  if (const auto rel = relationshipUsing(t, static_cast<std::size_t>(at))) {
    throw Error(ErrorCode::Constraint, "Cannot drop the column " + inQuotes(name) + " of " + t.describe() +
                                           ": the relationship " + inQuotes(*rel) +
                                           " uses it; delete the relationship first");
  }
  for (const IndexSpec& i : r.spec.indexes) {
    for (const IndexColumnSpec& k : i.columns) {
      if (equalNamesNoCase(k.column, name)) {
        throw Error(ErrorCode::Constraint, "Cannot drop the column " + inQuotes(name) + " of " + t.describe() +
                                               ": it is part of the index " + inQuotes(i.name) +
                                               "; drop the index first");
      }
    }
  }
  if (r.spec.columns.size() == 1) {
    throw Error(ErrorCode::InvalidArgument, "Cannot drop the column " + inQuotes(name) + " of " + t.describe() +
                                                ": it is the table's only column; drop the table instead");
  }
  r.spec.columns.erase(r.spec.columns.begin() + at);
  r.source.erase(r.source.begin() + at);
  r.properties.erase(std::remove_if(r.properties.begin(), r.properties.end(),
                                    [&](const PropertySet& s) { return equalNamesNoCase(s.objectName, name); }),
                     r.properties.end());
  rewriteTable(db, *db.table(tableName), r);
}

void Database::alterColumn(std::u16string_view tableName, const ColumnSpec& column) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "change a column of the table");
  Rewrite r = rewriteOf(t);
  const int at = findColumnIn(r.spec.columns, column.name);
  if (at < 0) {
    throw Error(ErrorCode::NotFound,
                "Cannot change the column " + inQuotes(column.name) + ": " + t.describe() + " has no column of that name");
  }
  const std::u16string name = r.spec.columns[static_cast<std::size_t>(at)].name;
  if (const auto rel = relationshipUsing(t, static_cast<std::size_t>(at))) {
    throw Error(ErrorCode::Constraint, "Cannot change the column " + inQuotes(name) + " of " + t.describe() +
                                           ": the relationship " + inQuotes(*rel) +
                                           " uses it; delete the relationship first");
  }
  ColumnSpec changed = column;
  changed.name = name;
  r.spec.columns[static_cast<std::size_t>(at)] = changed;
  // The column's own properties follow its new definition; others of it stay.
  for (PropertySet& s : r.properties) {
    if (!equalNamesNoCase(s.objectName, name)) continue;
    std::erase_if(s.properties, [](const Property& p) {
      return p.name == u"Required" || p.name == u"AllowZeroLength" || p.name == u"DefaultValue";
    });
  }
  const std::vector<Property> own = propertiesOf(changed, *db.context->text);
  auto set = std::find_if(r.properties.begin(), r.properties.end(),
                          [&](const PropertySet& s) { return equalNamesNoCase(s.objectName, name); });
  if (set == r.properties.end()) {
    if (!own.empty()) r.properties.push_back({name, own});
  } else {
    set->properties.insert(set->properties.end(), own.begin(), own.end());
  }
  rewriteTable(db, *db.table(tableName), r);
}


void Database::requireColumns(std::u16string_view tableName, const std::vector<std::u16string>& columnNames) {
  Impl& db = *impl_;
  Table::Impl& t = tableToChange(db, tableName, "make columns of the table required");
  Rewrite r = rewriteOf(t);
  std::vector<std::size_t> at;
  for (const std::u16string& name : columnNames) {
    const int c = findColumnIn(r.spec.columns, name);
    if (c < 0) {
      throw Error(ErrorCode::NotFound,
                  "Cannot make the column " + inQuotes(name) + " required: " + t.describe() + " has no column of that name");
    }
    at.push_back(static_cast<std::size_t>(c));
  }
  // The first row without a value in one of them refuses the change.
  std::optional<std::size_t> empty;
  std::vector<Value> values;
  RowId where;
  db.table(tableName)->scan([&](RowId id, const std::vector<Value>& row) {
    for (const std::size_t c : at) {
      if (!row[c].isNull()) continue;
      empty = c;
      values = row;
      where = id;
      return false;
    }
    return true;
  });
  if (empty) {
    std::string row = "the row at page " + std::to_string(where.page()) + ", slot " + std::to_string(where.slot());
    for (const IndexDef& index : t.indexes) {
      if (!index.primaryKey) continue;
      std::vector<std::size_t> key;
      std::vector<Value> keyValues;
      for (const IndexColumn& k : index.columns) {
        key.push_back(k.column);
        keyValues.push_back(values[k.column]);
      }
      row = "the row with " + describeRelationshipKey(t, key, keyValues);
      break;
    }
    throw Error(ErrorCode::Constraint, "Cannot make the field " + inQuotes(t.columns[*empty].name) + " of " +
                                           t.describe() + " required: " + row +
                                           " holds no value in it; fill the field in every row first");
  }
  for (const std::size_t c : at) {
    if (r.spec.columns[c].required) continue;
    ColumnSpec required = r.spec.columns[c];
    required.required = true;
    const std::u16string& name = required.name;
    std::vector<Property> own;
    for (const Property& p : propertiesOf(required, *db.context->text)) {
      if (p.name == u"Required") own.push_back(p);
    }
    auto set = std::find_if(r.properties.begin(), r.properties.end(),
                            [&](const PropertySet& s) { return equalNamesNoCase(s.objectName, name); });
    if (set == r.properties.end()) {
      r.properties.push_back({name, own});
    } else {
      std::erase_if(set->properties, [](const Property& p) { return p.name == u"Required"; });
      set->properties.insert(set->properties.end(), own.begin(), own.end());
    }
  }
  WriteScope scope(*db.context);
  storeProperties(db, t, r.properties);
  reloadCatalog(db);
  t.properties = catalogProperties(db, t);
  t.reload();
  scope.commit();
}

}  // namespace jet
