// Connection: the program's link to one database file (the `con` object). It
// holds the connection string, opens the file through the engine when asked to
// connect, lists the database's tables and a table's fields, and closes every
// dataset that uses it when it disconnects.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace jet {
class Database;
}

namespace qb {

class DataSet;

class Connection {
 public:
  Connection();
  ~Connection();  // closes the datasets on it and detaches them
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // The text the next connect uses (formats in connection_string.h). Kept
  // after a disconnect, so a dataset that opens later connects again with it.
  // Changing it while connected fails with jet::Error (InvalidArgument)
  // "Operation is not allowed when the object is open"; setting the same text
  // changes nothing.
  const std::u16string& connectionString() const { return connectionString_; }
  void setConnectionString(std::u16string text);

  // Connected := true opens the database file named by the connection string,
  // with its password (no-op when connected). Errors: an empty connection
  // string ("No database to connect to: the connection string is empty"), the
  // connection string's own errors (see connectionSettingsOf), and the engine's
  // messages unchanged (file missing, not a database, wrong password, ...).
  // After a failure the connection stays closed.
  //
  // Connected := false closes every dataset on this connection first (each
  // drops an unsaved record edit without writing it), then closes the file.
  // No-op when not connected.
  bool connected() const { return database_ != nullptr; }
  void setConnected(bool connected);
  void open() { setConnected(true); }
  void close() { setConnected(false); }

  // The names a user can open, in the engine's order: system tables (only when
  // `includeSystem`), then tables, then views (saved select queries without
  // parameters); each group sorted without regard to case. Connects first if
  // needed (a failure to connect is thrown).
  std::vector<std::u16string> listTableNames(bool includeSystem);

  // The column names of a table, in column order, or of a view's result.
  // Connects first if needed; the engine's error when there is no such table.
  std::vector<std::u16string> listFieldNames(std::u16string_view table);

  // The version text of the database engine ("4.0.1"); needs no connection.
  static std::u16string version();

  // The open database, connecting first if needed (errors as for connecting).
  jet::Database& database();
  // The open database, or nullptr when not connected. Never connects.
  jet::Database* databaseIfOpen() const { return database_.get(); }

  // The datasets that use this connection, in the order they were given it.
  const std::vector<DataSet*>& dataSets() const { return dataSets_; }

 private:
  friend class DataSet;
  void attach(DataSet* dataSet);
  void detach(DataSet* dataSet);

  std::u16string connectionString_;
  std::unique_ptr<jet::Database> database_;
  std::vector<DataSet*> dataSets_;
};

}  // namespace qb
