// What the migrated tables enforce, and what a migration that fails leaves:
// values at the edges of every type arrive exactly; keys, unique text indexes
// (without regard to case), required and zero-length rules, Byte ranges and
// foreign keys refuse what Jet refuses; the autonumber goes on after the
// carried counter; a failure half way leaves the target as it was.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "migrate/migration.h"
#include "migrate/postgres_server.h"
#include "migrate/read_back.h"
#include "migrate/source_databases.h"
#include "support/test_files.h"

namespace qbtest {
namespace {

std::unique_ptr<jet::Database> openSource(const std::filesystem::path& file) {
  jet::OpenOptions options;
  options.readOnly = true;
  return jet::Database::open(file, options);
}

qbmigrate::MigrationSummary migrateTo(const std::filesystem::path& file, const std::string& to,
                                      const std::string& schema = "public", bool dropExisting = false) {
  auto db = openSource(file);
  qbmigrate::MigrationOptions options;
  options.target = qbmigrate::parseTarget(to);
  options.schema = schema;
  options.dropExisting = dropExisting;
  return qbmigrate::migrate(*db, options);
}

std::vector<jet::ColumnDef> columnsOf(const std::filesystem::path& file, const std::u16string& table) {
  return openSource(file)->table(table)->columns();
}

// An SQLite connection to a migrated file, with foreign keys enforced as an
// application would turn them on.
class SqliteFile {
 public:
  explicit SqliteFile(const std::filesystem::path& path) {
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
    exec("PRAGMA foreign_keys = ON");
  }
  ~SqliteFile() { sqlite3_close_v2(db_); }
  // The error message, empty on success.
  std::string exec(const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
    std::string text = rc == SQLITE_OK ? "" : (message ? message : "error");
    sqlite3_free(message);
    return text;
  }
  std::string scalar(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    std::string value = "<error>";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      value = text ? text : "<null>";
    }
    sqlite3_finalize(stmt);
    return value;
  }

