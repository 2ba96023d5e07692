// SQL over the real files: every table of every Jet 4 corpus file selected
// with SELECT * gives the rows mdb-export reads from it; every saved query of
// the corpus runs, giving the rows SQLite gives for the same SQL over the same
// rows, or fails saying why.
#include <gtest/gtest.h>

#include <algorithm>

#include "corpus/mdbtools.h"
#include "corpus/saved_query_writer.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/sqlite_mirror.h"
#include "support/test_files.h"

namespace {

using qbtest::CorpusFile;

std::string errorOf(jet::Database& db, const std::u16string& sql) {
  try {
    auto cursor = jet::Statement::prepare(db, sql).execute();
    while (cursor->next()) {
    }
  } catch (const jet::Error& e) {
    return std::string(jet::errorCodeName(e.code())) + ": " + e.what();
  }
  return "no error";
}

class SqlCorpus : public testing::TestWithParam<CorpusFile> {};

TEST_P(SqlCorpus, SelectStarGivesTheRowsMdbExportReads) {
  QB_REQUIRE_CORPUS();
  if (!qbtest::mdbtoolsAvailable()) GTEST_SKIP() << "mdbtools is not installed";
  const auto path = qbtest::corpusFile(GetParam().name);
  jet::OpenOptions options;
  options.password = GetParam().password;
  options.readOnly = true;
  auto db = jet::Database::open(path, options);
  for (const std::string& name : qbtest::mdbTables(path)) {
    const std::u16string table = jet::fromUtf8(name);
    if (!db->hasTable(table)) continue;  // linked tables are listed too
    SCOPED_TRACE("table " + name);
    const auto expected = qbtest::mdbExport(path, name);
    jet::Statement select = jet::Statement::prepare(*db, u"SELECT * FROM [" + table + u"]");
    const auto& columns = select.columns();
    ASSERT_EQ(columns.size(), expected.header.size());
    std::vector<std::size_t> fieldOf;  // our column for each of mdb-export's
    for (const std::string& header : expected.header) {
      const auto at = std::find_if(columns.begin(), columns.end(),
                                   [&](const jet::ResultColumn& c) { return c.name == jet::fromUtf8(header); });
      ASSERT_NE(at, columns.end()) << "column " << header;
      fieldOf.push_back(static_cast<std::size_t>(at - columns.begin()));
    }
    std::vector<std::vector<jet::Value>> rows;
    auto cursor = select.execute();
    while (cursor->next()) rows.push_back(cursor->row());
    ASSERT_EQ(rows.size(), expected.rows.size());
    // Each of mdb-export's rows matches one of ours, value by value.
    std::vector<bool> used(rows.size(), false);
    for (const auto& fields : expected.rows) {
      bool found = false;
      for (std::size_t r = 0; r < rows.size() && !found; ++r) {
        if (used[r]) continue;
        bool same = true;
        for (std::size_t k = 0; k < fields.size() && same; ++k) {
          const std::size_t c = fieldOf[k];
          same = qbtest::compareWithMdbExport(rows[r][c], columns[c].column.type, fields[k]).empty();
        }
        if (same) found = used[r] = true;
      }
      EXPECT_TRUE(found) << "a row mdb-export reads is not among the statement's rows";
    }
    auto count = jet::Statement::prepare(*db, u"SELECT Count(*) FROM [" + table + u"]").execute();
    ASSERT_TRUE(count->next());
    EXPECT_EQ(count->row()[0], jet::Value::longInt(static_cast<std::int32_t>(expected.rows.size())));
  }
}

INSTANTIATE_TEST_SUITE_P(Jet4, SqlCorpus, testing::ValuesIn(qbtest::jet4CorpusFiles()),
                         [](const testing::TestParamInfo<CorpusFile>& p) { return qbtest::corpusTestName(p.param); });

// The query test file's tables hold no rows: these are put in (with the
// engine's writer, on a copy) and in SQLite, so its queries have rows to give.
class SavedQueries : public testing::Test {
 protected:
  void SetUp() override {
    QB_REQUIRE_CORPUS();
    path_ = dir_.copyCorpusFile("jackcess-V2000-queryTestV2000.mdb");
    db_ = jet::Database::open(path_);
    const std::vector<std::pair<std::u16string, std::vector<std::vector<std::u16string>>>> rows = {
        {u"Table1", {{u"foo", u"one", u"1"}, {u"buzz", u"two", u"2"}, {u"bar", u"three", u"3"}, {u"FOO", u"four", u"4"}}},
        {u"Table2", {{u"foo", u"foo", u"x"}, {u"buzz", u"buzz", u"y"}, {u"bazz", u"bazz", u"z"}, {u"foo", u"foo", u"w"}}},
        {u"Table3", {{u"foo", u"t3a", u"c3a"}, {u"buzz", u"t3b", u"c3b"}, {u"zap", u"t3c", u"c3c"}}},
    };
    db_->beginTransaction();
    for (const auto& [name, list] : rows) {
      jet::TableSpec spec;
      spec.name = name;
      for (const char16_t* c : {u"col1", u"col2", u"col3"}) {
        jet::ColumnSpec column;
        column.name = c;
        column.size = 50;
        spec.columns.push_back(column);
      }
      lite_.createTable(spec);
      auto table = db_->table(name);
      for (const auto& r : list) {
        std::vector<jet::Value> values;
        for (const auto& v : r) values.push_back(jet::Value::text(v));
        lite_.insert(jet::toUtf8(name), values);
        table->insertRow(values);
      }
    }
    db_->commitTransaction();
  }

