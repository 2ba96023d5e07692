// The PostgreSQL target: libpq, one transaction for the whole run, rows
// through COPY in the text format.
#include <libpq-fe.h>

#include "jet/text.h"
#include "migrate/target_writer.h"
#include "migrate/copy_binary.h"
#include "migrate/value_text.h"

namespace qbmigrate {

namespace {

constexpr std::size_t kCopyChunk = 1 << 18;
constexpr std::uint64_t kProgressEvery = 8192;

std::string firstLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

std::string shortStatement(const std::string& sql) {
  std::string s = sql.substr(0, sql.find('\n'));
  return s.size() > 120 ? s.substr(0, 117) + "..." : s;
}

class PostgresWriter final : public TargetWriter {
 public:
  explicit PostgresWriter(const Target& target) : where_(describeTarget(target)) {
    const char* keys[] = {"dbname", "application_name", "client_encoding", nullptr};
    const char* values[] = {target.connection.c_str(), "qbtool migrate", "UTF8", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      const std::string reason = conn_ ? firstLine(PQerrorMessage(conn_)) : "out of memory";
      PQfinish(conn_);
      conn_ = nullptr;
      throw MigrationError("Cannot connect to " + where_ + ": " + reason);
    }
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);  // "table does not exist, skipping"
    execute("BEGIN");
    // The keys and indexes are built after the rows: room to sort them in memory.
    execute("SET LOCAL maintenance_work_mem = '256MB'");
  }

  ~PostgresWriter() override {
    if (!conn_) return;
    if (!committed_ && PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, "ROLLBACK"));
    PQfinish(conn_);
  }

  void execute(const std::string& sql) override {
    PGresult* result = PQexec(conn_, sql.c_str());
    check(result, "running " + shortStatement(sql));
  }

  bool tableExists(const Ddl& ddl, const TableDdl& table) override {
    const char* params[] = {ddl.schema.c_str(), table.targetName.c_str()};
    PGresult* result = PQexecParams(conn_,
                                    "SELECT 1 FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON "
                                    "n.oid = c.relnamespace WHERE n.nspname = $1 AND c.relname = $2",
                                    2, nullptr, params, nullptr, nullptr, 0);
    const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK;
    const bool exists = ok && PQntuples(result) > 0;
    check(result, "looking for table " + table.targetName);
    return exists;
  }

  void load(const TablePlan& table, const TableDdl& ddl, LoadContext& context) override {
    std::string sql = "COPY " + ddl.qualifiedName + " (";
    for (std::size_t i = 0; i < ddl.columnNames.size(); ++i) sql += (i ? ", " : "") + ddl.columnNames[i];
    // Binary rows, and frozen: the table is new in this transaction, so no
    // other session can see them before the commit anyway.
    sql += ") FROM STDIN (FORMAT binary, FREEZE)";
    PGresult* start = timed(context.targetTime, [&] { return PQexec(conn_, sql.c_str()); });
    if (PQresultStatus(start) != PGRES_COPY_IN) check(start, "starting to copy the rows of " + table.name);
    PQclear(start);

    std::string buffer;
    buffer.reserve(kCopyChunk + 65536);
    appendBinaryCopyHeader(buffer);
    std::uint64_t row = 0;
    try {
      table.source->scan([&](jet::RowId, const std::vector<jet::Value>& values) {
        ++row;
        appendBinaryCopyRowStart(buffer, values.size());
        for (std::size_t c = 0; c < values.size(); ++c) {
          try {
            appendBinaryCopyValue(buffer, values[c], table.columns[c].type, context.replacedUnits);
          } catch (const ValueError& e) {
            throw MigrationError(valuePlace(table, c, row) + e.what());
          }
        }
        if (buffer.size() >= kCopyChunk) send(buffer, context);
        if (row % kProgressEvery == 0 && context.progress) context.progress(row);
        return true;
      });
      appendBinaryCopyTrailer(buffer);
      send(buffer, context);
    } catch (const std::exception& e) {
      PQputCopyEnd(conn_, "the migration stopped");
      PQclear(PQgetResult(conn_));
      throw;
    }
    timed(context.targetTime, [&] {
      if (PQputCopyEnd(conn_, nullptr) != 1) lost("ending the copy of " + table.name);
      check(PQgetResult(conn_), "copying the rows of " + table.name);
      return 0;
    });
    context.rows += row;
    if (context.progress) context.progress(row);
  }

  void commit(LoadContext& context) override {
    timed(context.targetTime, [&] {
      execute("COMMIT");
      return 0;
    });
    committed_ = true;
  }

 private:
  void send(std::string& buffer, LoadContext& context) {
    if (buffer.empty()) return;
    timed(context.targetTime, [&] {
      if (PQputCopyData(conn_, buffer.data(), static_cast<int>(buffer.size())) != 1) lost("sending rows");
      return 0;
    });
    buffer.clear();
  }

  [[noreturn]] void lost(const std::string& doing) {
    throw MigrationError("PostgreSQL at " + where_ + " failed while " + doing + ": " + firstLine(PQerrorMessage(conn_)) +
                         "; nothing was changed there");
  }

  void check(PGresult* result, const std::string& doing) {
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
      PQclear(result);
      return;
    }
    std::string message = result ? firstLine(PQresultErrorMessage(result)) : std::string();
    if (message.empty()) message = firstLine(PQerrorMessage(conn_));
    PQclear(result);
    // Drain what may follow (the end of a failed COPY).
    while (PGresult* rest = PQgetResult(conn_)) PQclear(rest);
    throw MigrationError("PostgreSQL at " + where_ + " refused " + doing + ": " + message +
                         "; nothing was changed there");
  }

  std::string where_;
  PGconn* conn_ = nullptr;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<TargetWriter> openPostgresWriter(const Target& target) {
  return std::make_unique<PostgresWriter>(target);
}

std::string valuePlace(const TablePlan& table, std::size_t column, std::uint64_t row) {
  return "table " + table.name + ", column " + table.columnNames.at(column) + ", row " + std::to_string(row) + ": ";
}

}  // namespace qbmigrate