 private:
  sqlite3* db_ = nullptr;
};

class MigrateValues : public ::testing::Test {
 protected:
  void SetUp() override { writeValuesDatabase(file_); }
  TempDir dir_;
  std::filesystem::path file_ = dir_ / "values.mdb";
};

TEST_F(MigrateValues, PostgresKeepsEveryValueAndEnforcesJetRules) {
  QB_REQUIRE_POSTGRES();
  PostgresSession pg("rules_values");
  migrateTo(file_, postgresUrl(), pg.schema());
  const auto columns = columnsOf(file_, u"Values");
  const std::string t = pg.qualified("Values");
  EXPECT_EQ(firstDifference(exportedRows(file_, "Values", "", columns), postgresRows(pg.get(), t, columns), columns), "");

  // The values themselves, independent of export's text forms.
  EXPECT_EQ(pg.scalar("SELECT \"DT\" = '1850-06-01 12:34:56' FROM " + t + " WHERE \"R\" = 'r1'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"DT\" = '9999-12-31 23:59:59' FROM " + t + " WHERE \"R\" = 'r2'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"DT\" = '0101-01-01 00:00:01' FROM " + t + " WHERE \"R\" = 'r3'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"DT\" = '1899-12-29 06:00:00' FROM " + t + " WHERE \"R\" = 'r4'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"C\"::text FROM " + t + " WHERE \"R\" = 'r1'"), "922337203685477.5807");
  EXPECT_EQ(pg.scalar("SELECT \"C\"::text FROM " + t + " WHERE \"R\" = 'r2'"), "-922337203685477.5808");
  EXPECT_EQ(pg.scalar("SELECT \"N\"::text FROM " + t + " WHERE \"R\" = 'r1'"), "1234567890123456789012.345678");
  EXPECT_EQ(pg.scalar("SELECT octet_length(\"OLE\") FROM " + t + " WHERE \"R\" = 'r3'"), "9000");
  EXPECT_EQ(pg.scalar("SELECT \"T\" = '' FROM " + t + " WHERE \"R\" = 'r2'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"T\" IS NULL FROM " + t + " WHERE \"R\" = 'r3'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"BIN\" = ''::bytea FROM " + t + " WHERE \"R\" = 'r2'"), "t");
  EXPECT_EQ(pg.scalar("SELECT \"M\" = E'tab\\tline\\nreturn\\rback\\\\slash ''quote'' \"double\" \\U0001F600 "
                      "\\u00E9 \\u0416 \\u4E2D' FROM " +
                          t + " WHERE \"R\" = 'r1'"),
            "t");

  // The autonumber goes on after the counter (5, the deleted row's), not after the largest key (4).
  EXPECT_EQ(pg.scalar("INSERT INTO " + t + " (\"R\") VALUES ('next') RETURNING \"ID\""), "6");
  EXPECT_EQ(pg.scalar("SELECT \"YN\"::text FROM " + t + " WHERE \"R\" = 'next'"), "false");
  EXPECT_EQ(pg.scalar("SELECT \"G\" IS NOT NULL FROM " + t + " WHERE \"R\" = 'next'"), "t") << "GUID autonumber";

  // Jet's rules.
  const std::string insert = "INSERT INTO " + t + " (\"R\", ";
  EXPECT_NE(pg.tryExec(insert + "\"ID\") VALUES ('x', 1)"), "") << "duplicate primary key";
  EXPECT_NE(pg.tryExec(insert + "\"T\") VALUES ('x', 'ABC')"), "") << "unique text index, other case";
  EXPECT_NE(pg.tryExec(insert + "\"Z\") VALUES ('x', '')"), "") << "zero-length text not allowed";
  EXPECT_NE(pg.tryExec(insert + "\"B\") VALUES ('x', 256)"), "") << "Byte range";
  EXPECT_NE(pg.tryExec("INSERT INTO " + t + " (\"T\") VALUES ('new')"), "") << "required field";
}

TEST_F(MigrateValues, SqliteKeepsEveryValueAndEnforcesJetRules) {
  const auto out = dir_ / "values.sqlite";
  migrateTo(file_, "sqlite:" + out.string());
  const auto columns = columnsOf(file_, u"Values");
  EXPECT_EQ(firstDifference(withoutSignOfZero(exportedRows(file_, "Values", "", columns), columns),
                            sqliteRows(out, "Values", columns), columns),
            "");

  SqliteFile db(out);
  EXPECT_EQ(db.scalar("SELECT \"DT\" FROM \"Values\" WHERE \"R\" = 'r3'"), "0101-01-01 00:00:01");
  EXPECT_EQ(db.scalar("SELECT \"C\" FROM \"Values\" WHERE \"R\" = 'r1'"), "922337203685477.5807");
  EXPECT_EQ(db.scalar("SELECT typeof(\"T\") FROM \"Values\" WHERE \"R\" = 'r2'"), "text");
  EXPECT_EQ(db.scalar("SELECT typeof(\"T\") FROM \"Values\" WHERE \"R\" = 'r3'"), "null");
  EXPECT_EQ(db.scalar("SELECT typeof(\"BIN\") FROM \"Values\" WHERE \"R\" = 'r2'"), "blob");

  const std::string insert = "INSERT INTO \"Values\" (\"R\", ";
  EXPECT_NE(db.exec(insert + "\"ID\") VALUES ('x', 1)"), "") << "duplicate primary key";
  EXPECT_NE(db.exec(insert + "\"T\") VALUES ('x', 'ABC')"), "") << "unique text index, other case";
  EXPECT_NE(db.exec(insert + "\"Z\") VALUES ('x', '')"), "") << "zero-length text not allowed";
  EXPECT_NE(db.exec(insert + "\"B\") VALUES ('x', 256)"), "") << "Byte range";
  EXPECT_NE(db.exec(insert + "\"YN\") VALUES ('x', 2)"), "") << "Yes/No is 0 or 1";
  EXPECT_NE(db.exec("INSERT INTO \"Values\" (\"T\") VALUES ('new')"), "") << "required field";
  EXPECT_EQ(db.exec(insert + "\"T\") VALUES ('next', 'new')"), "");
  EXPECT_EQ(db.scalar("SELECT \"ID\" FROM \"Values\" WHERE \"R\" = 'next'"), "6");
  EXPECT_EQ(db.scalar("SELECT length(\"G\") || substr(\"G\", 1, 1) || substr(\"G\", 25, 1) FROM \"Values\" "
                      "WHERE \"R\" = 'next'"),
            "38{-")
      << "GUID autonumber";
}

// indexTestV2000: Table1 refers to Table2 (cascading deletes) and Table3
// (cascading updates) through enforced relationships.
TEST(MigrateRelationships, PostgresForeignKeysRefuseMissingParentsAndCascade) {
  QB_REQUIRE_CORPUS();
  QB_REQUIRE_POSTGRES();
  PostgresSession pg("rules_relationships");
  const auto file = corpusFile("jackcess-V2000-indexTestV2000.mdb");
  const auto summary = migrateTo(file, postgresUrl(), pg.schema());
  EXPECT_EQ(summary.foreignKeys, 2u);
  const std::string t1 = pg.qualified("Table1"), t2 = pg.qualified("Table2"), t3 = pg.qualified("Table3");
  EXPECT_NE(pg.tryExec("INSERT INTO " + t1 + " (id, otherfk1) VALUES (1000, 987654)"), "");
  const std::string parent = pg.scalar("SELECT min(otherfk1) FROM " + t1);
  const std::string children = pg.scalar("SELECT count(*) FROM " + t1 + " WHERE otherfk1 = " + parent);
  ASSERT_NE(children, "0");
  pg.exec("DELETE FROM " + t2 + " WHERE id = " + parent);
  EXPECT_EQ(pg.scalar("SELECT count(*) FROM " + t1 + " WHERE otherfk1 = " + parent), "0");
  const std::string other = pg.scalar("SELECT min(otherfk2) FROM " + t1);
  pg.exec("UPDATE " + t3 + " SET id = 5000 WHERE id = " + other);
  EXPECT_EQ(pg.scalar("SELECT count(*) FROM " + t1 + " WHERE otherfk2 = " + other), "0");
  EXPECT_NE(pg.scalar("SELECT count(*) FROM " + t1 + " WHERE otherfk2 = 5000"), "0");
}

TEST(MigrateRelationships, SqliteForeignKeysRefuseMissingParentsAndCascade) {
  QB_REQUIRE_CORPUS();
  TempDir dir;
  const auto out = dir / "index.sqlite";
  migrateTo(corpusFile("jackcess-V2000-indexTestV2000.mdb"), "sqlite:" + out.string());
  SqliteFile db(out);
  EXPECT_NE(db.exec("INSERT INTO Table1 (id, otherfk1) VALUES (1000, 987654)"), "");
  const std::string parent = db.scalar("SELECT min(otherfk1) FROM Table1");
  ASSERT_NE(db.scalar("SELECT count(*) FROM Table1 WHERE otherfk1 = " + parent), "0");
  EXPECT_EQ(db.exec("DELETE FROM Table2 WHERE id = " + parent), "");
  EXPECT_EQ(db.scalar("SELECT count(*) FROM Table1 WHERE otherfk1 = " + parent), "0");
}

// A target table of the same name half way through the run: the tables made
// before it are gone again and it is untouched.
TEST(MigrateAtomic, PostgresExistingTableLeavesTargetAsItWas) {
  QB_REQUIRE_CORPUS();
  QB_REQUIRE_POSTGRES();
  PostgresSession pg("atomic_existing");
  pg.exec("CREATE TABLE " + pg.qualified("Table3") + " (mine text)");
  pg.exec("INSERT INTO " + pg.qualified("Table3") + " VALUES ('kept')");
  const auto file = corpusFile("jackcess-V2000-indexTestV2000.mdb");
  try {
    migrateTo(file, postgresUrl(), pg.schema());
    FAIL() << "the migration should have failed";
  } catch (const qbmigrate::MigrationError& e) {
    EXPECT_NE(std::string(e.what()).find("already has a table Table3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("--drop-existing"), std::string::npos) << e.what();
  }
  const std::string inSchema = "SELECT string_agg(table_name, ',') FROM information_schema.tables WHERE table_schema = '" +
                               pg.schema() + "'";
  EXPECT_EQ(pg.scalar(inSchema), "Table3");
  EXPECT_EQ(pg.scalar("SELECT mine FROM " + pg.qualified("Table3")), "kept");

  migrateTo(file, postgresUrl(), pg.schema(), true);
  EXPECT_EQ(pg.scalar(inSchema + " AND table_name LIKE 'Table%'").size(), std::string("Table1,Table2,Table3").size());
  EXPECT_NE(pg.scalar("SELECT count(*) FROM " + pg.qualified("Table3")), "0");
}

// The server ends the session while rows are being copied.
TEST(MigrateAtomic, PostgresServerGoingAwayLeavesTargetAsItWas) {
  QB_REQUIRE_POSTGRES();
  TempDir dir;
  writeOrdersDatabase(dir / "orders.mdb", 40000);
  PostgresSession pg("atomic_lost");
  auto db = openSource(dir / "orders.mdb");
  qbmigrate::MigrationOptions options;
  options.target = qbmigrate::parseTarget(postgresUrl());
  options.schema = pg.schema();
  bool terminated = false;
  options.progress = [&](const qbmigrate::MigrationProgress& p) {
    if (terminated || p.tableRows == 0 || p.tableRows >= 40000) return;
    terminated = true;
    // Only this migration's session: other tests may be migrating to the same server at the
    // same moment. Its tables are not visible outside its transaction yet, but the lock it
    // took on their schema is.
    pg.exec("SELECT pg_terminate_backend(l.pid) FROM pg_locks l JOIN pg_namespace n ON l.locktype = 'object'"
            " AND l.classid = 'pg_namespace'::regclass AND l.objid = n.oid WHERE n.nspname = '" +
            pg.schema() + "' AND l.pid <> pg_backend_pid()");
  };
  try {
    qbmigrate::migrate(*db, options);
    FAIL() << "the migration should have failed";
  } catch (const qbmigrate::MigrationError& e) {
    EXPECT_NE(std::string(e.what()).find("nothing was changed"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(terminated);
  EXPECT_EQ(pg.scalar("SELECT count(*) FROM information_schema.tables WHERE table_schema = '" + pg.schema() + "'"), "0");
}

TEST(MigrateAtomic, SqliteExistingTableLeavesFileAsItWas) {
  QB_REQUIRE_CORPUS();
  TempDir dir;
  const auto out = dir / "target.sqlite";
  {
    SqliteFile db(out);
    ASSERT_EQ(db.exec("CREATE TABLE Keep (a); INSERT INTO Keep VALUES (1); CREATE TABLE table3 (mine)"), "");
  }
  const std::string before = readFileBytes(out);
  const auto file = corpusFile("jackcess-V2000-indexTestV2000.mdb");
  EXPECT_THROW(migrateTo(file, "sqlite:" + out.string()), qbmigrate::MigrationError);
  EXPECT_EQ(readFileBytes(out), before);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u) << "no temporary file left behind";

  // With --drop-existing the table is replaced and the others stay.
  migrateTo(file, "sqlite:" + out.string(), "public", true);
  SqliteFile db(out);
  EXPECT_EQ(db.scalar("SELECT count(*) FROM Keep"), "1");
  EXPECT_NE(db.scalar("SELECT count(*) FROM Table3"), "0");
}

// Jet names may be 64 characters; PostgreSQL keeps 63 bytes and would cut
// longer names silently, so two of them could become one.
TEST(MigrateNames, PostgresLongNamesAreShortenedApartAndReported) {
  QB_REQUIRE_POSTGRES();
  TempDir dir;
  {
    auto db = jet::Database::create(dir / "names.mdb");
    for (const char16_t* last : {u"1", u"2"}) {
      jet::TableSpec spec;
      spec.name = std::u16string(63, u'\u00C4') + last;
      jet::ColumnSpec c;
      c.name = std::u16string(64, u'\u00D6');
      c.type = jet::DataType::Long;
      spec.columns = {c};
      auto table = db->createTable(spec);
      std::vector<jet::Value> row{jet::Value::longInt(7)};
      table->insertRow(row);
    }
  }
  PostgresSession pg("long_names");
  const auto summary = migrateTo(dir / "names.mdb", postgresUrl(), pg.schema());
  EXPECT_EQ(summary.warnings.size(), 4u);
  EXPECT_EQ(pg.scalar("SELECT count(*) FROM information_schema.tables WHERE table_schema = '" + pg.schema() + "'"), "2");
  EXPECT_EQ(pg.scalar("SELECT max(octet_length(table_name)) FROM information_schema.tables WHERE table_schema = '" +
                      pg.schema() + "'"),
            "63");
}

}  // namespace
}  // namespace qbtest