  qbtest::TempDir dir_;
  std::filesystem::path path_;
  std::unique_ptr<jet::Database> db_;
  qbtest::SqliteMirror lite_;
};

std::vector<std::string> text(jet::Cursor& cursor) {
  std::vector<std::string> out;
  while (cursor.next()) {
    std::string line;
    for (std::size_t i = 0; i < cursor.row().size(); ++i) {
      const jet::Value& v = cursor.row()[i];
      line += i ? "|" : "";
      if (v.isNull()) {
        line += "NULL";
      } else if (v.kind() == jet::ValueKind::Long) {
        line += std::to_string(v.asLong());
      } else {
        line += jet::toUtf8(v.asText());
      }
    }
    out.push_back(line);
  }
  return out;
}

TEST_F(SavedQueries, TheSelectQueryGivesSqlitesRowsByNameAndAsATable) {
  if (!db_) return;
  const auto expectedRows = lite_.query(
      "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3 FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = "
      "Table3.col1) INNER JOIN Table2 ON (Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1) WHERE "
      "(((Table2.col2)='foo' Or (Table2.col2) In ('buzz','bazz'))) ORDER BY Table2.col1");
  std::vector<std::string> expected;
  for (const auto& row : expectedRows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += (i ? "|" : "") + (row[i].isNull() ? std::string("NULL") : std::get<std::string>(row[i].v));
    }
    expected.push_back(line);
  }
  ASSERT_FALSE(expected.empty());
  for (const std::u16string sql : {u"SelectQuery", u"SELECT * FROM [SelectQuery]"}) {
    jet::Statement statement = jet::Statement::prepare(*db_, sql);
    std::vector<std::u16string> names;
    for (const auto& c : statement.columns()) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Table1.col1", u"Table1.col2", u"Table1.col3", u"Table2.col1", u"Table2.col2",
                                                  u"Table3.col3"}));
    auto cursor = statement.execute();
    std::vector<std::string> actual = text(*cursor);
    // Sorted by Table2.col1 (case-insensitively; ties in any order).
    EXPECT_TRUE(std::is_sorted(actual.begin(), actual.end(), [](const std::string& a, const std::string& b) {
      const auto key = [](const std::string& s) {
        std::string k = s.substr(s.find('|', s.find('|', s.find('|') + 1) + 1) + 1);
        k = k.substr(0, k.find('|'));
        std::transform(k.begin(), k.end(), k.begin(), [](unsigned char c) { return std::tolower(c); });
        return k;
      };
      return key(a) < key(b);
    }));
    std::sort(actual.begin(), actual.end());
    std::vector<std::string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(actual, sorted);
  }
}

TEST_F(SavedQueries, EveryOtherQuerySaysWhyItDoesNotRun) {
  if (!db_) return;
  // The union query's SELECTs name tables they have no FROM clause for, so
  // those names are parameters, as Access would ask for them.
  EXPECT_EQ(errorOf(*db_, u"UnionQuery"),
            "InvalidArgument: No value given for one or more required parameters: 'Table1.col1', 'Table1.col2', "
            "'Table2.col1', 'Table2.col2', 'Table3.col1', 'Table3.col2', 'Table3.col3'");
  // Its WHERE clause holds an aggregate, which Access refuses too.
  EXPECT_EQ(errorOf(*db_, u"CrosstabQuery"),
            "InvalidArgument: In saved query 'CrosstabQuery': Cannot have aggregate function in WHERE clause "
            "(Avg(Table2_1.col2)) in query at position 322");
  EXPECT_EQ(errorOf(*db_, u"SELECT * FROM [CrosstabQuery]"),
            "InvalidArgument: In saved query 'CrosstabQuery': Cannot have aggregate function in WHERE clause "
            "(Avg(Table2_1.col2)) in query at position 322");
  // Action queries change the database: they are run, never read as a table.
  for (const auto& [name, kind] : std::vector<std::pair<std::u16string, std::string>>{
           {u"AppendQuery", "an append query"},
           {u"UpdateQuery", "an update query"},
           {u"DeleteQuery", "a delete query"},
           {u"MakeTableQuery", "a make-table query"},
           {u"DataDefinitionQuery", "a data-definition query"}}) {
    EXPECT_EQ(errorOf(*db_, u"SELECT * FROM [" + name + u"]"),
              "Unsupported: Query '" + jet::toUtf8(name) + "' is " + kind +
                  ": it changes the database and has no rows to read (run it by its name alone)");
  }
  EXPECT_EQ(errorOf(*db_, u"PassthroughQuery"),
            "Unsupported: Query 'PassthroughQuery' is a pass-through query: its SQL is sent to a database server "
            "through ODBC, and this program connects to none");
}

