// TableDataSet: the table name and opening the table on the connection.
#include "connection/table_data_set.h"

#include "connection/connection.h"
#include "connection/query_data_set.h"
#include "connection/table_row_source.h"
#include "jet/database.h"

namespace qb {

TableDataSet::TableDataSet(std::string name) : DataSet(std::move(name)) {}

void TableDataSet::setTableName(std::u16string name) {
  if (name == tableName_) return;
  if (active()) fail("Cannot perform this operation on an open dataset");
  tableName_ = std::move(name);
}

std::unique_ptr<RowSource> TableDataSet::openSource() {
  if (tableName_.empty()) fail("Missing TableName property");
  if (connection() == nullptr) fail("Missing Connection or ConnectionString");
  jet::Database& database = connection()->database();
  // A view (a saved select query) opens as its result, as a table would.
  if (const auto view = viewNamed(database, tableName_)) return openResultSource(database, u"[" + *view + u"]");
  return std::make_unique<TableRowSource>(database, database.table(tableName_));
}

}  // namespace qb
