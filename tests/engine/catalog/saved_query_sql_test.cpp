// Saved-query SQL rebuilt from crafted MSysQueries rows: every query kind, the
// select options, parameters, nested joins and the malformed definitions that
// must be refused rather than turned into wrong SQL.
#include <gtest/gtest.h>

#include "catalog/saved_query_sql.h"
#include "jet/error.h"
#include "jet/text.h"

namespace {

using jet::QueryAttribute;
using jet::QueryKind;
using jet::QueryRow;

using Text = std::optional<std::u16string>;

QueryRow row(QueryAttribute attribute, Text name1 = {}, Text name2 = {}, Text expression = {},
             std::optional<std::int16_t> flag = {}, std::optional<std::int32_t> extra = {}) {
  QueryRow r;
  r.attribute = static_cast<std::uint8_t>(attribute);
  r.name1 = std::move(name1);
  r.name2 = std::move(name2);
  r.expression = std::move(expression);
  r.flag = flag;
  r.extra = extra;
  return r;
}

QueryRow typeRow(int code, Text name1 = {}, Text expression = {}) {
  return row(QueryAttribute::Type, std::move(name1), {}, std::move(expression), static_cast<std::int16_t>(code));
}
QueryRow options(int flags, Text top = {}) {
  return row(QueryAttribute::Options, std::move(top), {}, {}, static_cast<std::int16_t>(flags));
}
QueryRow source(std::u16string name, Text alias = {}, Text prefix = {}) {
  return row(QueryAttribute::Source, std::move(name), std::move(alias), std::move(prefix));
}
QueryRow column(std::u16string expression, Text alias = {}, Text target = {}, std::optional<std::int16_t> flag = 0) {
  return row(QueryAttribute::Column, std::move(alias), std::move(target), std::move(expression), flag);
}
QueryRow join(std::u16string left, std::u16string right, std::u16string on, int type) {
  return row(QueryAttribute::Join, std::move(left), std::move(right), std::move(on), static_cast<std::int16_t>(type));
}
QueryRow clause(QueryAttribute attribute, std::u16string expression, Text name1 = {}, std::optional<std::int16_t> flag = {}) {
  return row(attribute, std::move(name1), {}, std::move(expression), flag);
}
QueryRow parameter(std::u16string name, int type, std::optional<std::int32_t> size = {}) {
  return row(QueryAttribute::Parameter, std::move(name), {}, {}, static_cast<std::int16_t>(type), size);
}

std::string sql(QueryKind kind, const std::vector<QueryRow>& rows) {
  return jet::toUtf8(jet::buildQuerySql(kind, rows));
}

void expectRefused(QueryKind kind, const std::vector<QueryRow>& rows, const std::string& messagePart) {
  try {
    jet::buildQuerySql(kind, rows);
    ADD_FAILURE() << "expected the rows to be refused (" << messagePart << ")";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Corruption);
    EXPECT_NE(std::string(e.what()).find(messagePart), std::string::npos) << e.what();
  }
}

// The select query of the sample database, as its rows are stored.
std::vector<QueryRow> sampleSelectRows() {
  return {
      row(QueryAttribute::Start, {}, {}, {}, 0),
      typeRow(1),
      options(2),
      source(u"Table1"),
      source(u"Table2"),
      source(u"Table3"),
      column(u"Table1.*"),
      column(u"Table2.col1"),
      column(u"Table2.col2"),
      column(u"Table3.col3"),
      join(u"Table1", u"Table3", u"Table1.col1 = Table3.col1", 2),
      join(u"Table3", u"Table2", u"Table3.col1 = Table2.col1", 1),
      join(u"Table3", u"Table2", u"Table3.col1 = Table2.col2", 1),
      clause(QueryAttribute::OrderBy, u"Table2.col1"),
      clause(QueryAttribute::Where, u"(((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))"),
      row(QueryAttribute::End),
  };
}

TEST(SavedQuerySqlSelect, RebuildsTheSampleWithNestedJoinsAndCombinedConditions) {
  EXPECT_EQ(sql(QueryKind::Select, sampleSelectRows()),
            "SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\n"
            "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
            "(Table3.col1 = Table2.col2) AND (Table3.col1 = Table2.col1)\n"
            "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\n"
            "ORDER BY Table2.col1;");
}