TEST_F(SavedQueries, TheUnionQueryRunsWithItsParametersGiven) {
  if (!db_) return;
  jet::Statement s = jet::Statement::prepare(*db_, u"UnionQuery");
  std::vector<std::u16string> names;
  for (const auto& p : s.parameters()) names.push_back(p.name);
  ASSERT_EQ(names.size(), 7u);
  for (const auto& n : names) s.setParameter(n, jet::Value::text(n == u"Table1.col1" ? u"foo" : u"v"));
  auto cursor = s.execute();
  // "foo" = "foo" passes the first SELECT; the third's "v" > "blah" passes it:
  // UNION of ('foo','v') and ('v','v'), then UNION ALL ('v','v').
  EXPECT_EQ(text(*cursor), (std::vector<std::string>{"foo|v", "v|v", "v|v"}));
}

TEST_F(SavedQueries, SavedQueriesReadSavedQueriesAndBringTheirParameters) {
  if (!db_) return;
  qbtest::addSelectQuery(*db_, u"Low", {u"col1", u"col3"}, u"Table1", u"col1 < 'c'");
  qbtest::addSelectQuery(*db_, u"Nested", {u"col1", u"col3 & '!' AS Mark"}, u"Low", u"col3 <> '2'");
  qbtest::addSelectQuery(*db_, u"Asking", {u"col2"}, u"Table1", u"col1 = [Who]", {{u"Who", 10}});
  qbtest::addSelectQuery(*db_, u"Wrapper", {u"col2"}, u"Asking");
  const auto all = [&](const std::u16string& sql) {
    auto cursor = jet::Statement::prepare(*db_, sql).execute();
    return text(*cursor);
  };
  EXPECT_EQ(all(u"Low"), (std::vector<std::string>{"buzz|2", "bar|3"}));
  EXPECT_EQ(all(u"Nested"), (std::vector<std::string>{"bar|3!"}));
  EXPECT_EQ(all(u"SELECT n.Mark FROM Nested AS n INNER JOIN Low ON n.col1 = Low.col1"), (std::vector<std::string>{"3!"}));

  // The saved query's declared parameter is the outer statement's too.
  jet::Statement outer = jet::Statement::prepare(*db_, u"SELECT * FROM Wrapper");
  ASSERT_EQ(outer.parameters().size(), 1u);
  EXPECT_EQ(outer.parameters()[0].name, u"Who");
  EXPECT_TRUE(outer.parameters()[0].declared);
  EXPECT_EQ(outer.parameters()[0].type, jet::DataType::Text);
  EXPECT_EQ(errorOf(*db_, u"SELECT * FROM Wrapper"),
            "InvalidArgument: No value given for one or more required parameters: 'Who'");
  outer.setParameter(u"who", jet::Value::text(u"BAR"));
  auto cursor = outer.execute();
  EXPECT_EQ(text(*cursor), (std::vector<std::string>{"three"}));
}

TEST_F(SavedQueries, QueriesThatReadEachOtherAreACircularReference) {
  if (!db_) return;
  qbtest::addSelectQuery(*db_, u"Ping", {u"col1"}, u"Pong");
  qbtest::addSelectQuery(*db_, u"Pong", {u"col1"}, u"Ping");
  qbtest::addSelectQuery(*db_, u"Self", {u"col1"}, u"Self");
  EXPECT_EQ(errorOf(*db_, u"Ping"),
            "InvalidArgument: In saved query 'Ping': Circular reference caused by query 'Ping' in query at position 18");
  EXPECT_EQ(errorOf(*db_, u"SELECT * FROM Self"),
            "InvalidArgument: Circular reference caused by query 'Self' in query at position 18");
}

TEST_F(SavedQueries, AUnionQueryOfPartsAsAccessStoresIt) {
  if (!db_) return;
  qbtest::addSavedQuery(*db_, u"Both", 0x80,
                        {{0, {}, {}, {}, 0},
                         {1, {}, {}, {}, 9},
                         {3, {}, {}, {}, 2},
                         {5, {}, u"X7YZ_____1", u"SELECT col1 FROM Table1", std::nullopt},
                         {5, {}, u"X7YZ_____2", u"SELECT col1 FROM Table3", std::nullopt},
                         {11, {}, {}, u"col1", std::nullopt},
                         {255, {}, {}, {}, std::nullopt}});
  auto cursor = jet::Statement::prepare(*db_, u"SELECT * FROM Both WHERE col1 <> 'bar'").execute();
  EXPECT_EQ(text(*cursor), (std::vector<std::string>{"buzz", "foo", "zap"}));
}

