// The statement API: what a prepared statement describes, cursors and
// random-access results, the rows of one table (for editing), parameters by
// name, plans, and the limits that keep hostile statements from exhausting
// the stack or running forever.
#include <gtest/gtest.h>

#include <string>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"
#include "support/value_printer.h"

namespace {

using jet::Value;

class StatementApi : public testing::Test {
 protected:
  void SetUp() override {
    db_ = jet::Database::create(dir_ / "api.mdb");
    jet::TableSpec people;
    people.name = u"People";
    people.columns = {column(u"ID", jet::DataType::Long), column(u"Name", jet::DataType::Text, 20),
                      column(u"Score", jet::DataType::Double)};
    jet::TableSpec pets;
    pets.name = u"Pets";
    pets.columns = {column(u"Owner", jet::DataType::Long), column(u"Pet", jet::DataType::Text, 20)};
    auto p = db_->createTable(people);
    auto q = db_->createTable(pets);
    db_->beginTransaction();
    for (int i = 1; i <= 50; ++i) {
      std::vector<Value> row{Value::longInt(i), Value::text(u"n" + jet::fromUtf8(std::to_string(i))),
                             i % 7 == 0 ? Value() : Value::dbl(i * 1.5)};
      ids_.push_back(p->insertRow(row));
      std::vector<Value> pet{Value::longInt(i % 10), Value::text(u"pet" + jet::fromUtf8(std::to_string(i)))};
      q->insertRow(pet);
    }
    db_->commitTransaction();
  }

  static jet::ColumnSpec column(const char16_t* name, jet::DataType type, std::uint16_t size = 0) {
    jet::ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
  }

  std::string errorOf(const std::u16string& sql, const jet::ExecuteOptions& options = {}) {
    try {
      auto cursor = jet::Statement::prepare(*db_, sql).execute(options);
      while (cursor->next()) {
      }
      return "no error";
    } catch (const jet::Error& e) {
      return std::string(jet::errorCodeName(e.code())) + ": " + e.what();
    }
  }