TEST(SavedQuerySqlSelect, AllFieldsAndAliases) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), options(1), source(u"Table1")}), "SELECT *\nFROM Table1;");
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), options(1), source(u"Table1"), column(u"Table1.id"),
                                    column(u"Table1.col", u"Some.Alias"), column(u"[a]+1", u"Total")}),
            "SELECT Table1.id, Table1.col AS [Some.Alias], [a]+1 AS Total, *\nFROM Table1;");
  // Letters beyond ASCII need no brackets; spaces and brackets already present do.
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"Kunden"), column(u"x", u"Größe"), column(u"y", u"[Two Words]"),
                                    column(u"z", u"Two Words")}),
            "SELECT x AS Größe, y AS [Two Words], z AS [Two Words]\nFROM Kunden;");
}

TEST(SavedQuerySqlSelect, DistinctRowTopPercentAndOwnerAccess) {
  auto withOptions = [](QueryRow opts) {
    return sql(QueryKind::Select, {typeRow(1), std::move(opts), source(u"T"), column(u"T.a")});
  };
  EXPECT_EQ(withOptions(options(0x08)), "SELECT DISTINCTROW T.a\nFROM T;");
  EXPECT_EQ(withOptions(options(0x10, u"5")), "SELECT TOP 5 T.a\nFROM T;");
  EXPECT_EQ(withOptions(options(0x30, u"25")), "SELECT TOP 25 PERCENT T.a\nFROM T;");
  // DISTINCT and TOP together keep both (dropping TOP would change the result).
  EXPECT_EQ(withOptions(options(0x12, u"10")), "SELECT DISTINCT TOP 10 T.a\nFROM T;");
  EXPECT_EQ(withOptions(options(0x04)), "SELECT T.a\nFROM T\nWITH OWNERACCESS OPTION;");
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), options(0x11, u"3"), source(u"T")}), "SELECT TOP 3 *\nFROM T;");
}

TEST(SavedQuerySqlSelect, TopWithoutACountIsRefused) {
  expectRefused(QueryKind::Select, {typeRow(1), options(0x10), source(u"T"), column(u"T.a")}, "TOP");
  expectRefused(QueryKind::Select, {typeRow(1), options(0x10, u""), source(u"T"), column(u"T.a")}, "TOP");
}

TEST(SavedQuerySqlSelect, ParametersComeFirstWithTheirTypes) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), parameter(u"INT_VAL", 3), source(u"T"), column(u"T.a")}),
            "PARAMETERS INT_VAL Short;\nSELECT T.a\nFROM T;");
  EXPECT_EQ(sql(QueryKind::Select,
                {typeRow(1), parameter(u"TextVal", 10, 50), parameter(u"[Some Value]", 0), parameter(u"Start Date", 8),
                 parameter(u"Memo", 10, 0), parameter(u"G", 15), source(u"T"), column(u"T.a")}),
            "PARAMETERS TextVal Text ( 50 ), [Some Value] Value, [Start Date] DateTime, Memo Text, G Guid;\n"
            "SELECT T.a\nFROM T;");
  expectRefused(QueryKind::Select, {typeRow(1), parameter(u"BadVal", 99), source(u"T"), column(u"T.a")},
                "BadVal");
}

TEST(SavedQuerySqlSelect, SourcesWithAliasesPrefixesAndExternalDatabases) {
  std::vector<QueryRow> rows = {typeRow(1), source(u"Table1"), source(u"Table2", u"Another Table"),
                                source(u"val", u"Table3Val", u"Select val from Table3"), column(u"Table1.id")};
  EXPECT_EQ(sql(QueryKind::Select, rows),
            "SELECT Table1.id\nFROM Table1, Table2 AS [Another Table], [Select val from Table3].val AS Table3Val;");

  rows.push_back(row(QueryAttribute::ExternalDb, u"other_db.mdb"));
  EXPECT_EQ(sql(QueryKind::Select, rows),
            "SELECT Table1.id\nFROM Table1, Table2 AS [Another Table], [Select val from Table3].val AS Table3Val "
            "IN 'other_db.mdb';");
  rows.back() = row(QueryAttribute::ExternalDb, {}, {}, u"dBASE IV;");
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"T"), column(u"T.a"), rows.back()}),
            "SELECT T.a\nFROM T IN '' [dBASE IV;];");
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"19 MB 01 BEZAHLT ???"), column(u"x")}),
            "SELECT x\nFROM [19 MB 01 BEZAHLT ???];");
}

