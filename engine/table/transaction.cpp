// The database's explicit transactions, undoing cached state after a rollback,
// and closing a database with a transaction still open.
#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "jet/error.h"
#include "table/row_writer.h"
#include "table/table_description.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

namespace {

// Marks the caller's transaction as ended, which commit and rollback both need first.
DatabaseContext& endUserTransaction(DatabaseContext& db) {
  if (!db.userTransaction) {
    throw Error(ErrorCode::InvalidArgument,
                "No transaction is open on '" + db.fileName + "' (a failed write may have undone it)");
  }
  db.userTransaction = false;
  return db;
}

}  // namespace

void Database::beginTransaction() {
  DatabaseContext& db = *impl_->context;
  requireWritable(db);
  if (db.userTransaction) {
    throw Error(ErrorCode::InvalidArgument, "A transaction is already open on '" + db.fileName + "'");
  }
  db.pager->beginWrite();
  db.userTransaction = true;
}

void Database::commitTransaction() {
  DatabaseContext& db = endUserTransaction(*impl_->context);
  try {
    db.pager->commitWrite();
    impl_->info.pageCount = db.pager->pageCount();
  } catch (const Error&) {
    try {
      db.pager->rollbackWrite();
    } catch (const Error&) {
    }
    impl_->reloadAfterRollback();
    throw;
  }
}

void Database::rollbackTransaction() {
  DatabaseContext& db = endUserTransaction(*impl_->context);
  try {
    db.pager->rollbackWrite();
  } catch (const Error&) {
    impl_->reloadAfterRollback();
    throw;
  }
  impl_->reloadAfterRollback();
}

bool Database::inTransaction() const { return impl_->context->userTransaction; }

void Database::Impl::reloadAfterRollback() noexcept {
  info.pageCount = context->pager->pageCount();
  try {
    Table& catalogTable = *tables.at(kCatalogPage);
    catalogTable.impl().reload();
    catalogRows.clear();
    catalog = readCatalog(catalogTable, catalogRows);
    tablesContainer = findTablesContainer(catalog);
  } catch (const Error&) {
    return;  // the next read reports what is wrong
  }
  for (auto it = tables.begin(); it != tables.end();) {
    Table::Impl& t = it->second->impl();
    bool exists = it->first == kCatalogPage;
    for (std::size_t i = 0; i < catalog.size(); ++i) {
      const CatalogObject& o = catalog[i];
      if (o.type != kObjectLocalTable || (static_cast<std::uint32_t>(o.id) & 0x00FFFFFF) != it->first) continue;
      exists = true;
      // A change of the table's columns rewrites its properties too.
      try {
        t.properties = readObjectProperties(*tables.at(kCatalogPage), catalogRows[i]);
      } catch (const Error&) {
      }
    }
    if (!exists) {
      t.dropped = true;
      it = tables.erase(it);
      continue;
    }
    try {
      if (it->first != kCatalogPage) t.reload();
    } catch (const Error&) {
    }
    ++it;
  }
}

void Database::Impl::reloadAfterChange() noexcept {
  ++changesByOthers;
  reloadAfterRollback();
}

void Table::Impl::reload() {
  rowWriter.reset();
  indexBlock.reset();
  definition = readTableDefinition(*db->pager, definition.firstPage, *db->version, *db->text);
  describeColumns(definition, static_cast<std::uint8_t>(db->text->unitSize()), columns, plans);
  applyRequiredProperties(properties, *db->text, columns);
  indexes = describeIndexes(definition, columns);
  applyRequiredIndexes(indexes, columns);
}

}  // namespace jet
