// The query dataset on real files: the statement text and its own errors,
// results that are one table's rows (edited through the table's writer) and
// results that are not (read-only), filter, sort and locate over a result,
// and views opened by name as tables are.
#include <gtest/gtest.h>

#include <algorithm>

#include "connection/query_data_set.h"
#include "corpus/saved_query_writer.h"
#include "corpus_data_set.h"
#include "jet/database.h"
#include "support/error_of.h"

namespace {

using jet::Value;
using qb::DataSetState;
using qbtest::errorOf;
using enum qb::TFieldType;

class QueryDataSetOnFiles : public qbtest::CorpusDataSet {
 protected:
  void SetUp() override {
    CorpusDataSet::SetUp();
    query_.setConnection(&con_);
  }
  void run(std::vector<std::u16string> lines) {
    query_.close();
    query_.setSql(std::move(lines));
    query_.open();
  }
  std::vector<std::u16string> column(const std::u16string& field) {
    std::vector<std::u16string> out;
    for (query_.first(); !query_.eof(); query_.next()) out.push_back(query_.fieldByName(field).text());
    return out;
  }

  qb::QueryDataSet query_;
};

TEST_F(QueryDataSetOnFiles, EmptyTextNeverReachesTheEngine) {
  use("jackcess-V2000-testV2000.mdb");
  EXPECT_EQ(errorOf([&] { query_.open(); }), "ADOQuery1: Missing SQL property");
  query_.setSql({u""});
  EXPECT_EQ(errorOf([&] { query_.open(); }), "ADOQuery1: Missing SQL property");
  EXPECT_FALSE(query_.active());
  EXPECT_FALSE(con_.connected());  // nothing was asked of the database
  // Blanks are the engine's to judge.
  query_.setSql({u"  "});
  EXPECT_NE(errorOf([&] { query_.open(); }), "ADOQuery1: Missing SQL property");
  EXPECT_FALSE(query_.active());
}

TEST_F(QueryDataSetOnFiles, LinesJoinedAsTypedAndTheTextOutlivesTheResult) {
  use("jackcess-V2000-testV2000.mdb");
  run({u"SELECT A, E", u"FROM Table1", u"WHERE E > 0  "});
  EXPECT_EQ(query_.sqlText(), u"SELECT A, E\r\nFROM Table1\r\nWHERE E > 0  ");
  ASSERT_EQ(query_.recordCount(), 1u);
  EXPECT_EQ(query_.fieldByName(u"A").text(), u"abcdefg");

  query_.setSql({u"SELECT * FROM Table1"});  // a new text closes the result
  EXPECT_FALSE(query_.active());
  query_.open();
  con_.close();  // closing the connection closes the result, not the text
  EXPECT_FALSE(query_.active());
  EXPECT_EQ(query_.sql(), std::vector<std::u16string>{u"SELECT * FROM Table1"});
  query_.open();  // connects again with the last connection string
  EXPECT_TRUE(con_.connected());
  EXPECT_EQ(query_.recordCount(), 2u);
}

TEST_F(QueryDataSetOnFiles, EngineErrorsPassThroughAndLeaveTheQueryClosed) {
  use("jackcess-V2000-testV2000.mdb");
  run({u"SELECT * FROM Table1"});
  query_.setSql({u"SELECT * FROM Nope"});
  const std::string missing = errorOf([&] { query_.open(); });
  EXPECT_EQ(missing.find("ADOQuery1"), std::string::npos) << missing;
  EXPECT_NE(missing.find("Nope"), std::string::npos) << missing;
  EXPECT_FALSE(query_.active());
  query_.setSql({u"SELEC A FROM Table1"});
  EXPECT_NE(errorOf([&] { query_.open(); }), "(no error)");
  EXPECT_FALSE(query_.active());
  // No database to connect to at all.
  qb::Connection none;
  qb::QueryDataSet lone;
  lone.setConnection(&none);
  lone.setSql({u"SELECT 1"});
  EXPECT_EQ(errorOf([&] { lone.open(); }), "No database to connect to: the connection string is empty");
}

TEST_F(QueryDataSetOnFiles, NoMatchingRowsStillNamesTheColumns) {
  use("jackcess-V2000-testV2000.mdb");
  run({u"SELECT A AS Name, E FROM Table1 WHERE E < -5"});
  EXPECT_EQ(query_.state(), DataSetState::Browse);
  EXPECT_EQ(query_.recordCount(), 0u);
  EXPECT_TRUE(query_.bof() && query_.eof());
  ASSERT_EQ(query_.fieldCount(), 2u);
  EXPECT_EQ(query_.field(0).fieldName(), u"Name");
  EXPECT_EQ(query_.field(1).fieldName(), u"E");
}

TEST_F(QueryDataSetOnFiles, FieldTypesFollowTheResultColumns) {
  use("jackcess-V2000-testV2000.mdb");
  run({u"SELECT A, C, D, E, F, G, H, I, Count(*) AS N, E * 2.5 AS Scaled FROM Table1 GROUP BY A, C, D, E, F, G, H, I"});
  const std::vector<std::pair<std::u16string, qb::TFieldType>> expected{
      {u"A", ftWideString}, {u"C", ftWord},    {u"D", ftSmallint}, {u"E", ftInteger}, {u"F", ftFloat},
      {u"G", ftDateTime},   {u"H", ftBCD},     {u"I", ftBoolean},  {u"N", ftInteger}, {u"Scaled", ftFloat}};
  ASSERT_EQ(query_.fieldDefs().size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(query_.fieldDefs()[i].name, expected[i].first);
    EXPECT_EQ(query_.fieldDefs()[i].dataType, expected[i].second) << i;
  }
  EXPECT_EQ(query_.fieldDefs()[0].size, 50);
}

TEST_F(QueryDataSetOnFiles, OneTablesRowsAreEditedThroughTheTable) {
  const auto path = use("jackcess-V2000-delTestV2000.mdb");
  run({u"SELECT b, a, a & '!' AS Loud FROM [Table] WHERE a <> 'nothing'"});
  ASSERT_TRUE(query_.canModify()) << query_.readOnlyReason();
  EXPECT_EQ(column(u"Loud"), (std::vector<std::u16string>{u"z!", u"v!"}));

  query_.first();
  query_.edit();
  EXPECT_EQ(errorOf([&] { query_.fieldByName(u"Loud").setText(u"x"); }), "ADOQuery1: Field 'Loud' cannot be modified");
  query_.fieldByName(u"b").setText(u"changed");
  query_.save();
  EXPECT_EQ(query_.fieldByName(u"b").text(), u"changed");
  EXPECT_EQ(query_.fieldByName(u"Loud").text(), u"z!");

  query_.append();
  query_.fieldByName(u"a").setText(u"new");
  query_.save();
  EXPECT_EQ(query_.fieldByName(u"a").text(), u"new");
  EXPECT_TRUE(query_.fieldByName(u"Loud").isNull());  // not computed for a row added since

  ASSERT_TRUE(query_.locate(u"a", u"v", {}));
  query_.deleteRecord();
  EXPECT_EQ(query_.recordCount(), 2u);

  // The table, read as a table after a fresh connect, has every change.
  openTable(u"Table");
  EXPECT_EQ(mdb_.recordCount(), 2u);
  EXPECT_TRUE(mdb_.locate(u"b", u"changed", {}));
  EXPECT_EQ(mdb_.fieldByName(u"a").text(), u"z");
  EXPECT_TRUE(mdb_.locate(u"a", u"new", {}));
  EXPECT_TRUE(mdb_.fieldByName(u"b").isNull());
  EXPECT_FALSE(mdb_.locate(u"a", u"v", {}));
}

TEST_F(QueryDataSetOnFiles, JoinedAndGroupedResultsAreReadOnlyWithAClearMessage) {
  use("jackcess-V2000-delTestV2000.mdb");
  const std::vector<std::vector<std::u16string>> statements{
      {u"SELECT x.a, y.b FROM [Table] AS x, [Table] AS y"},
      {u"SELECT a, Count(*) AS N FROM [Table] GROUP BY a"},
      {u"SELECT DISTINCT a FROM [Table]"},
      {u"SELECT TOP 1 a FROM [Table]"},
      {u"SELECT a FROM [Table] UNION SELECT b FROM [Table]"},
  };
  for (const auto& statement : statements) {
    run(statement);
    EXPECT_FALSE(query_.canModify()) << jet::toUtf8(statement[0]);
    EXPECT_FALSE(query_.readOnlyReason().empty());
    const std::string refused = errorOf([&] { query_.edit(); });
    EXPECT_EQ(refused.rfind("Operation must use an updateable query", 0), 0u) << refused;
    EXPECT_EQ(errorOf([&] { query_.insert(); }), refused);
    EXPECT_EQ(errorOf([&] { query_.deleteRecord(); }), refused);
    EXPECT_EQ(query_.state(), DataSetState::Browse);
  }
}

TEST_F(QueryDataSetOnFiles, FilterSortAndLocateOverAComputedResult) {
  use("jackcess-V2000-delTestV2000.mdb");
  run({u"SELECT x.a AS L, y.a AS R, x.a & y.a AS Pair FROM [Table] AS x, [Table] AS y"});
  ASSERT_EQ(query_.recordCount(), 4u);
  query_.setSort(u"Pair DESC");
  EXPECT_EQ(column(u"Pair"), (std::vector<std::u16string>{u"zz", u"zv", u"vz", u"vv"}));
  query_.setFilter(u"L = 'v'");
  query_.setFiltered(true);
  EXPECT_EQ(column(u"Pair"), (std::vector<std::u16string>{u"vz", u"vv"}));
  EXPECT_TRUE(query_.locate(u"R", u"V", {.caseInsensitive = true}));
  EXPECT_EQ(query_.fieldByName(u"Pair").text(), u"vv");
  EXPECT_FALSE(query_.locate(u"Pair", u"zz", {}));  // filtered out
}

// Action statements are carried out by opening the query, which then reports
// that there is no result to show.
TEST_F(QueryDataSetOnFiles, ActionStatementsChangeTheDataThenSayThereIsNoResult) {
  use("jackcess-V2000-delTestV2000.mdb");
  run({u"SELECT * FROM [Table]"});
  const std::string noResult = "ADOQuery1: CommandText does not return a result set";
  query_.setSql({u"UPDATE [Table] SET b = 'updated'", u"WHERE a = 'z'"});
  EXPECT_EQ(errorOf([&] { query_.open(); }), noResult);
  EXPECT_FALSE(query_.active());
  query_.setSql({u"INSERT INTO [Table] (a, b) VALUES ('new', 'row')"});
  EXPECT_EQ(errorOf([&] { query_.open(); }), noResult);
  query_.setSql({u"DELETE FROM [Table] WHERE a = 'v'"});
  EXPECT_EQ(errorOf([&] { query_.open(); }), noResult);

  openTable(u"Table");
  EXPECT_EQ(mdb_.recordCount(), 2u);
  ASSERT_TRUE(mdb_.locate(u"a", u"z", {}));
  EXPECT_EQ(mdb_.fieldByName(u"b").text(), u"updated");
  EXPECT_TRUE(mdb_.locate(u"a", u"new", {}));
  EXPECT_FALSE(mdb_.locate(u"a", u"v", {}));
}

TEST_F(QueryDataSetOnFiles, AnActionTheEngineRefusesChangesNothing) {
  use("jackcess-V2000-delTestV2000.mdb");
  query_.setSql({u"UPDATE [Table] SET nosuch = 'x'"});
  const std::string message = errorOf([&] { query_.open(); });
  EXPECT_NE(message.find("nosuch"), std::string::npos) << message;
  EXPECT_FALSE(query_.active());
  openTable(u"Table");
  EXPECT_EQ(mdb_.recordCount(), 2u);
  EXPECT_TRUE(mdb_.locate(u"b", u"y", {}));
}

TEST_F(QueryDataSetOnFiles, ViewsOpenByNameAsTheirResult) {
  use("jackcess-V2000-queryTestV2000.mdb");
  mdb_.setTableName(u"selectquery");
  mdb_.open();
  EXPECT_EQ(mdb_.recordCount(), 0u);  // its tables are empty
  ASSERT_EQ(mdb_.fieldCount(), 6u);
  EXPECT_EQ(mdb_.field(0).fieldName(), u"Table1.col1");
  EXPECT_FALSE(mdb_.canModify());  // DISTINCT over a join
  EXPECT_EQ(con_.listFieldNames(u"SelectQuery").size(), 6u);
}

// Saved select queries of several kinds, written into a copy: each one
// without parameters is listed and opens by name, editable where its rows are
// one table's rows; one whose text fails says why; one with a parameter is
// not a view.
TEST_F(QueryDataSetOnFiles, EveryKindOfViewOpensOrSaysWhyNot) {
  const auto path = use("jackcess-V2000-queryTestV2000.mdb");
  {
    auto db = jet::Database::open(path);
    db->beginTransaction();
    auto table = db->table(u"Table1");
    for (const char16_t* key : {u"foo", u"buzz", u"bar"}) {
      std::vector<Value> row{Value::text(key), Value::text(u"two"), Value::text(key == std::u16string(u"bar") ? u"3" : u"1")};
      table->insertRow(row);
    }
    db->commitTransaction();
    qbtest::addSelectQuery(*db, u"Low", {u"col1", u"col3"}, u"Table1", u"col1 < 'c'");
    qbtest::addSelectQuery(*db, u"Nested", {u"col1", u"col3 & '!' AS Mark"}, u"Low");
    qbtest::addSelectQuery(*db, u"Asking", {u"col2"}, u"Table1", u"col1 = [Who]", {{u"Who", 10}});
    qbtest::addSelectQuery(*db, u"Broken", {u"col1"}, u"Gone");
  }
  const std::vector<std::u16string> names = con_.listTableNames(false);
  const auto listed = [&](const std::u16string& name) { return std::find(names.begin(), names.end(), name) != names.end(); };
  EXPECT_TRUE(listed(u"Low") && listed(u"Nested") && listed(u"SelectQuery"));
  EXPECT_FALSE(listed(u"Asking"));

  openTable(u"Low");
  EXPECT_EQ(mdb_.recordCount(), 2u);
  ASSERT_TRUE(mdb_.canModify()) << mdb_.readOnlyReason();
  ASSERT_TRUE(mdb_.locate(u"col1", u"bar", {}));
  mdb_.edit();
  mdb_.fieldByName(u"col3").setText(u"30");
  mdb_.save();
  openTable(u"Table1");
  ASSERT_TRUE(mdb_.locate(u"col1", u"bar", {}));
  EXPECT_EQ(mdb_.fieldByName(u"col3").text(), u"30");

  openTable(u"Nested");
  ASSERT_EQ(mdb_.recordCount(), 2u);
  EXPECT_TRUE(mdb_.locate(u"Mark", u"30!", {}));
  EXPECT_EQ(con_.listFieldNames(u"Nested"), (std::vector<std::u16string>{u"col1", u"Mark"}));

  ASSERT_TRUE(listed(u"Broken"));
  mdb_.close();
  mdb_.setTableName(u"Broken");
  const std::string why = errorOf([&] { mdb_.open(); });
  EXPECT_NE(why.find("Gone"), std::string::npos) << why;
  EXPECT_FALSE(mdb_.active());
}

}  // namespace
