// The table dataset on real files: TableName rules, opening and its failures,
// field definitions and record size across closes, values and their text, a
// filter carried from table to table, sort and locate on real rows, and
// editing through the engine's writer.
#include <gtest/gtest.h>

#include <algorithm>

#include "connection/value_text.h"
#include "corpus_data_set.h"
#include "jet/collation.h"
#include "jet/database.h"
#include "support/error_of.h"

namespace {

using qbtest::errorOf;
using jet::Value;
using qb::DataSetState;
using enum qb::TFieldType;

class TableDataSetOnFiles : public qbtest::CorpusDataSet {};

TEST_F(TableDataSetOnFiles, TableNameIsKeptAndLockedWhileOpen) {
  use("jackcess-V2000-testV2000.mdb");
  EXPECT_EQ(errorOf([&] { mdb_.open(); }), "mdb: Missing TableName property");
  mdb_.setTableName(u"Table1");
  EXPECT_EQ(mdb_.tableName(), u"Table1");
  mdb_.open();
  EXPECT_NO_THROW(mdb_.setTableName(u"Table1"));
  EXPECT_EQ(errorOf([&] { mdb_.setTableName(u"Table3"); }),
            "mdb: Cannot perform this operation on an open dataset");
  EXPECT_EQ(errorOf([&] { mdb_.setTableName(u"table1"); }),
            "mdb: Cannot perform this operation on an open dataset");
  mdb_.close();
  mdb_.setTableName(u"Table3");
  EXPECT_EQ(mdb_.tableName(), u"Table3");
}

TEST_F(TableDataSetOnFiles, MissingTableFailsWithTheEnginesTextAndKeepsTheOldDefinitions) {
  use("jackcess-V2000-testV2000.mdb");
  openTable(u"Table1");
  mdb_.close();
  mdb_.setTableName(u"Nope");
  const std::string message = errorOf([&] { mdb_.open(); });
  EXPECT_EQ(message.rfind("There is no table named 'Nope'", 0), 0u) << message;
  EXPECT_FALSE(mdb_.active());
  EXPECT_EQ(mdb_.fieldDefs().size(), 9u);
  EXPECT_EQ(mdb_.recordSize(), 25 + 16 * 9);
}

TEST_F(TableDataSetOnFiles, FieldDefinitionsOfEveryScalarType) {
  use("jackcess-V2000-testV2000.mdb");
  openTable(u"Table1");
  const std::vector<std::tuple<std::u16string, qb::TFieldType, int>> expected{
      {u"A", ftWideString, 50}, {u"B", ftWideString, 100}, {u"C", ftWord, 0},
      {u"D", ftSmallint, 0},    {u"E", ftInteger, 0},      {u"F", ftFloat, 0},
      {u"G", ftDateTime, 0},    {u"H", ftBCD, 4},          {u"I", ftBoolean, 0}};
  ASSERT_EQ(mdb_.fieldDefs().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const qb::FieldDef& d = mdb_.fieldDefs()[i];
    EXPECT_EQ(d.name, std::get<0>(expected[i]));
    EXPECT_EQ(d.dataType, std::get<1>(expected[i])) << qb::fieldTypeName(d.dataType);
    EXPECT_EQ(d.size, std::get<2>(expected[i]));
    EXPECT_EQ(d.fieldNo, static_cast<int>(i) + 1);
    EXPECT_EQ(mdb_.field(i).fieldName(), d.name);
  }
  EXPECT_EQ(mdb_.recordSize(), 169);
  mdb_.close();
  EXPECT_EQ(mdb_.fieldDefs().size(), 9u);  // survive the close
  openTable(u"Table3");
  EXPECT_EQ(mdb_.fieldDefs().size(), 2u);
  EXPECT_EQ(mdb_.recordSize(), 57);
}

TEST_F(TableDataSetOnFiles, ValuesAndTheirTexts) {
  use("jackcess-V2000-testV2000.mdb");
  qb::FormatSettings s;
  s.shortDateFormat = u"dd/mm/yyyy";
  s.longTimeFormat = u"hh:nn:ss";
  mdb_.setFormatSettings(s);
  openTable(u"Table1");
  ASSERT_EQ(mdb_.recordCount(), 2u);
  std::vector<std::u16string> texts;
  for (std::size_t i = 0; i < mdb_.fieldCount(); ++i) texts.push_back(mdb_.field(i).text());
  EXPECT_EQ(texts, (std::vector<std::u16string>{u"abcdefg", u"hijklmnop", u"2", u"222", u"333333333",
                                                u"444.555", u"21/09/1974", u"3.5", u"True"}));
  EXPECT_EQ(mdb_.fieldByName(u"G").csvText(), u"21/09/1974");
  mdb_.next();
  EXPECT_EQ(mdb_.fieldByName(u"I").text(), u"False");
  EXPECT_EQ(mdb_.textAt(0, 0), u"abcdefg");  // any row, without moving
  EXPECT_EQ(mdb_.recordNumber(), 2);
}

TEST_F(TableDataSetOnFiles, LongValuesAndUnicodeText) {
  use("jackcess-V2000-test2V2000.mdb");
  openTable(u"MSP_PROJECTS");
  EXPECT_GT(mdb_.recordCount(), 0u);
  for (std::size_t i = 0; i < mdb_.fieldCount(); ++i) {
    if (mdb_.field(i).dataType() == ftMemo) {
      EXPECT_NO_THROW(mdb_.field(i).text());
    }
  }
  use("jackcess-V2003-testUnicodeCompV2003.mdb");
  openTable(u"Table");
  EXPECT_TRUE(mdb_.locate(u"Unicode", u"мир", qb::LocateOptions{true, false}));
  EXPECT_EQ(mdb_.fieldByName(u"ID").value(), Value::longInt(3));
  EXPECT_FALSE(mdb_.locate(u"Unicode", u"мир", qb::LocateOptions{false, false}));
}

TEST_F(TableDataSetOnFiles, FilterCarriesOverToTheNextTable) {
  use("jackcess-V2000-testV2000.mdb");
  mdb_.setFilter(u"A = 'a'");
  mdb_.setFiltered(true);
  openTable(u"Table1");
  EXPECT_EQ(mdb_.recordCount(), 1u);
  EXPECT_EQ(mdb_.fieldByName(u"B").text(), u"b");
  // Table3's field a (names match without case) holds numbers: the text no
  // longer fits, and the open fails with the engine's message.
  mdb_.close();
  mdb_.setTableName(u"Table3");
  EXPECT_EQ(
      errorOf([&] { mdb_.open(); }),
      "Data type mismatch in criteria expression: 'a' is not a valid Long value in filter at position 5");
  // Table4 has no field A: the open fails with the engine's message.
  mdb_.close();
  mdb_.setTableName(u"Table4");
  EXPECT_EQ(errorOf([&] { mdb_.open(); }), "Unknown field 'A' in filter at position 1");
  EXPECT_FALSE(mdb_.active());
  mdb_.setFilter(u"");
  mdb_.setFiltered(false);
  EXPECT_NO_THROW(mdb_.open());
}

TEST_F(TableDataSetOnFiles, SortAndWalkManyRows) {
  use("jackcess-V2000-compIndexTestV2000.mdb");
  openTable(u"Table1");
  const std::size_t count = mdb_.recordCount();
  EXPECT_EQ(count, 512u);
  mdb_.setSort(u"CD_AGENTE DESC");
  std::int32_t previous = std::numeric_limits<std::int32_t>::max();
  std::size_t walked = 0;
  std::size_t nulls = 0;
  for (mdb_.first(); !mdb_.eof(); mdb_.next()) {
    const Value v = mdb_.fieldByName(u"CD_AGENTE").value();
    ++walked;
    if (v.isNull()) {
      ++nulls;
      continue;
    }
    EXPECT_EQ(nulls, 0u) << "a number after a Null in a descending sort";
    EXPECT_LE(v.asLong(), previous);
    previous = v.asLong();
  }
  EXPECT_EQ(walked, count);
  EXPECT_EQ(nulls, 2u);
  EXPECT_EQ(mdb_.recordNumber(), static_cast<int>(count));
}

TEST_F(TableDataSetOnFiles, SortsUnicodeTextInJetOrder) {
  use("jackcess-V2003-testUnicodeCompV2003.mdb");
  openTable(u"Table");
  mdb_.setSort(u"[Unicode]");
  for (std::size_t row = 1; row < mdb_.rowCount(); ++row) {
    const Value a = mdb_.valueAt(row - 1, 1);
    const Value b = mdb_.valueAt(row, 1);
    if (a.isNull() || b.isNull()) continue;
    EXPECT_LE(jet::compareTextAsIndexed(a.asText(), b.asText()), 0) << row;
  }
}

// ---- Editing through the engine's writer --------------------------------------

TEST_F(TableDataSetOnFiles, InsertedEditedAndDeletedRowsReachTheFile) {
  const auto path = use("jackcess-V2000-delTestV2000.mdb");
  openTable(u"Table");
  ASSERT_TRUE(mdb_.canModify()) << mdb_.readOnlyReason();
  const std::size_t before = mdb_.recordCount();
  mdb_.append();
  mdb_.fieldByName(u"a").setText(u"new row");
  mdb_.save();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.recordNumber(), static_cast<int>(before) + 1);

