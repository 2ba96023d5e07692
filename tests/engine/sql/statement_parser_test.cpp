// The statement parser and its syntax tree: what each construct parses to, and
// that printing a tree and parsing the print gives the same tree (the printer
// is what other dialects' printers are modelled on).
#include <gtest/gtest.h>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/statement_ast.h"
#include "sql/statement_parser.h"

namespace {

using namespace jet::sql;

std::string printed(const std::u16string& sql) { return jet::toUtf8(printStatement(parseStatement(sql))); }

const QueryNode& queryOf(const ParsedStatement& s) { return *static_cast<const QueryStatement&>(*s.body).query; }

TEST(StatementParser, PrintsWhatItParsedSoThatThePrintParsesTheSame) {
  const char16_t* statements[] = {
      u"SELECT * FROM T",
      u"SELECT DISTINCT TOP 5 PERCENT a, b AS [x y], t.* FROM T AS t WHERE a > 1 ORDER BY b DESC, 1",
      u"SELECT DISTINCTROW c.Name FROM (Customers AS c INNER JOIN Orders AS o ON c.ID = o.CID) LEFT JOIN P ON o.P = P.P",
      u"SELECT a FROM T, U RIGHT JOIN V ON U.x = V.x WHERE T.y In (1, 2) And Not U.z Is Null",
      u"SELECT Count(*), Sum(x) FROM T GROUP BY g, Year(d) HAVING Count(*) > 2",
      u"SELECT a FROM T UNION SELECT b FROM U UNION ALL SELECT c FROM V ORDER BY a",
      u"TRANSFORM Sum(x) AS s SELECT r FROM T GROUP BY r ORDER BY r PIVOT c IN ('a', 'b')",
      u"PARAMETERS [When] DateTime, n Text(20); SELECT * FROM T WHERE d > [When] And n = x",
      u"SELECT (SELECT Max(y) FROM U WHERE U.k = T.k) AS m FROM T WHERE Exists (SELECT * FROM V) And a In "
      u"(SELECT b FROM W) And c > All (SELECT c FROM X) And d = Any (SELECT d FROM Y)",
      u"SELECT x.n FROM (SELECT Count(*) AS n FROM T) AS x",
      u"SELECT 1 + 2 * 3 ^ 4 Mod 5 \\ 6 & 'a' Like 'b*' Xor #1/2/2003# Between 1 And 2",
  };
  for (const char16_t* sql : statements) {
    SCOPED_TRACE(jet::toUtf8(sql));
    const std::string once = printed(sql);
    EXPECT_EQ(printed(jet::fromUtf8(once)), once);
  }
  EXPECT_EQ(printed(u"select a from [Order Details] d where x=1;"),
            "SELECT a FROM [Order Details] AS d WHERE (x = 1)");
  EXPECT_EQ(printed(u"TABLE A UNION SELECT b FROM B"), "TABLE A UNION SELECT b FROM B");
}

TEST(StatementParser, JoinsNestAsWrittenAndCommaListsStayLists) {
  const ParsedStatement s =
      parseStatement(u"SELECT * FROM A, (B INNER JOIN C ON B.x = C.x) LEFT OUTER JOIN D ON C.y = D.y, E e");
  const auto& q = static_cast<const SelectQuery&>(queryOf(s));
  ASSERT_EQ(q.from.size(), 3u);
  EXPECT_EQ(q.from[0]->kind, FromKind::Table);
  ASSERT_EQ(q.from[1]->kind, FromKind::Join);
  const auto& left = static_cast<const JoinItem&>(*q.from[1]);
  EXPECT_EQ(left.join, JoinKind::Left);
  ASSERT_EQ(left.left->kind, FromKind::Join);
  EXPECT_EQ(static_cast<const JoinItem&>(*left.left).join, JoinKind::Inner);
  EXPECT_EQ(static_cast<const TableRef&>(*left.right).name, u"D");
  EXPECT_EQ(static_cast<const TableRef&>(*q.from[2]).alias, u"e");
}

TEST(StatementParser, ReadsTopParametersUnionsAndCrosstabs) {
  const ParsedStatement p = parseStatement(u"PARAMETERS [a b] Text(30), c Decimal(10, 2), d Value; SELECT TOP 7 x FROM T");
  ASSERT_EQ(p.parameters.size(), 3u);
  EXPECT_EQ(p.parameters[0].name, u"a b");
  EXPECT_EQ(p.parameters[0].type.type, jet::DataType::Text);
  EXPECT_EQ(p.parameters[0].type.size, 30);
  EXPECT_EQ(p.parameters[1].type.type, jet::DataType::Numeric);
  EXPECT_EQ(p.parameters[1].type.precision, 10);
  EXPECT_EQ(p.parameters[1].type.scale, 2);
  EXPECT_FALSE(p.parameters[2].type.type.has_value());
  const auto& select = static_cast<const SelectQuery&>(queryOf(p));
  ASSERT_TRUE(select.top.has_value());
  EXPECT_EQ(select.top->count, 7);
  EXPECT_FALSE(select.top->percent);

  const ParsedStatement u = parseStatement(u"SELECT a FROM T UNION ALL SELECT b FROM U UNION SELECT c FROM V ORDER BY 1");
  const auto& un = static_cast<const UnionQuery&>(queryOf(u));
  ASSERT_EQ(un.parts.size(), 3u);
  EXPECT_EQ(un.all, (std::vector<bool>{true, false}));
  EXPECT_EQ(un.orderBy.size(), 1u);
  EXPECT_TRUE(static_cast<const SelectQuery&>(*un.parts[2]).orderBy.empty());

  const ParsedStatement x = parseStatement(u"TRANSFORM Count(*) SELECT r FROM T GROUP BY r PIVOT Format(d, 'yyyy') In (2001, 2002)");
  const auto& t = static_cast<const TransformQuery&>(queryOf(x));
  EXPECT_TRUE(t.hasIn);
  EXPECT_EQ(t.pivotIn.size(), 2u);
  EXPECT_EQ(t.pivot->kind, ExprKind::Call);
  EXPECT_TRUE(static_cast<const CallExpr&>(*t.aggregate).star);
}

TEST(StatementParser, SplitsStatementsAndRecognisesANameAlone) {
  std::u16string name;
  EXPECT_TRUE(isBareName(u"  [My Query] ; ", name));
  EXPECT_EQ(name, u"My Query");
  EXPECT_TRUE(isBareName(u"Orders", name));
  EXPECT_FALSE(isBareName(u"SELECT", name));
  EXPECT_FALSE(isBareName(u"Orders o", name));
  EXPECT_FALSE(isBareName(u"[unterminated", name));
}

TEST(StatementParser, ErrorsNameTheClauseAndThePosition) {
  const auto errorOf = [](const std::u16string& sql) {
    try {
      parseStatement(sql);
      return std::string("no error");
    } catch (const jet::Error& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(errorOf(u"SELECT a FROM T GROUP x"),
            "Syntax error in GROUP BY clause: expected 'BY' but found 'x' in query at position 23");
  EXPECT_EQ(errorOf(u"SELECT a FROM T WHERE a In (SELECT b FROM U"),
            "Syntax error in WHERE clause: expected ')' after the subquery but found end of text in query at position 44");
  EXPECT_EQ(errorOf(u"TRANSFORM Sum(x) SELECT a FROM T GROUP BY a"),
            "Syntax error in TRANSFORM clause: expected PIVOT but found end of text in query at position 44");
  EXPECT_EQ(errorOf(u"SELECT a FROM T WITH OWNERACCESS"),
            "Syntax error in WITH OWNERACCESS OPTION clause: expected 'OPTION' but found end of text in query at position 33");
  EXPECT_EQ(errorOf(u"SELECT TOP 101 PERCENT a FROM T"),
            "The TOP clause needs a whole number of rows greater than 0, or a percentage from 0 to 100, not '101' in "
            "query at position 12");
  EXPECT_EQ(errorOf(u"PARAMETERS x Whatever; SELECT 1"), "Syntax error in PARAMETERS clause: unknown type 'Whatever' in query at position 14");
  EXPECT_EQ(errorOf(u"SELECT a FROM T t u"), "Characters found after the end of the SQL statement: 'u' in query at position 19");
}

}  // namespace
