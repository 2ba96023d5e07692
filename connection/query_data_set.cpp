// QueryDataSet: the statement text, and opening its result on the connection.
#include "connection/query_data_set.h"

#include "connection/connection.h"
#include "connection/query_row_source.h"
#include "jet/database.h"
#include "jet/statement.h"
#include "jet/text.h"

namespace qb {

QueryDataSet::QueryDataSet(std::string name) : DataSet(std::move(name)) {}

void QueryDataSet::setSql(std::vector<std::u16string> lines) {
  close();
  sql_ = std::move(lines);
}

std::u16string QueryDataSet::sqlText() const {
  std::u16string text;
  for (std::size_t i = 0; i < sql_.size(); ++i) {
    if (i > 0) text += u"\r\n";
    text += sql_[i];
  }
  return text;
}

std::unique_ptr<RowSource> QueryDataSet::openSource() {
  const std::u16string text = sqlText();
  if (text.empty()) fail("Missing SQL property");
  if (connection() == nullptr) fail("Missing Connection or ConnectionString");
  jet::Database& database = connection()->database();
  jet::Statement statement = jet::Statement::prepare(database, text);
  if (!statement.returnsRows()) {
    statement.run();
    fail("CommandText does not return a result set");
  }
  const jet::ReadLock lock(database);  // see openResultSource
  return std::make_unique<QueryRowSource>(database, text, statement.executeAll());
}

std::optional<std::u16string> viewNamed(jet::Database& database, std::u16string_view name) {
  if (database.hasTable(name)) return std::nullopt;
  for (jet::TableListEntry& entry : database.listTables(false)) {
    if (entry.kind == jet::TableKind::View && jet::equalNamesNoCase(entry.name, name)) return std::move(entry.name);
  }
  return std::nullopt;
}

std::unique_ptr<RowSource> openResultSource(jet::Database& database, std::u16string_view statement) {
  const jet::Statement prepared = jet::Statement::prepare(database, statement);
  // One read lock for the whole result: it comes from one committed state,
  // and its row reads do not each lock the file for themselves.
  const jet::ReadLock lock(database);
  return std::make_unique<QueryRowSource>(database, std::u16string(statement), prepared.executeAll());
}

}  // namespace qb