  mdb_.first();
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"changed");
  mdb_.next();  // the move saves it
  const std::u16string deleted = mdb_.fieldByName(u"a").text();
  mdb_.deleteRecord();

  con_.close();
  openTable(u"Table");
  ASSERT_EQ(mdb_.recordCount(), before);
  EXPECT_EQ(mdb_.fieldByName(u"b").text(), u"changed");
  EXPECT_TRUE(mdb_.locate(u"a", u"new row", qb::LocateOptions{}));
  EXPECT_FALSE(mdb_.locate(u"a", deleted, qb::LocateOptions{}));
}

// Null first, then Long values by number and texts in Jet's order.
int compareForIndex(const Value& x, const Value& y) {
  if (x.isNull() || y.isNull()) return static_cast<int>(!x.isNull()) - static_cast<int>(!y.isNull());
  if (x.kind() == jet::ValueKind::Text) return jet::compareTextAsIndexed(x.asText(), y.asText());
  return (x.asLong() > y.asLong()) - (x.asLong() < y.asLong());
}

// Rows changed through the dataset reach the table's indexes: a sort the index
// answers afterwards shows them in their new places, as a plain sort does.
TEST_F(TableDataSetOnFiles, SortAfterEditsOnAnIndexedTable) {
  use("jackcess-V2000-compIndexTestV2000.mdb");
  openTable(u"Table1");
  ASSERT_TRUE(mdb_.canModify()) << mdb_.readOnlyReason();
  const std::vector<jet::IndexDef> indexes = con_.database().table(u"Table1")->indexes();
  ASSERT_FALSE(indexes.empty());
  const std::size_t before = mdb_.recordCount();
  mdb_.edit();
  mdb_.fieldByName(u"CD_AGENTE").setText(u"2000000000");
  mdb_.save();
  mdb_.append();
  mdb_.fieldByName(u"CD_AGENTE").setText(u"-5");
  mdb_.fieldByName(u"RS_AGENTE").setText(u"new");
  mdb_.save();
  mdb_.last();
  mdb_.deleteRecord();  // the row just added goes again
  mdb_.append();
  mdb_.fieldByName(u"CD_AGENTE").setText(u"-7");
  mdb_.save();

  // Every index's columns as a sort, and again after a reopen. (Every column
  // of this table is a field, in column order, so column positions are field
  // positions.)
  ASSERT_EQ(mdb_.fieldCount(), con_.listFieldNames(u"Table1").size());
  for (int pass = 0; pass < 2; ++pass) {
    for (const jet::IndexDef& index : indexes) {
      std::u16string sort;
      for (const jet::IndexColumn& c : index.columns) {
        if (!sort.empty()) sort += u", ";
        sort += u"[" + mdb_.fieldDefs()[c.column].name + u"]" + (c.ascending ? u"" : u" DESC");
      }
      mdb_.setSort(sort);
      ASSERT_EQ(mdb_.recordCount(), before + 1) << jet::toUtf8(sort);
      std::vector<std::vector<Value>> rows;
      for (std::size_t row = 0; row < mdb_.rowCount(); ++row) rows.push_back(mdb_.rowValues(row));
      mdb_.setSort(u"");
      std::vector<std::vector<Value>> natural;
      for (std::size_t row = 0; row < mdb_.rowCount(); ++row) natural.push_back(mdb_.rowValues(row));
      // The same rows, ordered by the index's columns.
      std::stable_sort(natural.begin(), natural.end(), [&](const auto& a, const auto& b) {
        for (const jet::IndexColumn& c : index.columns) {
          const int cmp = compareForIndex(a[c.column], b[c.column]);
          if (cmp != 0) return c.ascending ? cmp < 0 : cmp > 0;
        }
        return false;
      });
      for (std::size_t i = 0; i < rows.size(); ++i) {
        for (const jet::IndexColumn& c : index.columns)
          ASSERT_EQ(compareForIndex(rows[i][c.column], natural[i][c.column]), 0)
              << jet::toUtf8(sort) << " row " << i;
      }
    }
    openTable(u"Table1");
  }
  EXPECT_TRUE(mdb_.locate(u"CD_AGENTE", u"-7", qb::LocateOptions{}));
  EXPECT_FALSE(mdb_.locate(u"CD_AGENTE", u"-5", qb::LocateOptions{}));
}

