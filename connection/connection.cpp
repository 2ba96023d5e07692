// Connection: connecting and disconnecting, table and field lists, and the
// datasets that depend on the connection.
#include "connection/connection.h"

#include <algorithm>

#include "connection/connection_string.h"
#include "connection/data_set.h"
#include "connection/query_data_set.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "jet/version.h"

namespace qb {

Connection::Connection() = default;

Connection::~Connection() {
  // Datasets outlive nothing here: close them and let them forget us.
  const std::vector<DataSet*> dataSets = dataSets_;
  for (DataSet* d : dataSets) d->setConnection(nullptr);
}

void Connection::setConnectionString(std::u16string text) {
  if (text == connectionString_) return;
  if (connected()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument, "Operation is not allowed when the object is open");
  }
  connectionString_ = std::move(text);
}

void Connection::setConnected(bool connected) {
  if (connected == this->connected()) return;
  if (connected) {
    const ConnectionSettings settings = connectionSettingsOf(connectionString_);
    jet::OpenOptions options;
    options.password = settings.password;
    options.readOnly = settings.readOnly;
    database_ = jet::Database::open(std::filesystem::path(jet::toUtf8(settings.dataSource)), options);
    return;
  }
  // Copy: a dataset's close must not disturb the walk.
  const std::vector<DataSet*> dataSets = dataSets_;
  for (DataSet* d : dataSets) d->close();
  database_.reset();
}

jet::Database& Connection::database() {
  setConnected(true);
  return *database_;
}

std::vector<std::u16string> Connection::listTableNames(bool includeSystem) {
  std::vector<std::u16string> names;
  for (jet::TableListEntry& entry : database().listTables(includeSystem))
    names.push_back(std::move(entry.name));
  return names;
}

std::vector<std::u16string> Connection::listFieldNames(std::u16string_view table) {
  std::vector<std::u16string> names;
  jet::Database& db = database();
  if (const auto view = viewNamed(db, table)) {
    // A view's fields are its result's columns.
    const jet::Statement statement = jet::Statement::prepare(db, u"[" + *view + u"]");
    for (const jet::ResultColumn& c : statement.columns()) names.push_back(c.name);
    return names;
  }
  for (const jet::ColumnDef& column : db.table(table)->columns()) names.push_back(column.name);
  return names;
}

std::u16string Connection::version() {
  return jet::fromUtf8(jet::engineVersion());
}

void Connection::attach(DataSet* dataSet) {
  if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end()) dataSets_.push_back(dataSet);
}

void Connection::detach(DataSet* dataSet) {
  std::erase(dataSets_, dataSet);
}

}  // namespace qb
