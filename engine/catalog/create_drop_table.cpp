// Creating and dropping tables: the definition pages, the usage-map rows of
// the table, its long-value columns and indexes, empty index roots, the catalog
// row and the access-control entries, all in one write; and the reverse,
// giving every page of the table back to the file.
#include <algorithm>
#include <set>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "catalog/new_table_layout.h"
#include "catalog/schema_catalog_rows.h"
#include "catalog/schema_object_pages.h"
#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/index_key.h"
#include "format/table_definition_format.h"
#include "format/table_definition_writer.h"
#include "format/usage_map.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/row_writer.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

std::shared_ptr<Table> Database::createTable(const TableSpec& spec) {
  Impl& db = *impl_;
  DatabaseContext& ctx = *db.context;
  requireWritable(ctx);
  const std::uint8_t sortVersion = db.info.sortOrderVersion;
  const std::uint16_t sortOrder = db.info.sortOrder != 0 ? db.info.sortOrder : kGeneralSortOrder;
  TableDefinition def = layoutTable(spec, sortOrder, sortVersion, *ctx.text);
  for (const CatalogObject& o : db.catalog) {
    if (o.parentId == db.tablesContainer && equalNamesNoCase(o.name, spec.name)) {
      throw Error(ErrorCode::InvalidArgument, "Cannot create the table '" + toUtf8(spec.name) + "': '" +
                                                  toUtf8(o.name) + "' already names a table or query");
    }
  }
  const std::vector<PropertyChunk> properties = columnProperties(spec);

  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  WriteScope scope(ctx);
  def.firstPage = pager.allocatePage();
  def.pages = {def.firstPage};
  UsageMapWriter maps(pager, v);
  def.ownedPages = maps.create();
  def.freePages = maps.create(def.ownedPages.page());
  for (LongValueColumnMaps& m : def.longValueMaps) {
    m.ownedPages = maps.create(def.ownedPages.page());
    m.freePages = maps.create(def.ownedPages.page());
  }
  for (RealIndexDefinition& r : def.realIndexes) {
    r.usageMap = maps.create(def.ownedPages.page());
    r.rootPage = createEmptyIndexRoot(pager, v, def.firstPage, r.usageMap);
  }
  storeTableDefinition(pager, def.pages, buildTableDefinition(def, sortOrder, v, *ctx.text), v);
  addTableToCatalog(db, def.firstPage, spec.name,
                    properties.empty() ? std::vector<std::uint8_t>{} : encodePropertyBlob(properties, *ctx.text));
  scope.commit();
  reloadCatalog(db);
  return db.table(spec.name);
}

void Database::dropTable(std::u16string_view name) {
  Impl& db = *impl_;
  DatabaseContext& ctx = *db.context;
  requireWritable(ctx);
  const CatalogObject* o = db.findTableObject(name);
  if (!o) throw Error(ErrorCode::NotFound, "Cannot drop the table '" + toUtf8(name) + "': there is no such table");
  if (o->isSystem()) {
    throw Error(ErrorCode::InvalidArgument,
                "Cannot drop the table '" + toUtf8(o->name) + "': it is a system table the database needs");
  }
  const std::vector<std::u16string> relationships = relationshipsOf(db, o->name);
  if (!relationships.empty()) {
    throw Error(ErrorCode::Constraint, "Cannot drop the table '" + toUtf8(o->name) +
                                           "': it takes part in the relationship '" + toUtf8(relationships.front()) +
                                           "'; delete the relationship first");
  }
  const std::int32_t id = o->id;
  if (o->type != kObjectLocalTable) {
    // A linked table is only its catalog entry.
    WriteScope scope(ctx);
    removeFromCatalog(db, id);
    scope.commit();
    reloadCatalog(db);
    return;
  }
  const std::shared_ptr<Table> table = db.table(o->name);
  Table::Impl& t = table->impl();
  WriteScope scope(ctx);
  freeTablePages(t);
  removeFromCatalog(db, id);
  scope.commit();
  t.dropped = true;
  db.tables.erase(t.definition.firstPage);
  reloadCatalog(db);
}

}  // namespace jet
