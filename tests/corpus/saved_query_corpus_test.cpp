// Saved queries of a database written by Access: one query of each of the nine
// kinds, with the SQL text Access shows for them.
#include <gtest/gtest.h>

#include <map>

#include "jet/database.h"
#include "jet/text.h"
#include "support/corpus_database.h"
#include "support/test_files.h"

namespace {

using qbtest::openCorpusReadOnly;

struct Expected {
  jet::QueryKind kind;
  bool hasParameters;
  std::string sql;
};

TEST(SavedQueryCorpus, NineKindsRebuildToAccessText) {
  QB_REQUIRE_CORPUS();
  const auto db = openCorpusReadOnly("jackcess-V2000-queryTestV2000.mdb");
  const std::map<std::string, Expected> expected = {
      {"SelectQuery",
       {jet::QueryKind::Select, false,
        "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
        "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
        "(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\n"
        "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\n"
        "ORDER BY Table2.col1;"}},
      {"DeleteQuery",
       {jet::QueryKind::Delete, false,
        "DELETE Table1.col1, Table1.col2, Table1.col3\nFROM Table1\nWHERE (((Table1.col1)>\"blah\"));"}},
      {"AppendQuery",
       {jet::QueryKind::Append, false,
        "INSERT INTO Table3 ( col2, col2, col3 )\n"
        "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]\n"
        "FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];"}},
      {"UpdateQuery",
       {jet::QueryKind::Update, true,
        "PARAMETERS [User Name] Text;\n"
        "UPDATE Table1\n"
        "SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name]\n"
        "WHERE ((([Table2].[col1]) Is Not Null));"}},
      {"MakeTableQuery",
       {jet::QueryKind::MakeTable, false,
        "SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4\n"
        "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON Table1.col2 = Table3.col3\n"
        "GROUP BY Table2.col2, Table3.col2\n"
        "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));"}},
      {"CrosstabQuery",
       {jet::QueryKind::Crosstab, false,
        "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\n"
        "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\n"
        "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS Table2_1 ON "
        "[Table2].[col1]=Table2_1.col3\n"
        "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And ((Avg(Table2_1.col2))>\"10\"))\n"
        "GROUP BY Table2_1.col1, [Table2].[col3]\n"
        "ORDER BY [Table2].[col3]\n"
        "PIVOT [Table1].[col1];"}},
      {"UnionQuery",
       {jet::QueryKind::Union, false,
        "Select Table1.col1, Table1.col2\n"
        "where Table1.col1 = \"foo\"\n"
        "UNION\n"
        "Select Table2.col1, Table2.col2\n"
        "UNION ALL Select Table3.col1, Table3.col2\n"
        "where Table3.col3 > \"blah\";"}},
      {"PassthroughQuery", {jet::QueryKind::PassThrough, false, "ALTER TABLE Table4 DROP COLUMN col5;"}},
      {"DataDefinitionQuery", {jet::QueryKind::DataDefinition, false, "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"}},
  };

  const auto queries = db->savedQueries();
  ASSERT_EQ(queries.size(), expected.size());
  // Sorted by name without regard to case.
  for (std::size_t i = 1; i < queries.size(); ++i) {
    EXPECT_LT(jet::compareNamesNoCase(queries[i - 1].name, queries[i].name), 0);
  }
  for (const jet::SavedQuery& query : queries) {
    const std::string name = jet::toUtf8(query.name);
    SCOPED_TRACE(name);
    auto it = expected.find(name);
    ASSERT_NE(it, expected.end());
    EXPECT_EQ(query.kind, it->second.kind) << jet::queryKindName(query.kind);
    EXPECT_EQ(query.hasParameters, it->second.hasParameters);
    EXPECT_EQ(jet::toUtf8(query.sql), it->second.sql);
    EXPECT_LT(query.objectId, 0);  // queries take ids from the negative range
  }
}

TEST(SavedQueryCorpus, FilesWithoutQueriesHaveNone) {
  QB_REQUIRE_CORPUS();
  for (const char* name : {"jackcess-empty.mdb", "jackcess-V2000-testV2000.mdb", "ucanaccess-linked.mdb"}) {
    EXPECT_TRUE(openCorpusReadOnly(name)->savedQueries().empty()) << name;
  }
}

}  // namespace
