// Writing Access 97 files: text is stored in the file's code page and what it
// cannot hold is refused before anything changes; tables made by the engine
// are Access 97 tables that our checker, mdbtools and compaction accept.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "corpus/write_mdbtools_check.h"
#include "jet/compact.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/integrity.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace {

using jet::Value;

std::vector<Value> tableOneRow(std::u16string a, std::u16string b) {
  return {Value::text(std::move(a)), Value::text(std::move(b)), Value::byte(1), Value::integer(2),
          Value::longInt(3),         Value::dbl(4.5),           Value::dateTime(jet::DateTime{36000.5}),
          Value::currency(jet::Currency{12345}), Value::boolean(true)};
}

void expectCleanStrict(jet::Database& db) {
  jet::IntegrityOptions strict;
  strict.strictness = jet::IntegrityStrictness::Strict;
  const jet::IntegrityReport report = jet::checkIntegrity(db, strict);
  EXPECT_TRUE(report.clean()) << report.problems.size() << " problems, first: "
                              << (report.problems.empty() ? "" : report.problems.front().message);
  EXPECT_EQ(report.indexesNotReencoded, 0u);
}

TEST(Access97Write, TextIsStoredInTheCodePageAndWhatItCannotHoldIsRefused) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V1997-testV1997.mdb");
  {
    auto db = jet::Database::open(path, {});
    auto table = db->table(u"Table1");
    const std::size_t before = table->rowIds().size();
    const std::string bytesBefore = qbtest::readFileBytes(path);

    // A character of code page 1252's 80-9F range and Latin-1 letters.
    std::vector<Value> row = tableOneRow(u"Zoë €5", u"Œuvre … ÿ");
    const jet::RowId id = table->insertRow(row);
    EXPECT_EQ(table->readValue(id, 0), Value::text(u"Zoë €5"));
    EXPECT_EQ(table->readValue(id, 1), Value::text(u"Œuvre … ÿ"));

    // Cyrillic has no place in code page 1252: refused, naming the field and the character.
    const std::string withRow = qbtest::readFileBytes(path);
    std::vector<Value> bad = tableOneRow(u"Жук", u"b");
    try {
      table->insertRow(bad);
      ADD_FAILURE() << "stored text code page 1252 cannot hold";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
      const std::string message = e.what();
      EXPECT_NE(message.find("field 'A'"), std::string::npos) << message;
      EXPECT_NE(message.find("U+0416"), std::string::npos) << message;
      EXPECT_NE(message.find("1252"), std::string::npos) << message;
    }
    std::vector<Value> badUpdate = tableOneRow(u"Zoë €5", u"日本");
    EXPECT_THROW(table->updateRow(id, badUpdate), jet::Error);
    EXPECT_EQ(qbtest::readFileBytes(path), withRow) << "a refused write changed the file";
    EXPECT_EQ(table->rowIds().size(), before + 1);
    EXPECT_NE(bytesBefore, withRow);
    expectCleanStrict(*db);
    qbtest::expectMdbExportReadsTheSameRows(path, *db, *table);
  }

  // Read in another code page the same bytes are other letters: 'ë' (EB) is
  // Cyrillic 'л' in 1251.
  jet::OpenOptions cyrillic;
  cyrillic.readOnly = true;
  cyrillic.codePage = 1251;
  auto db = jet::Database::open(path, cyrillic);
  bool found = false;
  db->table(u"Table1")->scan([&](jet::RowId, const std::vector<Value>& values) {
    if (values[0] == Value::text(u"Zoл Ђ5")) found = true;
    return true;
  });
  EXPECT_TRUE(found);
}

TEST(Access97Write, NewTablesAreAccess97TablesThatSurviveCompaction) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V1997-testIndexCodesV1997.mdb");
  std::vector<std::vector<Value>> written;
  {
    auto db = jet::Database::open(path, {});
    jet::TableSpec spec;
    spec.name = u"Adressé";
    const auto column = [](const char16_t* name, jet::DataType type, std::uint16_t size = 0) {
      jet::ColumnSpec c;
      c.name = name;
      c.type = type;
      c.size = size;
      return c;
    };
    spec.columns = {column(u"ID", jet::DataType::Long), column(u"Nom", jet::DataType::Text, 20),
                    column(u"Notes", jet::DataType::Memo), column(u"Payé", jet::DataType::Boolean)};
    spec.columns[0].autoNumber = true;
    spec.indexes = {jet::IndexSpec{u"PrimaryKey", {{u"ID", true}}, true},
                    jet::IndexSpec{u"Nom", {{u"Nom", false}}}};

    // Access 97 has no Decimal type, and names must fit the code page.
    jet::TableSpec decimal = spec;
    decimal.name = u"Decimals";
    decimal.columns.push_back(column(u"Amount", jet::DataType::Numeric));
    decimal.columns.back().precision = 10;
    EXPECT_THROW(db->createTable(decimal), jet::Error);
    jet::TableSpec cyrillic = spec;
    cyrillic.name = u"Адреса";
    EXPECT_THROW(db->createTable(cyrillic), jet::Error);

    auto table = db->createTable(spec);
    EXPECT_EQ(table->columns()[1].characterSize, 1);
    EXPECT_EQ(table->columns()[1].definedSize(), 20u);
    std::mt19937 random(97);
    const std::u16string letters = u"aeiouAEIOUéèàçñÆøß -€";
    db->beginTransaction();
    for (int i = 0; i < 400; ++i) {
      std::u16string name;
      for (unsigned n = random() % 21; n > 0; --n) name.push_back(letters[random() % letters.size()]);
      std::u16string notes(random() % 3000, u'n');
      std::vector<Value> row = {Value(), Value::text(name), i % 5 ? Value::text(notes) : Value(),
                                Value::boolean(i % 2 == 0)};
      table->insertRow(row);
    }
    // Deletes and updates between the inserts' pages.
    const auto ids = table->rowIds();
    for (std::size_t i = 0; i < ids.size(); i += 7) table->deleteRow(ids[i]);
    for (std::size_t i = 3; i < ids.size(); i += 11) {
      if (i % 7 == 0) continue;  // deleted above
      std::vector<Value> row = {table->readValue(ids[i], 0), Value::text(u"Mise à jour"),
                                Value::text(std::u16string(5000, u'é')), Value::boolean(false)};
      table->updateRow(ids[i], row);
    }
    db->commitTransaction();
    table->scan([&](jet::RowId, const std::vector<Value>& values) {
      written.push_back(values);
      return true;
    });
    EXPECT_GT(written.size(), 300u);
    expectCleanStrict(*db);
    qbtest::expectMdbExportReadsTheSameRows(path, *db, *table);
  }

  jet::compactDatabaseInPlace(path, u"");
  auto db = jet::Database::open(path, {});
  EXPECT_EQ(db->info().format, jet::FileFormat::Jet3);
  auto table = db->table(u"Adressé");
  std::vector<std::vector<Value>> compacted;
  table->scan([&](jet::RowId, const std::vector<Value>& values) {
    compacted.push_back(values);
    return true;
  });
  EXPECT_EQ(compacted, written);
  expectCleanStrict(*db);
  qbtest::expectMdbExportReadsTheSameRows(path, *db, *table);

  db->dropTable(u"Adressé");
  EXPECT_FALSE(db->hasTable(u"Adressé"));
  expectCleanStrict(*db);
}

}  // namespace
