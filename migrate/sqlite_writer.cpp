// The SQLite target: the run writes a new file beside the target (a copy of
// it when it exists, made with SQLite's backup API), in one transaction with
// prepared inserts, and renames it into place only when everything worked.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "jet/text.h"
#include "migrate/target_writer.h"
#include "migrate/value_text.h"

namespace qbmigrate {

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kProgressEvery = 8192;

void syncPath(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) throw MigrationError("Cannot open " + path.string() + " to make it durable: " + std::strerror(errno));
  const int rc = ::fsync(fd);
  const int error = errno;
  ::close(fd);
  if (rc != 0) throw MigrationError("Cannot make " + path.string() + " durable: " + std::strerror(error));
}

class Statement {
 public:
  Statement(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
      throw MigrationError(std::string("SQLite refused ") + sql.substr(0, 120) + ": " + sqlite3_errmsg(db));
    }
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// Binds one value the way the DDL declares its column (see ddl.cpp): numbers
// as INTEGER or REAL, Yes/No as 0/1, binary as BLOB, dates, currency,
// decimals and GUIDs as their exact text. `scratch` keeps the text alive
// until the row is stepped.
void bindValue(sqlite3_stmt* stmt, int index, const jet::Value& v, std::string& scratch, std::size_t& replaced) {
  auto bindText = [&](std::string text) {
    scratch = std::move(text);
    return sqlite3_bind_text(stmt, index, scratch.data(), static_cast<int>(scratch.size()), SQLITE_STATIC);
  };
  int rc = SQLITE_OK;
  switch (v.kind()) {
    case jet::ValueKind::Null: rc = sqlite3_bind_null(stmt, index); break;
    case jet::ValueKind::Boolean: rc = sqlite3_bind_int(stmt, index, v.asBoolean() ? 1 : 0); break;
    case jet::ValueKind::Byte: rc = sqlite3_bind_int(stmt, index, v.asByte()); break;
    case jet::ValueKind::Integer: rc = sqlite3_bind_int(stmt, index, v.asInteger()); break;
    case jet::ValueKind::Long: rc = sqlite3_bind_int(stmt, index, v.asLong()); break;
    case jet::ValueKind::Single:
    case jet::ValueKind::Double: {
      const double d = v.kind() == jet::ValueKind::Single ? static_cast<double>(v.asSingle()) : v.asDouble();
      // SQLite turns a NaN into Null; the text keeps it apart.
      rc = d != d ? bindText("NaN") : sqlite3_bind_double(stmt, index, d);
      break;
    }
    case jet::ValueKind::Currency: rc = bindText(v.asCurrency().toString()); break;
    case jet::ValueKind::Decimal: rc = bindText(v.asDecimal().toString()); break;
    case jet::ValueKind::DateTime: rc = bindText(dateTimeText(v.asDateTime())); break;
    case jet::ValueKind::Guid: rc = bindText(v.asGuid().toString()); break;
    case jet::ValueKind::Text: {
      scratch.clear();
      appendUtf8(scratch, v.asText(), replaced);
      // A non-null pointer even for "", which SQLite would otherwise bind as Null.
      rc = sqlite3_bind_text(stmt, index, scratch.data(), static_cast<int>(scratch.size()), SQLITE_STATIC);
      break;
    }
    case jet::ValueKind::Binary: {
      const jet::Bytes& b = v.asBinary();
      rc = b.empty() ? sqlite3_bind_zeroblob(stmt, index, 0)
                     : sqlite3_bind_blob(stmt, index, b.data(), static_cast<int>(b.size()), SQLITE_STATIC);
      break;
    }
  }
  if (rc != SQLITE_OK) throw ValueError(std::string("SQLite cannot take the value: ") + sqlite3_errstr(rc));
}

class SqliteWriter final : public TargetWriter {
 public:
  explicit SqliteWriter(const Target& target) : file_(target.file) {
    const fs::path folder = file_.has_parent_path() ? file_.parent_path() : fs::path(".");
    if (fs::exists(fs::path(file_.string() + "-wal"))) {
      throw MigrationError("The SQLite database " + file_.string() +
                           " is in use (its -wal file exists); close the programs that use it first");
    }
    std::string pattern = (folder / ("." + file_.filename().string() + ".qbtool-XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
      throw MigrationError("Cannot write in " + folder.string() + " (for the new SQLite file): " + std::strerror(errno));
    }
    ::close(fd);
    temp_ = pattern;
    if (sqlite3_open_v2(temp_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) fail("opening");
    if (fs::exists(file_)) copyExisting();
    exec("PRAGMA journal_mode = OFF");  // the file is new: a failure throws it away
    exec("PRAGMA synchronous = OFF");   // made durable once, before the rename
    exec("PRAGMA foreign_keys = OFF");  // checked once, after the rows are in
    exec("BEGIN");
  }

  ~SqliteWriter() override {
    sqlite3_close_v2(db_);
    if (!committed_ && !temp_.empty()) {
      std::error_code ignored;
      fs::remove(temp_, ignored);
    }
  }

  void execute(const std::string& sql) override { exec(sql); }

  bool tableExists(const Ddl&, const TableDdl& table) override {
    Statement s(db_, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    sqlite3_bind_text(s.get(), 1, table.targetName.data(), static_cast<int>(table.targetName.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(s.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail("looking for table " + table.targetName);
    return rc == SQLITE_ROW;
  }

  void load(const TablePlan& table, const TableDdl& ddl, LoadContext& context) override {
    std::string sql = "INSERT INTO " + ddl.qualifiedName + " (";
    std::string marks;
    for (std::size_t i = 0; i < ddl.columnNames.size(); ++i) {
      sql += (i ? ", " : "") + ddl.columnNames[i];
      marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    Statement insert(db_, sql);
    std::vector<std::string> scratch(ddl.columnNames.size());
    std::uint64_t row = 0;
    table.source->scan([&](jet::RowId, const std::vector<jet::Value>& values) {
      ++row;
      for (std::size_t c = 0; c < values.size(); ++c) {
        try {
          bindValue(insert.get(), static_cast<int>(c + 1), values[c], scratch[c], context.replacedUnits);
        } catch (const ValueError& e) {
          throw MigrationError(valuePlace(table, c, row) + e.what());
        }
      }
      const int rc = timed(context.targetTime, [&] { return sqlite3_step(insert.get()); });
      if (rc != SQLITE_DONE) {
        throw MigrationError("SQLite refused row " + std::to_string(row) + " of " + table.name + ": " +
                             sqlite3_errmsg(db_) + "; the target was not changed");
      }
      sqlite3_reset(insert.get());
      if (row % kProgressEvery == 0 && context.progress) context.progress(row);
      return true;
    });
    context.rows += row;
    if (context.progress) context.progress(row);
  }

  void commit(LoadContext& context) override {
    timed(context.targetTime, [&] {
      checkForeignKeys();
      exec("COMMIT");
      return 0;
    });
    sqlite3_close_v2(db_);
    db_ = nullptr;
    keepMode();
    syncPath(temp_, O_RDONLY);
    std::error_code error;
    fs::rename(temp_, file_, error);
    if (error) throw MigrationError("Cannot move the new SQLite file into place at " + file_.string() + ": " + error.message());
    committed_ = true;
    syncPath(file_.has_parent_path() ? file_.parent_path() : fs::path("."), O_RDONLY | O_DIRECTORY);
  }

 private:
  void copyExisting() {
    sqlite3* source = nullptr;
    if (sqlite3_open_v2(file_.c_str(), &source, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      const std::string reason = source ? sqlite3_errmsg(source) : "out of memory";
      sqlite3_close_v2(source);
      throw MigrationError("Cannot open the SQLite database " + file_.string() + ": " + reason);
    }
    sqlite3_backup* backup = sqlite3_backup_init(db_, "main", source, "main");
    int rc = backup ? sqlite3_backup_step(backup, -1) : SQLITE_ERROR;
    if (backup) sqlite3_backup_finish(backup);
    const std::string reason = sqlite3_errmsg(backup ? db_ : db_);
    sqlite3_close_v2(source);
    if (rc != SQLITE_DONE) {
      throw MigrationError("Cannot read the SQLite database " + file_.string() + " (is it one?): " + reason);
    }
  }

  // The new file gets the mode of the file it replaces, or the usual mode of a new file.
  void keepMode() {
    struct stat st {};
    mode_t mode = 0;
    if (::stat(file_.c_str(), &st) == 0) {
      mode = st.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::chmod(temp_.c_str(), mode);
  }

  void checkForeignKeys() {
    Statement check(db_, "PRAGMA foreign_key_check");
    if (sqlite3_step(check.get()) == SQLITE_ROW) {
      const auto* table = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
      const auto* parent = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 2));
      throw MigrationError(std::string("A row of ") + (table ? table : "?") + " refers to a missing row of " +
                           (parent ? parent : "?") + "; the target was not changed");
    }
  }

  void exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      const std::string reason = message ? message : sqlite3_errmsg(db_);
      sqlite3_free(message);
      throw MigrationError("SQLite refused " + sql.substr(0, sql.find('\n')).substr(0, 120) + ": " + reason +
                           "; the target was not changed");
    }
  }

  [[noreturn]] void fail(const std::string& doing) {
    throw MigrationError("SQLite failed " + doing + " " + temp_.string() + ": " + sqlite3_errmsg(db_));
  }

  fs::path file_;
  fs::path temp_;
  sqlite3* db_ = nullptr;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<TargetWriter> openSqliteWriter(const Target& target) { return std::make_unique<SqliteWriter>(target); }

}  // namespace qbmigrate
