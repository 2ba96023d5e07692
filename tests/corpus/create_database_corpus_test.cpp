// A database made by the engine against the blank database Access 2000 made
// (jackcess-empty.mdb): the same system tables, column by column and index by
// index; the same catalog rows and access-control entries; and mdbtools reads
// it, before and after a table is added and filled.
#include <gtest/gtest.h>

#include <sstream>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "corpus/write_mdbtools_check.h"
#include "format/header.h"
#include "format/header_format.h"
#include "format/table_definition.h"
#include "jet/database.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/value_printer.h"
#include "table/table_impl.h"

namespace {

constexpr const char* kAccessBlank = "jackcess-empty.mdb";
const char16_t* const kSystemTables[] = {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships",
                                         u"MSysAccessObjects"};

// Everything a definition says apart from where its pages are; the row and
// key counters only when `counters` (they follow the rows the table holds).
std::string describe(const jet::TableDefinition& d, bool counters) {
  std::ostringstream s;
  s << "type " << int(d.tableType) << " max columns " << d.maxColumns << " variable " << d.varColumns << " length "
    << d.length;
  if (counters) s << " rows " << d.rowCount << " autonumber " << d.autoNumber;
  s << "\n";
  for (const jet::ColumnDefinition& c : d.columns) {
    s << "column " << jet::toUtf8(c.name) << " type " << int(c.type) << " number " << c.number << " position "
      << c.position << " length " << c.length << " flags " << int(c.flags) << " ext " << int(c.extFlags);
    if (c.isFixed()) s << " at " << c.fixedOffset;
    if (!c.isFixed()) s << " slot " << c.varSlot;
    if (c.type == jet::DataType::Text || c.type == jet::DataType::Memo) {
      s << " sort " << c.sortOrder << "/" << int(c.sortOrderVersion);
    }
    s << "\n";
  }
  for (const jet::RealIndexDefinition& r : d.realIndexes) {
    s << "real index flags " << int(r.flags);
    if (counters) s << " unique keys " << r.uniqueCount;
    s << " on";
    for (const jet::IndexKeyColumn& k : r.columns) s << " " << k.columnNumber << (k.ascending ? "+" : "-");
    s << "\n";
  }
  for (const jet::LogicalIndexDefinition& l : d.logicalIndexes) {
    s << "index " << jet::toUtf8(l.name) << " number " << l.number << " real " << l.realIndex << " kind "
      << int(l.kind) << " foreign " << int(l.foreignKeyRole) << "/" << l.foreignKeyIndex << "/" << l.foreignKeyTable
      << "/" << int(l.cascadeUpdates) << "/" << int(l.cascadeDeletes) << "\n";
  }
  s << "long values on";
  for (const jet::LongValueColumnMaps& m : d.longValueMaps) s << " " << m.columnNumber;
  return s.str();
}

jet::TableDefinition definitionOf(jet::Database& db, const char16_t* table) {
  return db.table(table)->impl().definition;
}

std::vector<std::vector<jet::Value>> rowsOf(jet::Database& db, const char16_t* table) {
  std::vector<std::vector<jet::Value>> rows;
  db.table(table)->scan([&](jet::RowId, const std::vector<jet::Value>& row) {
    rows.push_back(row);
    return true;
  });
  return rows;
}

class CreateDatabaseCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    QB_REQUIRE_CORPUS();
    jet::OpenOptions readOnly;
    readOnly.readOnly = true;
    access_ = jet::Database::open(dir_.copyCorpusFile(kAccessBlank), readOnly);
    path_ = dir_ / "new.mdb";
    ours_ = jet::Database::create(path_);
  }

  qbtest::TempDir dir_;
  std::filesystem::path path_;
  std::unique_ptr<jet::Database> access_;
  std::unique_ptr<jet::Database> ours_;
};

// Unmasked, the header pages differ only in the creation date and the
// password area the date masks.
TEST_F(CreateDatabaseCorpus, HeaderPageIsThatOfABlankAccessFileButForItsDate) {
  ours_.reset();
  const auto unmasked = [](const std::filesystem::path& file) {
    const std::string bytes = qbtest::readFileBytes(file).substr(0, jet::kJet4Format.pageSize);
    std::vector<std::uint8_t> page(bytes.begin(), bytes.end());
    jet::toggleHeaderMask(page, jet::kJet4Format);
    std::fill_n(page.begin() + jet::kHeaderPassword, jet::kJet4Format.headerPasswordLength, 0);
    std::fill_n(page.begin() + jet::kHeaderCreationDate, sizeof(double), 0);
    return page;
  };
  const std::vector<std::uint8_t> ours = unmasked(path_);
  const std::vector<std::uint8_t> access = unmasked(dir_ / kAccessBlank);
  ASSERT_EQ(ours.size(), access.size());
  for (std::size_t i = 0; i < access.size(); ++i) EXPECT_EQ(ours[i], access[i]) << "header byte " << i;
}

TEST_F(CreateDatabaseCorpus, SystemTablesAreDefinedAsInABlankAccessFile) {
  for (const char16_t* table : kSystemTables) {
    // Access's project table holds Access's own data, which a new file has not.
    const bool counters = std::u16string_view(table) != u"MSysAccessObjects";
    EXPECT_EQ(describe(definitionOf(*ours_, table), counters), describe(definitionOf(*access_, table), counters))
        << jet::toUtf8(table);
    const auto a = access_->table(table);
    const auto o = ours_->table(table);
    ASSERT_EQ(o->columns().size(), a->columns().size());
    for (std::size_t c = 0; c < a->columns().size(); ++c) {
      EXPECT_EQ(o->columns()[c].name, a->columns()[c].name);
      EXPECT_EQ(o->columns()[c].type, a->columns()[c].type);
      EXPECT_EQ(o->columns()[c].length, a->columns()[c].length);
      EXPECT_EQ(o->columns()[c].fixedLength, a->columns()[c].fixedLength);
      EXPECT_EQ(o->columns()[c].required, a->columns()[c].required);
    }
  }
  // The catalog's definition is where every reader looks for it.
  EXPECT_EQ(definitionOf(*ours_, u"MSysObjects").firstPage, jet::kCatalogPage);
}

