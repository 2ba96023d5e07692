// A blank database made by the engine, on a simulated disk: what it holds when
// opened again, that it takes tables and rows and stays consistent, its
// password, and what happens when the name is taken or the disk fails at any
// point of the creation (no partial file may remain).
#include <gtest/gtest.h>

#include <cmath>

#include "catalog/database_impl.h"
#include "catalog/schema_catalog_rows.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/text.h"
#include "storage/journal_format.h"
#include "storage/memory_vfs.h"
#include "tools/create_database.h"

namespace {

const std::string kPath = "/data/new.mdb";
const std::string kJournal = kPath + jet::kJournalSuffix;

std::unique_ptr<jet::Database> create(const std::shared_ptr<jet::MemoryVfs>& vfs, const jet::CreateOptions& options = {}) {
  return jet::createDatabase(vfs, kPath, options);
}

std::unique_ptr<jet::Database> reopen(const std::shared_ptr<jet::MemoryVfs>& vfs, std::u16string password = {}) {
  jet::OpenOptions options;
  options.password = std::move(password);
  return jet::openDatabase(vfs, kPath, options);
}

std::vector<std::string> tableNames(const jet::Database& db, bool includeSystem) {
  std::vector<std::string> names;
  for (const jet::TableListEntry& e : db.listTables(includeSystem)) names.push_back(jet::toUtf8(e.name));
  return names;
}

void expectStrictlyClean(jet::Database& db) {
  jet::IntegrityOptions options;
  options.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(db, options);
  for (const jet::IntegrityProblem& p : report.problems) ADD_FAILURE() << p.message;
  EXPECT_TRUE(report.clean());
}

TEST(CreateDatabase, ReopensWithTheSystemTablesAndNoUserTables) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  create(vfs).reset();
  EXPECT_FALSE(vfs->exists(kJournal));
  const auto db = reopen(vfs);
  EXPECT_FALSE(db->isReadOnly());
  EXPECT_TRUE(tableNames(*db, false).empty());
  EXPECT_EQ(tableNames(*db, true), (std::vector<std::string>{"MSysAccessObjects", "MSysACEs", "MSysObjects",
                                                              "MSysQueries", "MSysRelationships"}));
  EXPECT_TRUE(db->savedQueries().empty());
  // The four tables every database has sit on pages 2 to 5, as the engine lays them out.
  EXPECT_EQ(db->impl().findTableObject(u"MSysObjects")->id, 2);
  EXPECT_EQ(db->impl().findTableObject(u"MSysACEs")->id, 3);
  EXPECT_EQ(db->impl().findTableObject(u"MSysQueries")->id, 4);
  EXPECT_EQ(db->impl().findTableObject(u"MSysRelationships")->id, 5);
  expectStrictlyClean(*db);
}

TEST(CreateDatabase, HeaderAndCatalogCarryTheCreationTime) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  const double before = jet::currentDateTime().days;
  create(vfs).reset();
  const double after = jet::currentDateTime().days;
  const auto db = reopen(vfs);
  const jet::DatabaseInfo& info = db->info();
  EXPECT_EQ(info.sortOrder, 0x0409);
  EXPECT_FALSE(info.hasPassword);
  EXPECT_GE(info.created.days, before);
  EXPECT_LE(info.created.days, after);
  for (const jet::CatalogObject& o : db->catalog()) {
    EXPECT_EQ(o.created.days, info.created.days) << jet::toUtf8(o.name);
    EXPECT_EQ(o.updated.days, info.created.days) << jet::toUtf8(o.name);
  }
  // Whole pages, nothing beyond what the structures use.
  EXPECT_EQ(vfs->contents(kPath).size() % 4096, 0u);
  EXPECT_EQ(info.pageCount, vfs->contents(kPath).size() / 4096);
}

