// The query dataset while the data under its result changes: commits of a
// separate qbtool process, and writes through a table dataset of the same
// program on the same table, are seen at the next look without running the
// statement again by hand; a row edited here that was deleted there fails to
// save, nothing else lost; a statement that no longer runs leaves an empty
// result that says why.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "connection/query_data_set.h"
#include "corpus_data_set.h"
#include "jet/database.h"
#include "support/error_of.h"

namespace {

using qb::DataSetState;
using qbtest::errorOf;

// Runs one statement with qbtool in a process of its own; true when it succeeded.
bool qbtoolSql(const std::filesystem::path& file, const std::string& statement) {
  const std::string command =
      std::string("'") + QB_QBTOOL + "' sql '" + file.string() + "' \"" + statement + "\" >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class QueryFollowing : public qbtest::CorpusDataSet {
 protected:
  void SetUp() override {
    CorpusDataSet::SetUp();
    if (IsSkipped()) return;
    path_ = use("jackcess-V2000-delTestV2000.mdb");
    query_.setConnection(&con_);
  }
  void run(std::u16string text) {
    query_.close();
    query_.setSql({std::move(text)});
    query_.open();
  }

  std::filesystem::path path_;
  qb::QueryDataSet query_;
};

TEST_F(QueryFollowing, AnotherProcessesCommitsShowAtTheNextLook) {
  run(u"SELECT a, b FROM [Table] ORDER BY a");
  ASSERT_TRUE(query_.canModify());
  EXPECT_FALSE(query_.followChanges());  // nobody wrote yet
  const std::size_t before = query_.recordCount();
  query_.last();
  const std::u16string current = query_.fieldByName(u"a").text();

  ASSERT_TRUE(qbtoolSql(path_, "INSERT INTO [Table] (a, b) VALUES ('aa', 'first by order')"));
  ASSERT_TRUE(qbtoolSql(path_, "INSERT INTO [Table] (a, b) VALUES ('zz', 'last by order')"));
  EXPECT_TRUE(query_.followChanges());
  EXPECT_EQ(query_.recordCount(), before + 2);
  EXPECT_EQ(query_.state(), DataSetState::Browse);
  EXPECT_EQ(query_.fieldByName(u"a").text(), current);  // kept, though it moved in the order
  query_.first();
  EXPECT_EQ(query_.fieldByName(u"b").text(), u"first by order");  // the statement's order
  EXPECT_FALSE(query_.followChanges());                           // nothing new

  ASSERT_TRUE(qbtoolSql(path_, "DELETE FROM [Table] WHERE a = 'aa'"));
  EXPECT_TRUE(query_.followChanges());
  EXPECT_EQ(query_.recordCount(), before + 1);
  EXPECT_FALSE(query_.locate(u"a", u"aa", {}));

  // A result that is not one table's rows is computed again.
  run(u"SELECT Count(*) AS n, Max(a) AS Highest FROM [Table]");
  EXPECT_EQ(query_.fieldByName(u"n").text(), jet::fromUtf8(std::to_string(before + 1)));
  ASSERT_TRUE(qbtoolSql(path_, "UPDATE [Table] SET a = 'zzz' WHERE a = 'zz'"));
  EXPECT_TRUE(query_.followChanges());
  EXPECT_EQ(query_.fieldByName(u"Highest").text(), u"zzz");
  EXPECT_FALSE(query_.canModify());
}

TEST_F(QueryFollowing, ATableDataSetAndAQueryOnOneTableSeeEachOthersWrites) {
  openTable(u"Table");
  run(u"SELECT * FROM [Table]");
  const std::size_t before = mdb_.recordCount();
  ASSERT_EQ(query_.recordCount(), before);

  // Edited in the table dataset: the query shows it, the writer itself does not relist.
  mdb_.first();
  const std::u16string a = mdb_.fieldByName(u"a").text();
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"from the grid");
  mdb_.save();
  EXPECT_FALSE(mdb_.followChanges());
  EXPECT_TRUE(query_.followChanges());
  ASSERT_TRUE(query_.locate(u"a", a, {}));
  EXPECT_EQ(query_.fieldByName(u"b").text(), u"from the grid");