TEST(SavedQuerySqlSelect, NoSourcesMeansNoFromClause) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), column(u"1+1", u"Two")}), "SELECT 1+1 AS Two;");
}

TEST(SavedQuerySqlJoins, JoinedItemsGoLastAfterTheUnjoinedOnes) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"Table3"), source(u"Table1"), source(u"Table2"),
                                    column(u"x"), join(u"Table1", u"Table2", u"[Table1].[col1]=[Table2].[col1]", 1)}),
            "SELECT x\nFROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];");
}

TEST(SavedQuerySqlJoins, ThreeLevelsNestAndRightSideCanBeAJoinToo) {
  EXPECT_EQ(sql(QueryKind::Select,
                {typeRow(1), source(u"A"), source(u"B"), source(u"C"), source(u"D"), column(u"x"),
                 join(u"A", u"B", u"A.k = B.k", 1), join(u"C", u"D", u"C.k = D.k", 2),
                 join(u"B", u"C", u"B.k = C.k", 3)}),
            "SELECT x\nFROM (A INNER JOIN B ON A.k = B.k) RIGHT JOIN (C LEFT JOIN D ON C.k = D.k) ON B.k = C.k;");
  EXPECT_EQ(sql(QueryKind::Select,
                {typeRow(1), source(u"A"), source(u"B"), source(u"C"), source(u"D"), column(u"x"),
                 join(u"A", u"B", u"1", 1), join(u"B", u"C", u"2", 1), join(u"C", u"D", u"3", 1)}),
            "SELECT x\nFROM ((A INNER JOIN B ON 1) INNER JOIN C ON 2) INNER JOIN D ON 3;");
}

TEST(SavedQuerySqlJoins, SidesAreFoundByAliasWithoutRegardToCase) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"Table2"), source(u"Table2", u"Table2_1"), column(u"x"),
                                    join(u"TABLE2", u"table2_1", u"c", 1)}),
            "SELECT x\nFROM Table2 INNER JOIN Table2 AS Table2_1 ON c;");
}

TEST(SavedQuerySqlJoins, SideWithoutASourceRowIsNamedAsIs) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"A"), column(u"x"), join(u"A", u"Other Q", u"c", 2)}),
            "SELECT x\nFROM A LEFT JOIN [Other Q] ON c;");
}

TEST(SavedQuerySqlJoins, ThreeConditionsOnOnePairListNewestFirst) {
  EXPECT_EQ(sql(QueryKind::Select, {typeRow(1), source(u"A"), source(u"B"), column(u"x"), join(u"A", u"B", u"c1", 1),
                                    join(u"B", u"A", u"c2", 1), join(u"A", u"B", u"c3", 1)}),
            "SELECT x\nFROM A INNER JOIN B ON (c3) AND (c2) AND (c1);");
}

TEST(SavedQuerySqlJoins, ContradictoryOrUnknownJoinsAreRefused) {
  expectRefused(QueryKind::Select, {typeRow(1), source(u"A"), source(u"B"), column(u"x"), join(u"A", u"B", u"c", 1),
                                    join(u"A", u"B", u"d", 2)},
                "contradict");
  expectRefused(QueryKind::Select, {typeRow(1), source(u"A"), source(u"B"), column(u"x"), join(u"A", u"B", u"c", 5)},
                "unknown type 5");
  // A table joined to itself without an alias cannot be told apart.
  expectRefused(QueryKind::Select, {typeRow(1), source(u"A"), column(u"x"), join(u"A", u"A", u"c", 1)}, "contradict");
}

TEST(SavedQuerySqlJoins, EndlessJoinChainsAreRefused) {
  std::vector<QueryRow> rows = {typeRow(1), column(u"x")};
  for (int i = 0; i <= 1000; ++i) {
    rows.push_back(join(u"T" + jet::fromUtf8(std::to_string(i)), u"T" + jet::fromUtf8(std::to_string(i + 1)), u"c", 1));
  }
  expectRefused(QueryKind::Select, rows, "1001 joins");
  rows.resize(2 + 1000);
  const std::string text = sql(QueryKind::Select, rows);
  EXPECT_TRUE(text.starts_with("SELECT x\nFROM " + std::string(999, '(') + "T0 INNER JOIN T1 ON c) INNER JOIN T2"));
  EXPECT_TRUE(text.ends_with(") INNER JOIN T1000 ON c;"));
}