TEST(CreateDatabase, TakesTablesRowsAndIndexesAndStaysConsistent) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  {
    const auto db = create(vfs);
    jet::TableSpec spec;
    spec.name = u"Customers";
    jet::ColumnSpec id{u"ID", jet::DataType::Long};
    id.autoNumber = true;
    spec.columns = {id, {u"Name", jet::DataType::Text, 40}, {u"Notes", jet::DataType::Memo}};
    spec.indexes = {{u"PrimaryKey", {{u"ID"}}, true}, {u"ByName", {{u"Name"}}}};
    const auto table = db->createTable(spec);
    db->beginTransaction();
    for (int i = 0; i < 300; ++i) {
      std::vector<jet::Value> row = {jet::Value::null(), jet::Value::text(u"name " + jet::fromUtf8(std::to_string(i))),
                                     jet::Value::text(std::u16string(static_cast<std::size_t>(i % 7) * 400, u'x'))};
      table->insertRow(row);
    }
    db->commitTransaction();
  }
  const auto db = reopen(vfs);
  EXPECT_EQ(tableNames(*db, false), std::vector<std::string>{"Customers"});
  EXPECT_EQ(db->table(u"Customers")->rowIds().size(), 300u);
  expectStrictlyClean(*db);
}

TEST(CreateDatabase, PasswordIsAskedForOnOpening) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  jet::CreateOptions options;
  options.password = u"sécret 20 characters";
  options.password.resize(20);
  create(vfs, options).reset();
  EXPECT_TRUE(reopen(vfs, options.password)->info().hasPassword);
  try {
    reopen(vfs);
    FAIL() << "opened without its password";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
  }
}

TEST(CreateDatabase, TooLongPasswordIsRefusedBeforeAnyFileIsMade) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  jet::CreateOptions options;
  options.password = std::u16string(21, u'p');
  EXPECT_THROW(create(vfs, options), jet::Error);
  EXPECT_FALSE(vfs->exists(kPath));
  EXPECT_EQ(vfs->operations(), 0u);
}

TEST(CreateDatabase, ExistingFileIsRefusedAndLeftAsItIs) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  const std::vector<std::uint8_t> bytes = {'n', 'o', 't', ' ', 'm', 'i', 'n', 'e'};
  vfs->put(kPath, bytes);
  const std::size_t before = vfs->operations();
  try {
    create(vfs);
    FAIL() << "created over an existing file";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    EXPECT_NE(std::string(e.what()).find("exists already"), std::string::npos) << e.what();
  }
  EXPECT_EQ(vfs->contents(kPath), bytes);
  EXPECT_EQ(vfs->operations(), before);

  // An empty file is somebody's file too.
  vfs->put(kPath, {});
  EXPECT_THROW(create(vfs), jet::Error);
  EXPECT_TRUE(vfs->exists(kPath));
}

// Every write, sync, create and remove of a creation fails in turn: the error
// reaches the caller and neither the database nor its journal is left behind.
// The only failures a creation may get over are those the journal's commit
// point tolerates (the folder sync after the journal is removed; the folder is
// synced again at the end): then the file must be whole.
TEST(CreateDatabase, FailureAtAnyStepLeavesNoFile) {
  std::size_t steps = 0;
  {
    auto vfs = std::make_shared<jet::MemoryVfs>();
    create(vfs).reset();
    steps = vfs->operations();
  }
  ASSERT_GT(steps, 3u);
  std::size_t survived = 0;
  for (std::size_t step = 0; step < steps; ++step) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    auto vfs = std::make_shared<jet::MemoryVfs>();
    vfs->failAt(step);
    try {
      create(vfs).reset();
      ++survived;
      expectStrictlyClean(*reopen(vfs));
      continue;
    } catch (const jet::Error& e) {
      EXPECT_NE(std::string(e.what()).find("Cannot create the database '" + kPath + "'"), std::string::npos)
          << e.what();
    }
    EXPECT_FALSE(vfs->exists(kPath));
    EXPECT_FALSE(vfs->exists(kJournal));
  }
  EXPECT_LE(survived, 2u);
}

// When even the removal fails (the disk is gone), the error says the partial
// file is still there.
TEST(CreateDatabase, FailedCleanupIsReported) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  vfs->failAt(2, true);
  try {
    create(vfs);
    FAIL() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).find("could not be removed"), std::string::npos) << e.what();
  }
}

}  // namespace