// A crosstab without an IN list read as a table: its columns are the pivot
// values its rows hold when the statement is prepared.
TEST_F(SavedQueries, ACrosstabWithoutAnInListReadsAsATableOfItsPivotValues) {
  if (!db_) return;
  const auto crosstab = [&](const std::u16string& name, const std::u16string& where,
                            const std::vector<std::pair<std::u16string, std::int16_t>>& parameters) {
    std::vector<qbtest::QueryRowSpec> rows{{0, {}, {}, {}, 0}, {1, {}, {}, {}, 6}};
    for (const auto& [p, type] : parameters) rows.push_back({2, p, {}, {}, type});
    rows.push_back({3, {}, {}, {}, 0});
    rows.push_back({5, u"Table2", {}, {}, std::nullopt});
    rows.push_back({6, {}, {}, u"col1", 2});
    rows.push_back({6, u"n", {}, u"Count(col3)", 0});
    rows.push_back({6, {}, {}, u"col2", 1});
    if (!where.empty()) rows.push_back({8, {}, {}, where, std::nullopt});
    rows.push_back({9, {}, {}, u"col1", 2});
    rows.push_back({255, {}, {}, {}, std::nullopt});
    qbtest::addSavedQuery(*db_, name, 0x10, rows);
  };
  crosstab(u"Pivoted", {}, {});
  crosstab(u"PivotedAsking", u"col3 <> [Not this]", {{u"Not this", 10}});

  // Table2 holds (foo, foo, x), (buzz, buzz, y), (bazz, bazz, z), (foo, foo, w).
  jet::Statement all = jet::Statement::prepare(*db_, u"SELECT * FROM Pivoted ORDER BY col1");
  std::vector<std::u16string> names;
  for (const auto& c : all.columns()) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::u16string>{u"col1", u"bazz", u"buzz", u"foo"}));
  EXPECT_EQ(all.columns()[3].column.type, jet::DataType::Long);
  EXPECT_EQ(text(*all.execute()), (std::vector<std::string>{"bazz|1|NULL|NULL", "buzz|NULL|1|NULL", "foo|NULL|NULL|2"}));

  // Its columns filter and join as a table's do; the join on text ignores case.
  auto joined = jet::Statement::prepare(*db_, u"SELECT p.col1, p.foo, t.col2 FROM Pivoted AS p INNER JOIN Table1 AS t "
                                              u"ON p.col1 = t.col1 WHERE p.bazz Is Null")
                    .execute();
  std::vector<std::string> rows = text(*joined);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"buzz|NULL|two", "foo|2|four", "foo|2|one"}));
  EXPECT_EQ(errorOf(*db_, u"SELECT bazz FROM Pivoted WHERE col1 = 'zzz'"), "no error");

  // Run by its name it is the crosstab itself, whatever the parameter.
  jet::Statement asking = jet::Statement::prepare(*db_, u"PivotedAsking");
  asking.setParameter(u"Not this", jet::Value::text(u"W"));
  EXPECT_EQ(text(*asking.execute()), (std::vector<std::string>{"bazz|1|NULL|NULL", "buzz|NULL|1|NULL", "foo|NULL|NULL|1"}));
  // Read as a table, its columns would depend on the parameter's value.
  EXPECT_EQ(errorOf(*db_, u"SELECT * FROM PivotedAsking"),
            "Unsupported: Crosstab query 'PivotedAsking' has no fixed list of columns (PIVOT ... IN (...)) and its rows "
            "depend on parameter 'Not this', so its columns cannot be known before it runs; give it an IN list to use "
            "it as a table in query at position 15");
}

TEST(SqlLinkedTables, NameTheirSourceFile) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(qbtest::corpusFile("ucanaccess-linked.mdb"), options);
  const auto& catalog = db->catalog();
  const auto linked = std::find_if(catalog.begin(), catalog.end(), [](const jet::CatalogObject& o) { return o.type == 6; });
  ASSERT_NE(linked, catalog.end());
  const std::string message = errorOf(*db, u"SELECT * FROM [" + linked->name + u"]");
  EXPECT_EQ(message.rfind("Unsupported: Table '" + jet::toUtf8(linked->name) + "' is linked from '", 0), 0u) << message;
  EXPECT_NE(message.find(jet::toUtf8(linked->linkedDatabase)), std::string::npos) << message;
}

}  // namespace