TEST(SavedQuerySqlSelect, WhereGroupByHavingAndOrderByKeepTheirOrder) {
  EXPECT_EQ(sql(QueryKind::Select,
                {typeRow(1), source(u"T"), column(u"T.id"), clause(QueryAttribute::Having, u"(SUM(T.val) = 500)"),
                 clause(QueryAttribute::OrderBy, u"T.id"), clause(QueryAttribute::GroupBy, u"T.id"),
                 clause(QueryAttribute::Where, u"(T.col2 < 13)"), clause(QueryAttribute::GroupBy, u"SUM(T.val)"),
                 clause(QueryAttribute::OrderBy, u"T.val", u"D"), clause(QueryAttribute::OrderBy, u"T.x", u"d")}),
            "SELECT T.id\nFROM T\nWHERE (T.col2 < 13)\nGROUP BY T.id, SUM(T.val)\nHAVING (SUM(T.val) = 500)\n"
            "ORDER BY T.id, T.val DESC, T.x DESC;");
}

TEST(SavedQuerySqlSelect, ClausesGivenTwiceAreRefused) {
  expectRefused(QueryKind::Select, {typeRow(1), source(u"T"), column(u"x"), clause(QueryAttribute::Where, u"a"),
                                    clause(QueryAttribute::Where, u"b")},
                "attribute 8");
  expectRefused(QueryKind::Select, {typeRow(1), options(1), options(2), source(u"T")}, "attribute 3");
}

TEST(SavedQuerySqlActions, MakeTableSelectsIntoTheTarget) {
  EXPECT_EQ(sql(QueryKind::MakeTable, {typeRow(2, u"Table4"), options(0), source(u"Table2"),
                                       column(u"Max(Table2.col1)", u"MaxOfcol1"), clause(QueryAttribute::GroupBy, u"Table2.col2"),
                                       column(u"Table2.col2")}),
            "SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2 INTO Table4\nFROM Table2\nGROUP BY Table2.col2;");
  QueryRow remote = typeRow(2, u"New Table", u"dBASE IV;");
  remote.name2 = u"C:\\data";
  EXPECT_EQ(sql(QueryKind::MakeTable, {remote, source(u"T"), column(u"T.a")}),
            "SELECT T.a INTO [New Table] IN 'C:\\data' [dBASE IV;]\nFROM T;");
  expectRefused(QueryKind::MakeTable, {typeRow(2), source(u"T"), column(u"T.a")}, "target");
}

TEST(SavedQuerySqlActions, AppendListsTargetColumnsOrValues) {
  EXPECT_EQ(sql(QueryKind::Append, {typeRow(3, u"Table3"), column(u"[Table1].[col2]", {}, u"col2"),
                                    column(u"[Table2].[col3]", {}, u"Col 3"), source(u"Table1"), source(u"Table2"),
                                    join(u"Table1", u"Table2", u"[Table1].[col1]=[Table2].[col1]", 1)}),
            "INSERT INTO Table3 ( col2, [Col 3] )\n"
            "SELECT [Table1].[col2], [Table2].[col3]\n"
            "FROM Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];");
  // Without target names the columns are appended in order.
  EXPECT_EQ(sql(QueryKind::Append, {typeRow(3, u"T"), options(1), source(u"S")}), "INSERT INTO T\nSELECT *\nFROM S;");
  const std::int16_t value = static_cast<std::int16_t>(0x8000);
  EXPECT_EQ(sql(QueryKind::Append, {typeRow(3, u"Changes"), parameter(u"TableArgs", 10, 255),
                                    column(u"TableArgs", {}, u"TableName", value), column(u"Now()", {}, u"[TimeStamp]", value)}),
            "PARAMETERS TableArgs Text ( 255 );\nINSERT INTO Changes ( TableName, [TimeStamp] )\nVALUES (TableArgs, Now());");
}