  qbtest::TempDir dir_;
  std::unique_ptr<jet::Database> db_;
  std::vector<jet::RowId> ids_;
};

TEST_F(StatementApi, PreparingDescribesColumnsParametersAndKind) {
  jet::Statement s = jet::Statement::prepare(
      *db_, u"PARAMETERS [Top score] Double; SELECT ID, Name AS Who, Score * 2 FROM People WHERE Score < [Top score] "
            u"And Name <> [Not this one]");
  EXPECT_EQ(s.kind(), jet::StatementKind::Select);
  ASSERT_EQ(s.columns().size(), 3u);
  EXPECT_EQ(s.columns()[0].name, u"ID");
  EXPECT_EQ(s.columns()[0].column.type, jet::DataType::Long);
  EXPECT_EQ(s.columns()[1].name, u"Who");
  EXPECT_EQ(s.columns()[1].column.type, jet::DataType::Text);
  EXPECT_EQ(s.columns()[1].column.length, 40u);  // the field's own size: 20 characters
  EXPECT_EQ(s.columns()[2].name, u"Expr1002");
  EXPECT_EQ(s.columns()[2].column.type, jet::DataType::Double);
  ASSERT_EQ(s.parameters().size(), 2u);
  EXPECT_EQ(s.parameters()[0].name, u"Top score");
  EXPECT_TRUE(s.parameters()[0].declared);
  EXPECT_EQ(s.parameters()[0].type, jet::DataType::Double);
  EXPECT_EQ(s.parameters()[1].name, u"Not this one");
  EXPECT_FALSE(s.parameters()[1].declared);

  EXPECT_EQ(jet::Statement::prepare(*db_, u"SELECT ID FROM People UNION SELECT Owner FROM Pets").kind(),
            jet::StatementKind::Union);
  jet::Statement crosstab =
      jet::Statement::prepare(*db_, u"TRANSFORM Count(*) SELECT Owner FROM Pets WHERE Owner < 3 GROUP BY Owner PIVOT Owner");
  EXPECT_EQ(crosstab.kind(), jet::StatementKind::Crosstab);
  EXPECT_EQ(crosstab.columns().size(), 1u);  // the pivot columns come with the data
  auto cursor = crosstab.execute();
  ASSERT_EQ(cursor->columns().size(), 4u);
  EXPECT_EQ(cursor->columns()[3].name, u"2");
  EXPECT_EQ(cursor->columns()[3].column.type, jet::DataType::Long);
}

TEST_F(StatementApi, ACursorStreamsItsRowsOnceAndOutlivesItsStatement) {
  std::unique_ptr<jet::Cursor> cursor;
  {
    jet::Statement s = jet::Statement::prepare(*db_, u"SELECT ID, Name FROM People WHERE ID > 47 ORDER BY ID DESC");
    cursor = s.execute();
  }
  EXPECT_TRUE(cursor->row().empty());
  std::vector<Value> ids;
  while (cursor->next()) {
    ASSERT_EQ(cursor->row().size(), 2u);
    ids.push_back(cursor->row()[0]);
  }
  EXPECT_EQ(ids, (std::vector<Value>{Value::longInt(50), Value::longInt(49), Value::longInt(48)}));
  EXPECT_FALSE(cursor->next());
  EXPECT_TRUE(cursor->row().empty());
}

TEST_F(StatementApi, RowsOfOneTableNameTheTableAndTheRowTheyAre) {
  jet::Statement s = jet::Statement::prepare(*db_, u"SELECT Name, Score + 1, ID FROM People WHERE ID Mod 10 = 3");
  EXPECT_EQ(s.columns()[0].sourceTable, u"People");
  EXPECT_EQ(s.columns()[0].sourceColumn, 1);
  EXPECT_TRUE(s.columns()[1].sourceTable.empty());  // computed
  EXPECT_EQ(s.columns()[1].sourceColumn, -1);
  EXPECT_EQ(s.columns()[2].sourceColumn, 0);
  auto cursor = s.execute();
  EXPECT_EQ(cursor->updatableTable(), u"People");
  auto table = db_->table(u"People");
  int rows = 0;
  while (cursor->next()) {
    const auto id = cursor->rowId();
    ASSERT_TRUE(id.has_value());
    const std::vector<Value> stored = table->readRow(*id);
    EXPECT_EQ(cursor->row()[0], stored[1]);
    EXPECT_EQ(cursor->row()[2], stored[0]);
    ++rows;
  }
  EXPECT_EQ(rows, 5);

  // Rows made of several rows, or of none, are no table's rows.
  for (const std::u16string sql : {u"SELECT p.Name FROM People AS p INNER JOIN Pets ON p.ID = Pets.Owner",
                                   u"SELECT Count(*) FROM People", u"SELECT DISTINCT Name FROM People",
                                   u"SELECT TOP 3 Name FROM People ORDER BY ID", u"SELECT Name FROM People UNION SELECT Pet FROM Pets"}) {
    auto c = jet::Statement::prepare(*db_, sql).execute();
    EXPECT_TRUE(c->updatableTable().empty()) << jet::toUtf8(sql);
    ASSERT_TRUE(c->next());
    EXPECT_FALSE(c->rowId().has_value()) << jet::toUtf8(sql);
  }
  // A join's plain fields still say where they come from.
  jet::Statement join = jet::Statement::prepare(*db_, u"SELECT p.Name, Pets.Pet FROM People AS p, Pets WHERE p.ID = Pets.Owner");
  EXPECT_EQ(join.columns()[0].sourceTable, u"People");
  EXPECT_EQ(join.columns()[1].sourceTable, u"Pets");
  EXPECT_EQ(join.columns()[1].sourceColumn, 1);
}

TEST_F(StatementApi, AResultSetGivesRowsByPositionAsTheCursorDoes) {
  for (const std::u16string sql : {u"SELECT * FROM People WHERE Score > 20 ORDER BY Score DESC",  // by locator
                                   u"SELECT ID * 2, Name FROM People WHERE Score > 20 ORDER BY Score DESC"}) {
    SCOPED_TRACE(jet::toUtf8(sql));
    jet::Statement s = jet::Statement::prepare(*db_, sql);
    std::vector<std::vector<Value>> streamed;
    auto cursor = s.execute();
    while (cursor->next()) streamed.push_back(cursor->row());
    auto all = s.executeAll();
    ASSERT_EQ(all->size(), streamed.size());
    ASSERT_GT(all->size(), 10u);
    for (std::size_t i = all->size(); i-- > 0;) EXPECT_EQ(all->row(i), streamed[i]) << i;
    EXPECT_EQ(all->row(3), streamed[3]);
    EXPECT_EQ(all->columns().size(), streamed[0].size());
  }
  auto byLocator = jet::Statement::prepare(*db_, u"SELECT Name FROM People").executeAll();
  EXPECT_EQ(byLocator->updatableTable(), u"People");
  ASSERT_EQ(byLocator->size(), 50u);
  EXPECT_EQ(byLocator->rowId(9), ids_[9]);
  EXPECT_EQ(byLocator->row(9)[0], Value::text(u"n10"));
}

TEST_F(StatementApi, ParametersAreGivenByNameAndConvertedToTheirDeclaredType) {
  jet::Statement s = jet::Statement::prepare(*db_, u"PARAMETERS Low Long; SELECT Count(*) FROM People WHERE ID > Low");
  s.setParameter(u"LOW", Value::text(u"40"));
  auto c = s.execute();
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->row()[0], Value::longInt(10));
  s.setParameter(u"low", Value::dbl(45.4));  // rounded to the Long 45
  c = s.execute();
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->row()[0], Value::longInt(5));
  s.clearParameters();
  try {
    s.execute();
    ADD_FAILURE() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_STREQ(e.what(), "No value given for one or more required parameters: 'Low'");
  }
  try {
    s.setParameter(u"High", Value::longInt(1));
    ADD_FAILURE() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
    EXPECT_STREQ(e.what(), "The statement has no parameter 'High'");
  }
  EXPECT_THROW(s.setParameter(u"Low", Value::text(u"forty")), jet::Error);
}