  // Added and deleted through the query: the table dataset follows.
  query_.append();
  query_.fieldByName(u"a").setText(u"from the query");
  query_.save();
  EXPECT_FALSE(query_.followChanges());
  EXPECT_TRUE(mdb_.followChanges());
  EXPECT_EQ(mdb_.recordCount(), before + 1);
  EXPECT_TRUE(mdb_.locate(u"a", u"from the query", {}));

  // A write of one side does not hide the other side's earlier one.
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"one");
  mdb_.save();
  query_.last();
  query_.edit();
  query_.fieldByName(u"b").setText(u"two");
  query_.save();
  EXPECT_TRUE(query_.followChanges());  // the table dataset's write
  EXPECT_TRUE(mdb_.followChanges());    // the query's
  EXPECT_EQ(mdb_.fieldByName(u"b").text(), u"two");

  // A row deleted in the query while the table dataset edits it.
  ASSERT_TRUE(mdb_.locate(u"a", a, {}));
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"typed in the grid");
  ASSERT_TRUE(query_.locate(u"a", a, {}));
  query_.deleteRecord();
  const std::string e = errorOf([&] { mdb_.save(); });
  EXPECT_NE(e.find("in another window"), std::string::npos) << e;
  EXPECT_NE(e.find("nothing was saved"), std::string::npos) << e;
  EXPECT_EQ(mdb_.state(), DataSetState::Edit);
  EXPECT_EQ(mdb_.fieldByName(u"b").text(), u"typed in the grid");
  mdb_.cancel();
  EXPECT_TRUE(mdb_.followChanges());
  EXPECT_EQ(mdb_.recordCount(), before);
  EXPECT_FALSE(mdb_.locate(u"a", a, {}));
  EXPECT_TRUE(mdb_.locate(u"a", u"from the query", {}));  // nothing else lost
}

TEST_F(QueryFollowing, AStatementThatNoLongerRunsLeavesAnEmptyResultThatSaysWhy) {
  qb::QueryDataSet ddl("ddl");
  ddl.setConnection(&con_);
  const auto carryOut = [&](std::u16string text) {
    ddl.setSql({std::move(text)});
    EXPECT_NE(errorOf([&] { ddl.open(); }).find("does not return a result set"), std::string::npos);
  };
  carryOut(u"CREATE TABLE Extra (x LONG, y TEXT(10))");
  carryOut(u"INSERT INTO Extra (x, y) VALUES (1, 'one')");
  run(u"SELECT x, y FROM Extra");
  ASSERT_EQ(query_.recordCount(), 1u);

  // Another column of the same name and type keeps the result going.
  carryOut(u"ALTER TABLE Extra ADD COLUMN z LONG");
  EXPECT_TRUE(query_.followChanges());
  EXPECT_EQ(query_.recordCount(), 1u);
  EXPECT_EQ(query_.fieldByName(u"y").text(), u"one");

  carryOut(u"DROP TABLE Extra");
  EXPECT_TRUE(query_.followChanges());
  EXPECT_TRUE(query_.active());
  EXPECT_EQ(query_.recordCount(), 0u);
  EXPECT_NE(query_.readOnlyReason().find("no longer be run"), std::string::npos) << query_.readOnlyReason();
  EXPECT_NE(errorOf([&] { query_.append(); }), "");

  // The same name made again with other columns: still empty, and says so.
  carryOut(u"CREATE TABLE Extra (x TEXT(5), y TEXT(10))");
  EXPECT_TRUE(query_.followChanges());
  EXPECT_EQ(query_.recordCount(), 0u);
  EXPECT_NE(query_.readOnlyReason().find("columns"), std::string::npos) << query_.readOnlyReason();
  // Running it again gives the new table's rows and columns.
  run(u"SELECT x, y FROM Extra");
  EXPECT_EQ(query_.recordCount(), 0u);
  EXPECT_EQ(query_.fieldDefs().front().dataType, qb::TFieldType::ftWideString);
}

}  // namespace