TEST(SavedQuerySqlActions, UpdateSetsQualifiedTargets) {
  EXPECT_EQ(sql(QueryKind::Update, {typeRow(4), parameter(u"User Name", 10), options(0), source(u"Table1"),
                                    column(u"\"foo\"", {}, u"Table1.col1"), column(u"[Table2].[col3]", {}, u"Table1.col2"),
                                    column(u"[User Name]", {}, u"[Table2].[col1]"), column(u"1", {}, u"My Table.My Col"),
                                    clause(QueryAttribute::Where, u"((([Table2].[col1]) Is Not Null))")}),
            "PARAMETERS [User Name] Text;\n"
            "UPDATE Table1\n"
            "SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name], "
            "[My Table].[My Col] = 1\n"
            "WHERE ((([Table2].[col1]) Is Not Null));");
  EXPECT_EQ(sql(QueryKind::Update, {typeRow(4), options(0x08), source(u"A"), source(u"B"), join(u"A", u"B", u"c", 1),
                                    column(u"2", {}, u"A.x")}),
            "UPDATE DISTINCTROW A INNER JOIN B ON c\nSET A.x = 2;");
}

TEST(SavedQuerySqlActions, DeleteNamesItsColumnsOrStar) {
  EXPECT_EQ(sql(QueryKind::Delete, {typeRow(5), options(0), source(u"Table1"), column(u"Table1.col1"), column(u"Table1.col2"),
                                    clause(QueryAttribute::Where, u"(((Table1.col1)>\"blah\"))")}),
            "DELETE Table1.col1, Table1.col2\nFROM Table1\nWHERE (((Table1.col1)>\"blah\"));");
  EXPECT_EQ(sql(QueryKind::Delete, {typeRow(5), options(0x09), source(u"T")}), "DELETE DISTINCTROW *\nFROM T;");
  EXPECT_EQ(sql(QueryKind::Delete, {typeRow(5), source(u"T")}), "DELETE\nFROM T;");
}

TEST(SavedQuerySqlCrosstab, TransformSelectPivot) {
  const std::vector<QueryRow> rows = {
      typeRow(6),
      column(u"Count([Table2].[col2])", u"CountOfcol2", {}, 0),
      column(u"Table2_1.col1", {}, {}, 2),
      column(u"[Table2].[col3]", {}, {}, 2),
      column(u"Avg(Table2_1.col2)", u"AvgOfcol2", {}, 2),
      join(u"Table1", u"Table2", u"[Table1].[col1]=[Table2].[col1]", 1),
      join(u"Table2", u"Table2_1", u"[Table2].[col1]=Table2_1.col3", 1),
      source(u"Table1"),
      source(u"Table2"),
      source(u"Table2", u"Table2_1"),
      clause(QueryAttribute::Where, u"((([Table1].[col1])>\"10\"))"),
      clause(QueryAttribute::GroupBy, u"Table2_1.col1", {}, 2),
      clause(QueryAttribute::GroupBy, u"[Table2].[col3]", {}, 2),
      clause(QueryAttribute::OrderBy, u"[Table2].[col3]"),
      clause(QueryAttribute::GroupBy, u"[Table1].[col1]", {}, 1),
      column(u"[Table1].[col1]", {}, {}, 1),
  };
  EXPECT_EQ(sql(QueryKind::Crosstab, rows),
            "TRANSFORM Count([Table2].[col2]) AS CountOfcol2\n"
            "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\n"
            "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS Table2_1 ON "
            "[Table2].[col1]=Table2_1.col3\n"
            "WHERE ((([Table1].[col1])>\"10\"))\n"
            "GROUP BY Table2_1.col1, [Table2].[col3]\n"
            "ORDER BY [Table2].[col3]\n"
            "PIVOT [Table1].[col1];");
}

TEST(SavedQuerySqlCrosstab, NeedsExactlyOnePivotAndAtMostOneValue) {
  expectRefused(QueryKind::Crosstab, {typeRow(6), source(u"T"), column(u"T.a", {}, {}, 2)}, "0 column headings");
  expectRefused(QueryKind::Crosstab,
                {typeRow(6), source(u"T"), column(u"T.a", {}, {}, 1), column(u"T.b", {}, {}, 1)}, "2 column headings");
  expectRefused(QueryKind::Crosstab, {typeRow(6), source(u"T"), column(u"Count(*)"), column(u"Sum(x)"),
                                      column(u"T.a", {}, {}, 1)},
                "2 value columns");
}