TEST_F(StatementApi, DeeplyNestedStatementsAreTooComplexNotAStackOverflow) {
  const auto tooComplex = [&](const std::u16string& sql) {
    const std::string e = errorOf(sql);
    EXPECT_EQ(e.rfind("Unsupported: Query is too complex", 0), 0u) << e.substr(0, 200);
  };
  tooComplex(u"SELECT " + std::u16string(5000, u'(') + u"1" + std::u16string(5000, u')') + u" FROM People");
  std::u16string sum = u"SELECT 1";
  for (int i = 0; i < 20000; ++i) sum += u"+1";
  tooComplex(sum);
  std::u16string nots = u"SELECT ID FROM People WHERE ";
  for (int i = 0; i < 5000; ++i) nots += u"Not ";
  tooComplex(nots + u"True");
  std::u16string nested = u"SELECT ID FROM People WHERE ID IN ";
  for (int i = 0; i < 40; ++i) nested += u"(SELECT ID FROM People WHERE ID IN ";
  tooComplex(nested + u"(1)" + std::u16string(41, u')'));
  std::u16string from = u"SELECT * FROM ";
  for (int i = 0; i < 400; ++i) from += u"(";
  tooComplex(from + u"People" + std::u16string(400, u')'));
  tooComplex(u"SELECT '" + std::u16string(70000, u'x') + u"'");
  // What real queries nest stays well within the limits.
  EXPECT_EQ(errorOf(u"SELECT " + std::u16string(60, u'(') + u"1" + std::u16string(60, u')') + u" FROM People"), "no error");
  std::u16string ands = u"SELECT ID FROM People WHERE ID > 0";
  for (int i = 0; i < 99; ++i) ands += u" And Name <> 'x" + jet::fromUtf8(std::to_string(i)) + u"'";
  EXPECT_EQ(errorOf(ands), "no error");
}

TEST_F(StatementApi, ARowBudgetStopsAStatementThatWouldRunTooLong) {
  jet::ExecuteOptions options;
  options.rowBudget = 10000;
  EXPECT_EQ(errorOf(u"SELECT Count(*) FROM People AS a, People AS b, People AS c, People AS d", options),
            "InvalidArgument: The query was stopped after handling 10000 rows, the most it was allowed to handle");
  EXPECT_EQ(errorOf(u"SELECT Count(*) FROM People AS a, People AS b", options), "no error");
}

TEST_F(StatementApi, TheExplainedPlanNamesAccessPathsJoinsAndSubqueries) {
  auto pets = db_->table(u"Pets");
  db_->beginTransaction();
  for (int i = 0; i < 1000; ++i) {
    std::vector<Value> pet{Value::longInt(100 + i), Value::text(u"more")};
    pets->insertRow(pet);
  }
  db_->commitTransaction();
  jet::IndexSpec index;
  index.name = u"Owner";
  index.columns = {{u"Owner", true}};
  db_->createIndex(u"Pets", index);
  const std::string plan = jet::Statement::prepare(*db_, u"SELECT p.Name, (SELECT Count(*) FROM Pets WHERE Pets.Owner = "
                                                         u"p.ID) FROM People AS p WHERE p.ID In (SELECT Owner FROM Pets "
                                                         u"WHERE Pet = 'pet3')")
                               .explain();
  EXPECT_NE(plan.find("Table scan of 'People'"), std::string::npos) << plan;
  EXPECT_NE(plan.find("correlated by equal keys: run once, grouped, then looked up"), std::string::npos) << plan;
  EXPECT_NE(plan.find("(run once):\n  Compute 1 value\n    Table scan of 'Pets'"), std::string::npos) << plan;
  const std::string join =
      jet::Statement::prepare(*db_, u"SELECT p.Name FROM People AS p INNER JOIN Pets ON p.ID = Pets.Owner WHERE p.ID = 3")
          .explain();
  EXPECT_NE(join.find("Index join into 'Pets' using index 'Owner'"), std::string::npos) << join;
}

TEST(SplitStatements, SplitsAtSemicolonsOutsideLiteralsAndKeepsParametersWithTheirStatement) {
  const auto pieces =
      jet::splitStatements(u"SELECT 1;\n SELECT ';' AS [a;b] ; PARAMETERS x Long; SELECT x;;  \n SELECT #1/2/2003#");
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0], u"SELECT 1");
  EXPECT_EQ(pieces[1], u"\n SELECT ';' AS [a;b] ");
  EXPECT_EQ(pieces[2], u" PARAMETERS x Long; SELECT x");
  EXPECT_EQ(pieces[3], u"  \n SELECT #1/2/2003#");
  EXPECT_THROW(jet::splitStatements(u"SELECT 'open"), jet::Error);
}

}  // namespace