TEST_F(TableDataSetOnFiles, RefusedWriteKeepsTheEditAndTheEnginesMessage) {
  use("jackcess-V2000-delTestV2000.mdb");
  openTable(u"Table");
  mdb_.edit();
  mdb_.fieldByName(u"a").setText(std::u16string(51, u'x'));  // longer than the field
  try {
    mdb_.save();
    ADD_FAILURE() << "the engine took a text longer than its field";
  } catch (const jet::Error& e) {
    EXPECT_NE(std::string(e.what()).rfind("mdb: ", 0), 0u) << e.what();  // the engine's words, not prefixed
  }
  EXPECT_EQ(mdb_.state(), DataSetState::Edit);
  mdb_.fieldByName(u"a").setText(u"short");
  mdb_.save();
  EXPECT_EQ(mdb_.fieldByName(u"a").text(), u"short");
}

TEST_F(TableDataSetOnFiles, TablesTheEngineCannotWriteAreReadOnlyWithAReason) {
  use("jackcess-V2000-testV2000.mdb");
  openTable(u"MSysObjects");  // the engine keeps its catalog itself
  EXPECT_FALSE(mdb_.canModify());
  EXPECT_FALSE(mdb_.readOnlyReason().empty());
  EXPECT_EQ(errorOf([&] { mdb_.insert(); }), "mdb: Cannot modify a read-only dataset");
}

}  // namespace