TEST(SavedQuerySqlUnion, JoinsTheTwoPartsAsTyped) {
  std::vector<QueryRow> rows = {
      row(QueryAttribute::Source, {}, u"X7YZ_____1",
          u"Select Table1.col1, Table1.col2\r\nwhere Table1.col1 = \"foo\"\r\nUNION\r\nSelect Table2.col1, Table2.col2\r\n"),
      typeRow(9),
      row(QueryAttribute::Source, {}, u"X7YZ_____2", u"  Select Table3.col1, Table3.col2\r\n\r\nwhere Table3.col3 > \"blah\""),
      options(1),
  };
  EXPECT_EQ(sql(QueryKind::Union, rows),
            "Select Table1.col1, Table1.col2\nwhere Table1.col1 = \"foo\"\nUNION\nSelect Table2.col1, Table2.col2\n"
            "UNION ALL Select Table3.col1, Table3.col2\n\nwhere Table3.col3 > \"blah\";");
  rows[3] = options(3);
  rows.push_back(clause(QueryAttribute::OrderBy, u"col1", u"D"));
  const std::string text = sql(QueryKind::Union, rows);
  EXPECT_NE(text.find("\nUNION Select Table3.col1"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("\"blah\"\nORDER BY col1 DESC;")) << text;

  rows.erase(rows.begin());
  expectRefused(QueryKind::Union, rows, "first part");
}

TEST(SavedQuerySqlRawText, PassThroughAndDataDefinitionKeepTheirTextWithoutTheTerminator) {
  using namespace std::string_literals;
  EXPECT_EQ(sql(QueryKind::PassThrough, {typeRow(8, u"ODBC;", u"ALTER TABLE Table4 DROP COLUMN col5;\0"s)}),
            "ALTER TABLE Table4 DROP COLUMN col5;");
  EXPECT_EQ(sql(QueryKind::DataDefinition, {typeRow(7, {}, u"CREATE TABLE T\r\n(a TEXT);"), parameter(u"p", 4)}),
            "CREATE TABLE T\n(a TEXT);");
  EXPECT_EQ(sql(QueryKind::DataDefinition, {typeRow(7)}), "");
}

TEST(SavedQuerySqlKind, TypeRowDecidesAndCatalogFlagsAreTheFallback) {
  EXPECT_EQ(jet::queryKindOf(0x00, {typeRow(9)}), QueryKind::Union);
  EXPECT_EQ(jet::queryKindOf(0x30, {typeRow(4)}), QueryKind::Update);
  EXPECT_EQ(jet::queryKindOf(0x50, {}), QueryKind::MakeTable);
  EXPECT_EQ(jet::queryKindOf(0x70, {typeRow(42)}), QueryKind::PassThrough);
  EXPECT_EQ(jet::queryKindOf(0x08, {}), QueryKind::Select);  // other flag bits do not matter
  EXPECT_EQ(jet::queryKindOf(0xF0, {typeRow(0)}), QueryKind::Unknown);
  expectRefused(QueryKind::Unknown, {typeRow(0)}, "unknown");
  EXPECT_FALSE(jet::queryHasParameters({typeRow(1), source(u"T")}));
  EXPECT_TRUE(jet::queryHasParameters({typeRow(1), parameter(u"p", 4)}));
}

TEST(SavedQuerySqlRows, SortedByOrderWhenPresentAndStableOtherwise) {
  std::vector<QueryRow> rows = {column(u"b"), column(u"a"), column(u"c")};
  jet::sortQueryRows(rows);
  EXPECT_EQ(rows[0].expression, u"b");
  EXPECT_EQ(rows[2].expression, u"c");

  rows[0].order = {0, 0, 0, 2};
  rows[1].order = {0, 0, 0, 1};
  rows[2].order = {0, 0, 1, 0};
  jet::sortQueryRows(rows);
  EXPECT_EQ(rows[0].expression, u"a");
  EXPECT_EQ(rows[1].expression, u"b");
  EXPECT_EQ(rows[2].expression, u"c");
}

}  // namespace
