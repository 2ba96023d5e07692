// The table dataset while another program changes the same file: the view is
// listed again and keeps its current record, and an edit of a row the other
// program deleted or changed meanwhile fails to save without losing anything.
#include <gtest/gtest.h>

#include "corpus_data_set.h"
#include "jet/database.h"
#include "jet/table.h"
#include "support/error_of.h"

namespace {

using qb::DataSetState;

class AnotherProgram : public qbtest::CorpusDataSet {
 protected:
  void SetUp() override {
    CorpusDataSet::SetUp();
    if (IsSkipped()) return;
    path_ = use("jackcess-V2000-delTestV2000.mdb");
    openTable(u"Table");
    other_ = jet::Database::open(path_);
    ASSERT_FALSE(other_->isReadOnly());
  }
  std::shared_ptr<jet::Table> otherTable() { return other_->table(u"Table"); }
  void insertElsewhere(const std::u16string& a) {
    const auto t = otherTable();
    std::vector<jet::Value> row(t->columns().size());
    row[static_cast<std::size_t>(t->findColumn(u"a"))] = jet::Value::text(a);
    t->insertRow(row);
  }

  std::filesystem::path path_;
  std::unique_ptr<jet::Database> other_;
};

TEST_F(AnotherProgram, TheViewFollowsItsCommitsAndKeepsTheCurrentRecord) {
  EXPECT_FALSE(mdb_.followChanges());  // nobody else wrote yet
  const std::size_t initial = mdb_.recordCount();
  insertElsewhere(u"one more");
  insertElsewhere(u"two more");
  EXPECT_TRUE(mdb_.followChanges());
  const std::size_t before = mdb_.recordCount();
  ASSERT_EQ(before, initial + 2);
  mdb_.moveTo(2);
  const std::u16string current = mdb_.fieldByName(u"a").text();

  const auto t = otherTable();
  t->deleteRow(t->rowIds().front());
  insertElsewhere(u"from elsewhere");
  insertElsewhere(u"and another");

  EXPECT_TRUE(mdb_.followChanges());
  EXPECT_EQ(mdb_.recordCount(), before + 1);
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.fieldByName(u"a").text(), current);
  EXPECT_FALSE(mdb_.followChanges());  // nothing new
  EXPECT_TRUE(mdb_.locate(u"a", u"from elsewhere", qb::LocateOptions{}));

  // The current record itself deleted elsewhere: the one at its place is current.
  const int at = mdb_.recordNumber();
  const std::u16string located = mdb_.fieldByName(u"a").text();
  const auto table = otherTable();
  const int a = table->findColumn(u"a");
  for (const jet::RowId id : table->rowIds()) {
    if (table->readValue(id, static_cast<std::size_t>(a)) == jet::Value::text(located)) {
      table->deleteRow(id);
      break;
    }
  }
  EXPECT_TRUE(mdb_.followChanges());
  EXPECT_EQ(mdb_.recordCount(), before);
  EXPECT_EQ(mdb_.recordNumber(), std::min(at, static_cast<int>(before)));
  EXPECT_FALSE(mdb_.locate(u"a", located, qb::LocateOptions{}));
}

TEST_F(AnotherProgram, AnEditOfARowItDeletedFailsToSaveAndKeepsTheTypedValues) {
  const std::size_t before = mdb_.recordCount();
  mdb_.first();
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"typed here");
  otherTable()->deleteRow(otherTable()->rowIds().front());

  const std::string e = qbtest::errorOf([&] { mdb_.save(); });
  EXPECT_NE(e.find("changed or deleted by another program"), std::string::npos) << e;
  EXPECT_EQ(mdb_.state(), DataSetState::Edit);
  EXPECT_EQ(mdb_.fieldByName(u"b").text(), u"typed here");
  mdb_.cancel();
  EXPECT_TRUE(mdb_.followChanges());  // listed again once the edit is gone
  EXPECT_EQ(mdb_.recordCount(), before - 1);

  // An edit of a row nobody else touched saves, whatever else changed.
  mdb_.last();
  mdb_.edit();
  mdb_.fieldByName(u"b").setText(u"saved");
  insertElsewhere(u"meanwhile");
  mdb_.save();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_TRUE(mdb_.followChanges());
  EXPECT_EQ(mdb_.recordCount(), before);
  EXPECT_TRUE(mdb_.locate(u"b", u"saved", qb::LocateOptions{}));
}

}  // namespace
