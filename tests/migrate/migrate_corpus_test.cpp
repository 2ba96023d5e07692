// Every Jet 4 corpus file, and a generated database of 100 000 rows, migrated
// with `qbtool migrate` to PostgreSQL and to SQLite: for every table, the rows
// read back equal what `qbtool export` writes for the source, value for
// value; every primary key and enforced relationship exists in the target.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "cli/process_runner.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "migrate/postgres_server.h"
#include "migrate/read_back.h"
#include "migrate/source_databases.h"
#include "support/test_files.h"

namespace qbtest {
namespace {

struct SourceTable {
  std::string name;
  std::vector<jet::ColumnDef> columns;
  bool primaryKey = false;
  std::size_t foreignKeys = 0;  // enforced relationships where this table refers to another
};

std::vector<SourceTable> sourceTables(const std::filesystem::path& file, const std::u16string& password) {
  jet::OpenOptions options;
  options.readOnly = true;
  options.password = password;
  auto db = jet::Database::open(file, options);
  std::vector<SourceTable> tables;
  for (const jet::TableListEntry& entry : db->listTables(false)) {
    if (entry.kind != jet::TableKind::Table) continue;
    const auto table = db->table(entry.name);
    SourceTable t{jet::toUtf8(entry.name), table->columns()};
    for (const jet::IndexDef& index : table->indexes()) {
      t.primaryKey = t.primaryKey || index.primaryKey;
      if (index.foreignKey && !index.referencedSide) ++t.foreignKeys;
    }
    tables.push_back(std::move(t));
  }
  return tables;
}

std::vector<std::string> migrateArgs(const std::filesystem::path& file, const std::string& to,
                                     const std::u16string& password) {
  std::vector<std::string> args = {"migrate", file.string(), "--to", to};
  if (!password.empty()) args.insert(args.end(), {"--password", jet::toUtf8(password)});
  return args;
}

std::string lowerName(std::string name) {
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// Migrates `file` to a fresh schema and checks every table and key.
void checkPostgres(const std::filesystem::path& file, const std::u16string& password, const std::string& schema) {
  PostgresSession pg(schema);
  std::vector<std::string> args = migrateArgs(file, postgresUrl(), password);
  args.insert(args.end(), {"--schema", schema});
  const ProcessResult run = runQbtool(args);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("Migrated "), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "") << "no progress when standard error is not a terminal";
  for (const SourceTable& t : sourceTables(file, password)) {
    SCOPED_TRACE(t.name);
    const Rows expected = exportedRows(file, t.name, jet::toUtf8(password), t.columns);
    const Rows actual = postgresRows(pg.get(), pg.qualified(t.name), t.columns);
    EXPECT_EQ(firstDifference(expected, actual, t.columns), "");
    const std::string where = "conrelid = '" + pg.qualified(t.name) + "'::regclass";
    EXPECT_EQ(pg.scalar("SELECT count(*) FROM pg_constraint WHERE contype = 'p' AND " + where), t.primaryKey ? "1" : "0");
    EXPECT_EQ(pg.scalar("SELECT count(*) FROM pg_constraint WHERE contype = 'f' AND " + where),
              std::to_string(t.foreignKeys));
  }
}

void checkSqlite(const std::filesystem::path& file, const std::u16string& password, const std::filesystem::path& out) {
  const ProcessResult run = runQbtool(migrateArgs(file, "sqlite:" + out.string(), password));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(out.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  auto count = [&](const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    int n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
      n = sqlite3_column_int(stmt, 0);
    }
    sqlite3_finalize(stmt);
    return n;
  };
  for (const SourceTable& t : sourceTables(file, password)) {
    SCOPED_TRACE(t.name);
    const Rows expected = exportedRows(file, t.name, jet::toUtf8(password), t.columns);
    EXPECT_EQ(firstDifference(expected, sqliteRows(out, t.name, t.columns), t.columns), "");
    std::string literal = "'";
    for (char c : t.name) literal += c == '\'' ? std::string("''") : std::string(1, c);
    literal += "'";
    EXPECT_EQ(count("SELECT count(*) > 0 FROM pragma_table_info(" + literal + ") WHERE pk > 0"), t.primaryKey ? 1 : 0);
    EXPECT_EQ(count("SELECT count(DISTINCT id) FROM pragma_foreign_key_list(" + literal + ")"),
              static_cast<int>(t.foreignKeys));
  }
  sqlite3_close_v2(db);
}

class MigrateCorpus : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(MigrateCorpus, PostgresRowsEqualExport) {
  QB_REQUIRE_CORPUS();
  QB_REQUIRE_POSTGRES();
  checkPostgres(corpusFile(GetParam().name), GetParam().password, "corpus_" + lowerName(corpusTestName(GetParam())));
}

TEST_P(MigrateCorpus, SqliteRowsEqualExport) {
  QB_REQUIRE_CORPUS();
  TempDir dir;
  checkSqlite(corpusFile(GetParam().name), GetParam().password, dir / "out.sqlite");
}

INSTANTIATE_TEST_SUITE_P(Jet4, MigrateCorpus, ::testing::ValuesIn(jet4CorpusFiles()),
                         [](const auto& param) { return corpusTestName(param.param); });

// The benchmark generator's Orders table: 100 000 rows with an autonumber key,
// an indexed text column, currency, dates and memos of up to 8 000 characters.
class MigrateGenerated : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    writeOrdersDatabase(*dir_ / "orders.mdb", 100000);
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static std::filesystem::path file() { return *dir_ / "orders.mdb"; }
  static TempDir* dir_;
};

TempDir* MigrateGenerated::dir_ = nullptr;

TEST_F(MigrateGenerated, PostgresRowsEqualExport) {
  QB_REQUIRE_POSTGRES();
  checkPostgres(file(), u"", "generated_orders");
}

TEST_F(MigrateGenerated, SqliteRowsEqualExport) { checkSqlite(file(), u"", dir_->path() / "orders.sqlite"); }

}  // namespace
}  // namespace qbtest