TEST_F(CreateDatabaseCorpus, CatalogRowsAreThoseOfABlankAccessFile) {
  const std::vector<jet::CatalogObject>& ours = ours_->catalog();
  const std::vector<jet::CatalogObject>& access = access_->catalog();
  ASSERT_EQ(ours.size(), access.size());
  for (std::size_t i = 0; i < access.size(); ++i) {
    SCOPED_TRACE(jet::toUtf8(access[i].name));
    EXPECT_EQ(ours[i].name, access[i].name);
    EXPECT_EQ(ours[i].id, access[i].id);
    EXPECT_EQ(ours[i].parentId, access[i].parentId);
    EXPECT_EQ(ours[i].type, access[i].type);
    EXPECT_EQ(ours[i].flags, access[i].flags);
  }
  // Owners and properties, read from the rows themselves. Access fills in the
  // summary (title, author, company) and its layout data from its own
  // settings; those are left to it.
  const auto oursRows = rowsOf(*ours_, u"MSysObjects");
  const auto accessRows = rowsOf(*access_, u"MSysObjects");
  const auto table = ours_->table(u"MSysObjects");
  const auto column = [&](const char16_t* name) { return static_cast<std::size_t>(table->findColumn(name)); };
  for (std::size_t i = 0; i < accessRows.size(); ++i) {
    const std::u16string name = accessRows[i][column(u"Name")].asText();
    SCOPED_TRACE(jet::toUtf8(name));
    EXPECT_EQ(oursRows[i][column(u"Owner")], accessRows[i][column(u"Owner")]);
    if (name != u"SummaryInfo") {
      EXPECT_EQ(oursRows[i][column(u"LvProp")], accessRows[i][column(u"LvProp")]);
    }
    for (const char16_t* unused : {u"Database", u"Connect", u"ForeignName", u"RmtInfoShort", u"RmtInfoLong", u"Lv",
                                   u"LvModule"}) {
      EXPECT_TRUE(oursRows[i][column(unused)].isNull()) << jet::toUtf8(unused);
    }
  }
}

TEST_F(CreateDatabaseCorpus, AccessControlEntriesAreThoseOfABlankAccessFile) {
  EXPECT_EQ(rowsOf(*ours_, u"MSysACEs"), rowsOf(*access_, u"MSysACEs"));
  EXPECT_TRUE(rowsOf(*ours_, u"MSysQueries").empty());
  EXPECT_TRUE(rowsOf(*ours_, u"MSysRelationships").empty());
  EXPECT_TRUE(rowsOf(*ours_, u"MSysAccessObjects").empty());
}

TEST_F(CreateDatabaseCorpus, MdbtoolsReadsTheBlankFile) {
  if (!qbtest::mdbtoolsAvailable()) GTEST_SKIP() << "mdbtools is not installed";
  ours_.reset();
  EXPECT_EQ(qbtest::mdbTables(path_), qbtest::mdbTables(dir_ / kAccessBlank));
  const auto db = jet::Database::open(path_);
  for (const char16_t* table : {u"MSysObjects", u"MSysACEs"}) {
    qbtest::expectMdbExportReadsTheSameRows(path_, *db, *db->table(table));
  }
}

// A table made in the new file, filled past one data page, reads the same in
// mdbtools, and the whole file checks clean.
TEST_F(CreateDatabaseCorpus, MdbtoolsReadsRowsWrittenIntoTheNewFile) {
  jet::TableSpec spec;
  spec.name = u"Orders";
  jet::ColumnSpec id{u"ID", jet::DataType::Long};
  id.autoNumber = true;
  spec.columns = {id,
                  {u"Customer", jet::DataType::Text, 50},
                  {u"Amount", jet::DataType::Currency},
                  {u"Shipped", jet::DataType::Boolean},
                  {u"When", jet::DataType::DateTime},
                  {u"Notes", jet::DataType::Memo}};
  spec.indexes = {{u"PrimaryKey", {{u"ID"}}, true}, {u"Customer", {{u"Customer"}}}};
  const auto table = ours_->createTable(spec);
  ours_->beginTransaction();
  for (int i = 0; i < 400; ++i) {
    std::vector<jet::Value> row = {jet::Value::null(),
                                   jet::Value::text(u"Kunde " + jet::fromUtf8(std::to_string(i % 37)) + u" Müller"),
                                   jet::Value::currency(jet::Currency{i * 12345}),
                                   jet::Value::boolean(i % 3 == 0),
                                   jet::Value::dateTime(jet::DateTime{40000.5 + i}),
                                   i % 5 == 0 ? jet::Value::null() : jet::Value::text(std::u16string(static_cast<std::size_t>(i) * 5, u'n'))};
    table->insertRow(row);
  }
  ours_->commitTransaction();
  ours_.reset();

  const auto db = jet::Database::open(path_);
  EXPECT_EQ(db->table(u"Orders")->rowIds().size(), 400u);
  qbtest::expectMdbExportReadsTheSameRows(path_, *db, *db->table(u"Orders"));
  qbtest::expectMdbExportReadsTheSameRows(path_, *db, *db->table(u"MSysObjects"));
  jet::IntegrityOptions strict;
  strict.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(*db, strict);
  for (const jet::IntegrityProblem& p : report.problems) ADD_FAILURE() << p.message;
}

}  // namespace
