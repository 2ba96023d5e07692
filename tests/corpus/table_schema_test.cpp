// Table definitions of real files as callers see them: column order, types and
// sizes, and logical indexes. (The ADO description of the same columns is the
// data-access layer's: tests/connection/ado_type_test.cpp.)
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/table.h"
#include "support/corpus_database.h"
#include "support/test_files.h"

namespace {

using jet::DataType;
using qbtest::columnNamed;
using qbtest::openCorpusReadOnly;

TEST(TableSchema, DescribesEachTypeTheWayAdoDoes) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  auto t = db->table(u"Table1");
  struct Expected {
    const char16_t* name;
    DataType type;
    std::uint32_t definedSize;
    bool fixed;
  };
  const Expected expected[] = {
      {u"A", DataType::Text, 50, false},
      {u"B", DataType::Text, 100, false},
      {u"C", DataType::Byte, 1, true},
      {u"D", DataType::Integer, 2, true},
      {u"E", DataType::Long, 4, true},
      {u"F", DataType::Double, 8, true},
      {u"G", DataType::DateTime, 8, true},
      {u"H", DataType::Currency, 8, true},
      {u"I", DataType::Boolean, 1, true},
  };
  ASSERT_EQ(t->columns().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const jet::ColumnDef& c = t->columns()[i];
    SCOPED_TRACE(jet::dataTypeName(c.type));
    EXPECT_EQ(c.name, expected[i].name);
    EXPECT_EQ(c.type, expected[i].type);
    EXPECT_EQ(c.definedSize(), expected[i].definedSize);
    EXPECT_EQ(c.fixedLength, expected[i].fixed);
  }
  // A is the primary key: required. B is an ordinary column.
  EXPECT_TRUE(t->columns()[0].required);
  EXPECT_FALSE(t->columns()[1].required);
}

TEST(TableSchema, AutonumbersAndReplicationIds) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  const jet::ColumnDef& a = columnNamed(*db->table(u"Table3"), u"a");
  EXPECT_TRUE(a.autoNumber);
  EXPECT_TRUE(a.autoIncrement());

  const jet::ColumnDef& guid = columnNamed(*db->table(u"Table4"), u"data");
  EXPECT_EQ(guid.type, DataType::Guid);
  EXPECT_EQ(guid.definedSize(), 16u);
}

TEST(TableSchema, LongValuesAndNumerics) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-fixedNumericTestV2000.mdb");
  auto t = db->table(u"test");
  const jet::ColumnDef& memo = columnNamed(*t, u"col1");
  EXPECT_EQ(memo.type, DataType::Memo);
  EXPECT_EQ(memo.definedSize(), 0u);
  EXPECT_FALSE(memo.fixedLength);
  const jet::ColumnDef& numeric = columnNamed(*t, u"col2");
  EXPECT_EQ(numeric.type, DataType::Numeric);
  EXPECT_EQ(numeric.precision, 18);
  EXPECT_EQ(numeric.scale, 0);

  auto ole = openCorpusReadOnly("jackcess-V2000-test2V2000.mdb");
  const jet::ColumnDef& blob = columnNamed(*ole->table(u"MSP_PROJECTS"), u"RESERVED_BINARY_DATA");
  EXPECT_EQ(blob.type, DataType::Ole);
}

TEST(TableSchema, RequiredColumnsComeFromPropertiesAndFixedTextIsFixed) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-fixedTextTestV2000.mdb");
  auto t = db->table(u"users");
  for (const jet::ColumnDef& c : t->columns()) {
    EXPECT_TRUE(c.required) << jet::dataTypeName(c.type);
  }
  const jet::ColumnDef& flag = columnNamed(*t, u"c_flag_");
  EXPECT_TRUE(flag.fixedLength);
  EXPECT_EQ(flag.type, DataType::Text);
  EXPECT_EQ(flag.definedSize(), 1u);
  EXPECT_EQ(t->indexes().size(), 6u);
}

TEST(TableSchema, DefinitionsSpanningPagesKeepEveryColumn) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-testV2000.mdb");
  auto t = db->table(u"Table2");
  ASSERT_EQ(t->columns().size(), 89u);
  EXPECT_EQ(t->columns().front().name, u"column1");
  EXPECT_EQ(t->columns().back().name, u"column89");
  EXPECT_EQ(t->columns().back().definedSize(), 50u);
}

TEST(TableSchema, DeletedColumnsLeaveGapsInNumbersNotInOrder) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-overflowTestV2000.mdb");
  auto t = db->table(u"Table1");
  ASSERT_EQ(t->columns().size(), 9u);
  EXPECT_EQ(t->columns()[0].name, u"data1");
  EXPECT_EQ(t->columns()[1].name, u"data3");
  EXPECT_EQ(t->columns()[1].number, 2u);  // column number 1 was deleted
  EXPECT_EQ(t->findColumn(u"DATA10"), 8);
  EXPECT_EQ(t->findColumn(u"data2"), -1);
}

TEST(TableSchema, IndexesWithKeysFlagsAndForeignKeys) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-indexTestV2000.mdb");
  auto t1 = db->table(u"Table1");
  auto t2 = db->table(u"Table2");
  const auto find = [](const jet::Table& t, std::u16string_view name) -> const jet::IndexDef& {
    for (const auto& i : t.indexes()) {
      if (i.name == name) return i;
    }
    ADD_FAILURE() << "no index";
    return t.indexes().front();
  };
  const jet::IndexDef& pk = find(*t1, u"PrimaryKey");
  EXPECT_TRUE(pk.primaryKey);
  EXPECT_TRUE(pk.unique);
  EXPECT_TRUE(pk.required);
  ASSERT_EQ(pk.columns.size(), 1u);
  EXPECT_EQ(t1->columns()[pk.columns[0].column].name, u"id");
  EXPECT_TRUE(pk.columns[0].ascending);

  // Table1 holds foreign keys to Table2 and Table3; Table2 is the referenced side.
  const jet::IndexDef& fk = find(*t1, u"Table2Table1");
  EXPECT_TRUE(fk.foreignKey);
  EXPECT_FALSE(fk.referencedSide);
  EXPECT_EQ(fk.relatedTablePage, t2->definitionPage());
  EXPECT_EQ(t1->columns()[fk.columns.at(0).column].name, u"otherfk1");

  const jet::IndexDef* referenced = nullptr;
  for (const auto& i : t2->indexes()) {
    if (i.foreignKey) referenced = &i;
  }
  ASSERT_NE(referenced, nullptr);
  EXPECT_TRUE(referenced->referencedSide);
  EXPECT_EQ(referenced->relatedTablePage, t1->definitionPage());
  EXPECT_EQ(referenced->relatedIndexNumber, static_cast<std::int32_t>(fk.number));
  // The referenced side shares the primary key's B-tree.
  EXPECT_EQ(referenced->realIndex, find(*t2, u"PrimaryKey").realIndex);
}

TEST(TableSchema, StoredCountersAreReported) {
  QB_REQUIRE_CORPUS();
  auto db = openCorpusReadOnly("jackcess-V2000-compIndexTestV2000.mdb");
  auto t = db->table(u"Table1");
  EXPECT_EQ(t->storedRowCount(), 512u);
  EXPECT_EQ(t->rowIds().size(), 512u);
}

}  // namespace
