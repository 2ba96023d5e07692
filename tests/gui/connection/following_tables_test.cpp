// The tab strip while tables come and go: tables created or dropped by a
// separate qbtool process, or through another dataset of this program, add
// or remove their tabs at the next follow, the current tab kept while its
// table exists; when the shown table itself is dropped it is closed and the
// reason it cannot open is told once.
#include <cstdlib>
#include <string>

#include "connection/query_data_set.h"
#include "fixtures/database_fixture.h"
#include "fixtures/database_view_fixture.h"
#include "support/error_of.h"

namespace {

// One table, "Table", no relationships.
constexpr char kOneTable[] = "jackcess-V2000-delTestV2000.mdb";

// A qbtool command in a process of its own; true when it succeeded.
bool qbtool(const std::string& arguments) {
  return std::system((std::string("'") + QB_QBTOOL + "' " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

class FollowingTablesTest : public DatabaseViewTest {
 protected:
  void SetUp() override {
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    path_ = scratch.copyCorpusFile(kOneTable);
    file_ = "'" + path_.string() + "'";
    openFile(path_);
    ASSERT_EQ(tabNames(), QStringList{"Table"});
  }
  void follow() { qb::followOtherPrograms(data, view, *prompts); }
  void choose(const QString& caption) {
    tabs.setCurrentIndex(static_cast<int>(tabNames().indexOf(caption)));
    qb::chooseTable(data, view);
  }

  std::filesystem::path path_;
  std::string file_;
};

TEST_F(FollowingTablesTest, TablesOfAnotherProcessComeAndGoKeepingTheCurrentTab) {
  ASSERT_TRUE(qbtool("create-table " + file_ + " 'Extra(x LONG)'"));
  ASSERT_TRUE(qbtool("create-table " + file_ + " 'Another(y TEXT(5))'"));
  follow();
  EXPECT_EQ(tabNames(), (QStringList{"Another", "Extra", "Table"}));
  EXPECT_EQ(tabs.selectedCaption(), "Table");
  EXPECT_EQ(data.mdb.tableName(), u"Table");
  EXPECT_TRUE(data.mdb.active());

  choose("Extra");
  ASSERT_TRUE(qbtool("drop-table " + file_ + " Another"));
  follow();
  EXPECT_EQ(tabNames(), (QStringList{"Extra", "Table"}));
  EXPECT_EQ(tabs.selectedCaption(), "Extra");
  EXPECT_TRUE(data.mdb.active());
  EXPECT_TRUE(prompts->shown().empty());

  // The shown table dropped: closed, told once, the first tab selected.
  ASSERT_TRUE(qbtool("drop-table " + file_ + " Extra"));
  follow();
  EXPECT_EQ(tabNames(), QStringList{"Table"});
  EXPECT_EQ(tabs.selectedCaption(), "Table");
  EXPECT_FALSE(data.mdb.active());
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].contains("Extra")) << prompts->errorBoxes()[0].toStdString();
  follow();
  EXPECT_EQ(prompts->errorBoxes().size(), 1);

  // Nothing open any more, and yet new tables still show.
  ASSERT_TRUE(qbtool("create-table " + file_ + " 'Later(z LONG)'"));
  follow();
  EXPECT_EQ(tabNames(), (QStringList{"Later", "Table"}));
}

TEST_F(FollowingTablesTest, StatementsOfThisProgramChangeTheTabsAndTheSystemTablesStayAsOpened) {
  qb::QueryDataSet statement("ADOQuery1");
  statement.setConnection(&data.con);
  const auto carryOut = [&](std::u16string text) {
    statement.setSql({std::move(text)});
    qbtest::errorOf([&] { statement.open(); });
  };
  carryOut(u"SELECT * INTO Copied FROM [Table]");
  follow();
  EXPECT_EQ(tabNames(), (QStringList{"Copied", "Table"}));
  EXPECT_EQ(data.mdb.tableName(), u"Table");

  // Opened with the system tables: they stay listed.
  qb::openDatabaseFile(data, view, *prompts, QString::fromStdString(path_.string()), false, true);
  const QStringList withSystem = tabNames();
  ASSERT_TRUE(withSystem.contains("MSysObjects"));
  carryOut(u"DROP TABLE Copied");
  follow();
  QStringList expected = withSystem;
  expected.removeAll("Copied");
  EXPECT_EQ(tabNames(), expected);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());

  // A follow with no database open does nothing.
  qb::closeDatabase(data.con, window);
  follow();
  EXPECT_EQ(tabNames(), expected);
}

}  // namespace
