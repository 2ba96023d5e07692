// Row writes through the table's API: each one inside a write scope, with the
// relationship hooks before the change and the index maintenance after the
// row's bytes are placed, so that any refusal undoes all of it.
#include <algorithm>

#include "catalog/database_impl.h"
#include "format/index_key.h"
#include "format/table_definition_format.h"
#include "index/index_maintenance.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/relationship_rules.h"
#include "table/row_write_hooks.h"
#include "table/row_writer.h"
#include "table/table_impl.h"
#include "table/write_scope.h"

namespace jet {

namespace {

void requireWritableTable(const Table::Impl& t) {
  if (t.dropped) throw Error(ErrorCode::NotFound, "Cannot write to " + t.describe() + ": it was dropped");
  requireWritable(*t.db);
  const std::string reason = t.readOnlyReason();
  if (!reason.empty()) {
    throw Error(ErrorCode::ReadOnly, "Cannot write to " + t.describe() + ": it is read-only (" + reason + ")");
  }
}

void requireUserTable(const Table::Impl& t) {
  if (t.system) {
    throw Error(ErrorCode::ReadOnly,
                "Cannot write to " + t.describe() + ": it is a system table, kept by the database engine itself");
  }
}

void requireColumns(const Table::Impl& t, const std::vector<Value>& values) {
  if (values.size() != t.columns.size()) {
    throw Error(ErrorCode::InvalidArgument, "A row of " + t.describe() + " needs " +
                                                std::to_string(t.columns.size()) + " values, not " +
                                                std::to_string(values.size()));
  }
}

}  // namespace

Table::Impl::~Impl() = default;

RowWriter& Table::Impl::writer() {
  if (!rowWriter) rowWriter = std::make_shared<RowWriter>(*this);
  return *rowWriter;
}

std::string Table::Impl::readOnlyReason() const {
  if (dropped) return "it was dropped";
  if (!db->owner) return "the database has been closed";
  if (db->owner->readOnly) return db->owner->readOnlyReason;
  if (!indexBlock) indexBlock = db->indexes->unsupportedReason(*this);
  return *indexBlock;
}

std::vector<Value> Table::Impl::readValues(RowId id) const {
  Page holder;
  const ByteSpan row = locate(id, holder);
  std::vector<Value> out(columns.size());
  try {
    decode(row, nullptr, out);
  } catch (const Error& e) {
    rethrowForRow(e, id);
  }
  return out;
}

bool Table::Impl::isLive(RowId id) const {
  Page holder;
  try {
    locate(id, holder);
  } catch (const Error& e) {
    if (e.code() == ErrorCode::NotFound) return false;
    throw;
  }
  return true;
}

// Each write takes the writer's lock first (the WriteScope), so that it checks
// the table as another program may just have changed it.
RowId Table::Impl::insertRow(std::vector<Value>& values) {
  requireWritable(*db);
  WriteScope scope(*db);
  requireWritableTable(*this);
  requireColumns(*this, values);
  RowWriter& w = writer();
  std::vector<Value> row = w.prepare(values, nullptr);
  if (db->hooks) db->hooks->beforeInsert(*this, row);
  const RowId id = w.insert(row);
  db->indexes->insertRow(*this, row, id);
  w.addToRowCount(+1);
  scope.commit();
  values = std::move(row);
  return id;
}

BulkInsert::BulkInsert(Table::Impl& table) : table_(table) {
  requireUserTable(table);
  requireWritable(*table.db);
  scope_ = std::make_unique<WriteScope>(*table.db);
  requireWritableTable(table);
}

BulkInsert::~BulkInsert() = default;

RowId BulkInsert::insert(std::vector<Value>& values) {
  requireColumns(table_, values);
  RowWriter& w = table_.writer();
  std::vector<Value> row = w.prepare(values, nullptr);
  if (table_.db->hooks) table_.db->hooks->beforeInsert(table_, row);
  const RowId id = w.insert(row);
  table_.db->indexes->insertRow(table_, row, id);
  ++rows_;
  values = std::move(row);
  // No page is held between rows: they may go to the file now.
  table_.db->pager->spillIfNeeded();
  return id;
}

void BulkInsert::finish() {
  if (rows_ > 0) table_.writer().addToRowCount(static_cast<int>(rows_));
  scope_->commit();
}

namespace {

// Replaces row `id`, whose values were `old`, with `values` (converted in place).
void replaceRow(Table::Impl& t, RowId id, const std::vector<Value>& old, std::vector<Value>& values) {
  RowWriter& w = t.writer();
  std::vector<Value> row = w.prepare(values, &old);
  if (t.db->hooks) t.db->hooks->beforeUpdate(t, id, old, row);
  w.update(id, old, row);
  t.db->indexes->updateRow(t, old, row, id);
  values = std::move(row);
}

}  // namespace

void Table::Impl::updateRow(RowId id, std::vector<Value>& values) {
  requireWritable(*db);
  WriteScope scope(*db);
  requireWritableTable(*this);
  requireColumns(*this, values);
  const std::vector<Value> old = readValues(id);
  replaceRow(*this, id, old, values);
  scope.commit();
}

void Table::Impl::updateFields(RowId id, const std::vector<std::size_t>& fields, std::vector<Value>& values) {
  requireUserTable(*this);
  requireWritable(*db);
  WriteScope scope(*db);
  requireWritableTable(*this);
  if (fields.size() != values.size()) {
    throw Error(ErrorCode::InvalidArgument, "An update of " + describe() + " needs a value for each of its " +
                                                std::to_string(fields.size()) + " fields");
  }
  const std::vector<Value> old = readValues(id);
  std::vector<Value> row = old;
  for (std::size_t i = 0; i < fields.size(); ++i) row.at(fields[i]) = std::move(values[i]);
  replaceRow(*this, id, old, row);
  scope.commit();
}

void Table::Impl::deleteRow(RowId id) {
  requireWritable(*db);
  WriteScope scope(*db);
  requireWritableTable(*this);
  RowWriter& w = writer();
  const std::vector<Value> old = readValues(id);
  if (db->hooks) db->hooks->beforeDelete(*this, id, old);
  db->indexes->removeRow(*this, old, id);
  w.erase(id);
  w.addToRowCount(-1);
  scope.commit();
}

namespace {

// Whether deleting a row of `table` can, through relationships that cascade
// deletes, delete rows of `table` itself.
// Relationships that cannot be read count as such a way back: the row-by-row
// path then meets them as it always did.
bool cascadesBackInto(const Table::Impl& table) {
  std::vector<const Table::Impl*> reached{&table};
  try {
    for (std::size_t next = 0; next < reached.size(); ++next) {
      for (const RelationshipRule& rule : relationshipRulesOf(*reached[next])) {
        if (!rule.cascadeDeletes || &rule.referenced->impl() != reached[next]) continue;
        const Table::Impl* child = &rule.referencing->impl();
        if (child == &table) return true;
        if (std::find(reached.begin(), reached.end(), child) == reached.end()) reached.push_back(child);
      }
    }
  } catch (const Error&) {
    return true;
  }
  return false;
}

}  // namespace

void Table::Impl::deleteRows(const std::vector<RowId>& ids) {
  requireUserTable(*this);
  if (ids.empty()) return;
  requireWritable(*db);
  WriteScope scope(*db);
  requireWritableTable(*this);
  // When cascading deletes lead from this table back to it (directly or
  // through other tables), a row's delete can take rows of this table along
  // while the statement runs: those need the indexes as they are, row by row,
  // and a row a cascade took first is passed over.
  if (db->hooks && cascadesBackInto(*this)) {
    for (RowId id : ids) {
      if (isLive(id)) deleteRow(id);
    }
    scope.commit();
    return;
  }
  RowWriter& w = writer();
  const std::unique_ptr<IndexRemovals> removals = db->indexes->beginRemovals(*this);
  for (RowId id : ids) {
    const std::vector<Value> old = readValues(id);
    if (db->hooks) db->hooks->beforeDelete(*this, id, old);
    removals->add(old, id);
    w.erase(id);
  }
  removals->finish();
  w.addToRowCount(-static_cast<int>(ids.size()));
  scope.commit();
}

bool Table::isReadOnly() const { return impl_->system || !impl_->readOnlyReason().empty(); }

std::string Table::readOnlyReason() const {
  if (impl_->system && impl_->readOnlyReason().empty()) return "it is a system table, kept by the database engine";
  return impl_->readOnlyReason();
}

RowId Table::insertRow(std::vector<Value>& values) {
  requireUserTable(*impl_);
  return impl_->insertRow(values);
}

void Table::updateRow(RowId id, std::vector<Value>& values) {
  requireUserTable(*impl_);
  impl_->updateRow(id, values);
}

void Table::deleteRow(RowId id) {
  requireUserTable(*impl_);
  impl_->deleteRow(id);
}

std::string unsupportedSortOrderReason(const Table::Impl& table) {
  for (const LogicalIndexDefinition& logical : table.definition.logicalIndexes) {
    if (logical.realIndex >= table.definition.realIndexes.size()) continue;
    for (const IndexKeyColumn& key : table.definition.realIndexes[logical.realIndex].columns) {
      for (const ColumnDefinition& c : table.definition.columns) {
        if (c.number != key.columnNumber || (c.type != DataType::Text && c.type != DataType::Memo)) continue;
        if (!canEncodeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage)) {
          return "its index '" + toUtf8(logical.name) + "' sorts text in " +
                 describeSortOrder(c.sortOrder, c.sortOrderVersion, c.codePage) +
                 ", whose index keys this program cannot build";
        }
      }
    }
  }
  return {};
}

}  // namespace jet
