// The connection on real files: connecting and its failures (passed on as the
// engine words them), table and field lists in the engine's order, the version,
// and what disconnecting does to the datasets on it.
#include <gtest/gtest.h>

#include "corpus_data_set.h"
#include "jet/database.h"
#include "jet/version.h"
#include "support/error_of.h"

namespace {

using qbtest::errorOf;
using Names = std::vector<std::u16string>;

class ConnectionOnFiles : public qbtest::CorpusDataSet {
 protected:
  // The message the engine itself gives for opening a file.
  static std::string engineError(const std::filesystem::path& path, const std::u16string& password = {}) {
    return errorOf([&] { jet::Database::open(path, jet::OpenOptions{password, false}); });
  }
};

TEST_F(ConnectionOnFiles, ConnectsAndListsTablesInTheEnginesOrder) {
  use("jackcess-V2000-testV2000.mdb");
  EXPECT_FALSE(con_.connected());
  // Listing connects first.
  EXPECT_EQ(con_.listTableNames(false), (Names{u"Table1", u"Table2", u"Table3", u"Table4"}));
  EXPECT_TRUE(con_.connected());
  const Names all = con_.listTableNames(true);
  ASSERT_GT(all.size(), 4u);
  EXPECT_EQ(all.front().substr(0, 4), u"MSys");
  EXPECT_EQ(Names(all.end() - 4, all.end()), (Names{u"Table1", u"Table2", u"Table3", u"Table4"}));
  EXPECT_EQ(con_.listFieldNames(u"table1"), (Names{u"A", u"B", u"C", u"D", u"E", u"F", u"G", u"H", u"I"}));
  EXPECT_EQ(errorOf([&] { con_.listFieldNames(u"Nope"); }).rfind("There is no table named 'Nope'", 0), 0u);
}

TEST_F(ConnectionOnFiles, ViewsComeAfterTables) {
  use("jackcess-V2000-queryTestV2000.mdb");
  const Names names = con_.listTableNames(false);
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(Names(names.begin(), names.begin() + 3), (Names{u"Table1", u"Table2", u"Table3"}));
  EXPECT_NE(std::find(names.begin() + 3, names.end(), u"SelectQuery"), names.end());
}

TEST_F(ConnectionOnFiles, FailuresPassTheEnginesMessageAndStayClosed) {
  const auto missing = dir_.path() / "missing.mdb";
  con_.setConnectionString(qb::openConnectionString(jet::fromUtf8(missing.string())));
  EXPECT_EQ(errorOf([&] { con_.open(); }), engineError(missing));
  EXPECT_FALSE(con_.connected());

  const auto notADatabase = dir_.path() / "README.md";
  std::filesystem::copy_file(qbtest::corpusFile("README.md"), notADatabase);
  con_.setConnectionString(qb::openConnectionString(jet::fromUtf8(notADatabase.string())));
  EXPECT_EQ(errorOf([&] { con_.listTableNames(false); }), engineError(notADatabase));
  EXPECT_FALSE(con_.connected());

  qb::Connection empty;
  EXPECT_EQ(errorOf([&] { empty.open(); }), "No database to connect to: the connection string is empty");
}

TEST_F(ConnectionOnFiles, PasswordProtectedFile) {
  const auto path = use("mdbreader-password-V2003_with-password.mdb");
  EXPECT_EQ(errorOf([&] { con_.open(); }), engineError(path));
  con_.setConnectionString(qb::openConnectionString(jet::fromUtf8(path.string()), u"wrong"));
  EXPECT_EQ(errorOf([&] { con_.open(); }), engineError(path, u"wrong"));
  con_.setConnectionString(qb::openConnectionString(jet::fromUtf8(path.string()), u"password"));
  EXPECT_EQ(con_.listTableNames(false), Names{u"Table1"});
  openTable(u"Table1");
  EXPECT_EQ(mdb_.recordCount(), 3u);
}

TEST_F(ConnectionOnFiles, ConnectionStringCannotChangeWhileConnected) {
  use("jackcess-V2000-testV2000.mdb");
  const std::u16string text = con_.connectionString();
  con_.open();
  EXPECT_NO_THROW(con_.setConnectionString(text));
  EXPECT_EQ(errorOf([&] { con_.setConnectionString(u"Provider=x"); }),
            "Operation is not allowed when the object is open");
  EXPECT_EQ(con_.connectionString(), text);
}

TEST_F(ConnectionOnFiles, DisconnectingClosesEveryDatasetWithoutWriting) {
  const auto path = use("jackcess-V2000-delTestV2000.mdb");
  const std::string before = qbtest::readFileBytes(path);
  qb::TableDataSet second("Query1");
  second.setConnection(&con_);
  second.setTableName(u"Table");
  openTable(u"Table");
  second.open();
  mdb_.edit();
  mdb_.fieldByName(u"a").setText(u"not saved");
  con_.close();
  EXPECT_FALSE(mdb_.active());
  EXPECT_FALSE(second.active());
  EXPECT_EQ(qbtest::readFileBytes(path), before);

  // The next open connects again with the same string.
  mdb_.open();
  EXPECT_TRUE(con_.connected());
  EXPECT_EQ(mdb_.fieldByName(u"a").text(), u"z");
}

TEST_F(ConnectionOnFiles, DatasetOutlivingItsConnectionIsClosedAndDetached) {
  use("jackcess-V2000-testV2000.mdb");
  auto con = std::make_unique<qb::Connection>();
  con->setConnectionString(con_.connectionString());
  qb::TableDataSet t("t");
  t.setConnection(con.get());
  t.setTableName(u"Table1");
  t.open();
  con.reset();
  EXPECT_FALSE(t.active());
  EXPECT_EQ(t.connection(), nullptr);
  EXPECT_EQ(errorOf([&] { t.open(); }), "t: Missing Connection or ConnectionString");
}

TEST_F(ConnectionOnFiles, ReadOnlyModeMakesDatasetsReadOnly) {
  const auto path = use("jackcess-V2000-delTestV2000.mdb");
  con_.setConnectionString(qb::openConnectionString(jet::fromUtf8(path.string())) + u";Mode=Read");
  openTable(u"Table");
  EXPECT_FALSE(mdb_.canModify());
  EXPECT_EQ(errorOf([&] { mdb_.edit(); }), "mdb: Cannot modify a read-only dataset");
}

TEST(ConnectionVersion, IsTheEnginesAndNeedsNoConnection) {
  EXPECT_EQ(qb::Connection::version(), jet::fromUtf8(jet::engineVersion()));
  EXPECT_FALSE(qb::Connection::version().empty());
}

}  // namespace
