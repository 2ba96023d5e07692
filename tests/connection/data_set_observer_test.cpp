// What the windows bound to a dataset are told: each kind of change once per
// operation, in a fixed order, and nothing for operations that change nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connection/data_set.h"
#include "connection/data_set_observer.h"
#include "jet/error.h"
#include "jet/text.h"
#include "memory_table.h"

namespace {

using jet::Value;
using qbtest::memoryColumn;

class Recorder : public qb::DataSetObserver {
 public:
  void activeChanged(qb::DataSet&) override { events.push_back("active"); }
  void fieldListChanged(qb::DataSet&) override { events.push_back("fields"); }
  void stateChanged(qb::DataSet&) override { events.push_back("state"); }
  void dataChanged(qb::DataSet&) override { events.push_back("data"); }
  void recordMoved(qb::DataSet&) override { events.push_back("moved"); }
  void fieldValueChanged(qb::DataSet&, qb::Field& field) override {
    events.push_back("value " + jet::toUtf8(field.fieldName()));
  }
  void writePendingInput(qb::DataSet& dataSet) override {
    events.push_back("pending");
    if (pendingText) {
      dataSet.fieldByName(u"Name").setText(*pendingText);
      pendingText.reset();
    }
  }
  std::vector<std::string> take() { return std::exchange(events, {}); }

  std::vector<std::string> events;
  std::optional<std::u16string> pendingText;  // text "typed" into a box, handed over on request
};

using Events = std::vector<std::string>;

class DataSetObservers : public ::testing::Test {
 protected:
  DataSetObservers() {
    table_.columns = {memoryColumn(u"Id", jet::DataType::Long), memoryColumn(u"Name", jet::DataType::Text)};
    for (int i = 1; i <= 3; ++i) table_.add({Value::longInt(i), Value::text(u"n")});
    mdb_.addObserver(&recorder_);
  }
  qbtest::MemoryTable table_;
  qbtest::MemoryDataSet mdb_{table_};
  Recorder recorder_;
};

TEST_F(DataSetObservers, OpenAndCloseAreOneEventEach) {
  mdb_.open();
  EXPECT_EQ(recorder_.take(), Events{"active"});
  mdb_.open();  // already open: nothing
  EXPECT_EQ(recorder_.take(), Events{});
  mdb_.edit();
  recorder_.take();
  mdb_.close();  // dropping the edit is part of closing
  EXPECT_EQ(recorder_.take(), Events{"active"});
  mdb_.close();
  EXPECT_EQ(recorder_.take(), Events{});
}

TEST_F(DataSetObservers, FailedOperationsTellNothing) {
  EXPECT_THROW(mdb_.first(), jet::Error);
  mdb_.setFilter(u"Nope = 1");
  mdb_.setFiltered(true);  // only stored while closed
  EXPECT_THROW(mdb_.open(), jet::Error);
  EXPECT_EQ(recorder_.take(), Events{});
}

TEST_F(DataSetObservers, MovesTellOnlyWhenSomethingMoved) {
  mdb_.open();
  recorder_.take();
  mdb_.first();  // already there, flags unchanged
  EXPECT_EQ(recorder_.take(), Events{});
  mdb_.next();
  EXPECT_EQ(recorder_.take(), Events{"moved"});
  mdb_.last();
  EXPECT_EQ(recorder_.take(), Events{"moved"});
  mdb_.next();  // no move, eof already set
  EXPECT_EQ(recorder_.take(), Events{});
  mdb_.previous();
  mdb_.previous();
  mdb_.previous();  // onto the first record, then bof without a move
  EXPECT_EQ(recorder_.take(), (Events{"moved", "moved", "moved"}));
}

TEST_F(DataSetObservers, EditingTellsStateValuesAndData) {
  mdb_.open();
  recorder_.take();
  mdb_.edit();
  EXPECT_EQ(recorder_.take(), Events{"state"});
  mdb_.fieldByName(u"Name").setText(u"x");
  EXPECT_EQ(recorder_.take(), Events{"value Name"});
  mdb_.save();
  EXPECT_EQ(recorder_.take(), (Events{"pending", "state", "data"}));
  mdb_.save();  // browse: nothing
  EXPECT_EQ(recorder_.take(), Events{});
  mdb_.edit();
  recorder_.take();
  mdb_.cancel();
  EXPECT_EQ(recorder_.take(), (Events{"state", "data"}));
}

TEST_F(DataSetObservers, InsertAndItsCancelMoveTheCurrentRecord) {
  mdb_.open();
  recorder_.take();
  mdb_.insert();
  EXPECT_EQ(recorder_.take(), (Events{"state", "data", "moved"}));
  mdb_.cancel();
  EXPECT_EQ(recorder_.take(), (Events{"state", "data", "moved"}));
}

TEST_F(DataSetObservers, MoveRuleIsPartOfTheMove) {
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"x");
  recorder_.take();
  mdb_.next();
  EXPECT_EQ(recorder_.take(), (Events{"pending", "state", "data", "moved"}));
}

TEST_F(DataSetObservers, PendingInputIsSavedBeforeTheRecordIsJudgedUnchanged) {
  mdb_.open();
  mdb_.edit();
  recorder_.pendingText = u"typed in a box";
  mdb_.next();  // the box hands its text over, so the record counts as changed
  EXPECT_EQ(table_.rows.begin()->second[1], Value::text(u"typed in a box"));
}

TEST_F(DataSetObservers, DeleteFilterSortAndLocate) {
  mdb_.open();
  recorder_.take();
  mdb_.deleteRecord();
  EXPECT_EQ(recorder_.take(), (Events{"data", "moved"}));
  mdb_.setFilter(u"Id > 2");
  EXPECT_EQ(recorder_.take(), Events{});  // stored only: not filtered
  mdb_.setFiltered(true);
  EXPECT_EQ(recorder_.take(), (Events{"data", "moved"}));
  mdb_.setFiltered(false);
  recorder_.take();
  mdb_.setSort(u"Id DESC");
  EXPECT_EQ(recorder_.take(), (Events{"data", "moved"}));
  EXPECT_FALSE(mdb_.locate(u"Id", u"77", {}));
  EXPECT_EQ(recorder_.take(), Events{});
  EXPECT_TRUE(mdb_.locate(u"Id", u"2", {}));
  EXPECT_EQ(recorder_.take(), Events{"moved"});
}

TEST_F(DataSetObservers, MovingAFieldTellsTheFieldList) {
  mdb_.open();
  recorder_.take();
  mdb_.moveField(0, 1);
  EXPECT_EQ(recorder_.take(), Events{"fields"});
  mdb_.moveField(1, 1);
  EXPECT_EQ(recorder_.take(), Events{});
}

TEST_F(DataSetObservers, ObserverRemovedDuringANotificationIsNotCalledAgain) {
  struct Remover : qb::DataSetObserver {
    qb::DataSet* dataSet = nullptr;
    qb::DataSetObserver* victim = nullptr;
    void activeChanged(qb::DataSet&) override { dataSet->removeObserver(victim); }
  } remover;
  Recorder second;
  mdb_.removeObserver(&recorder_);
  remover.dataSet = &mdb_;
  remover.victim = &second;
  mdb_.addObserver(&remover);
  mdb_.addObserver(&second);
  mdb_.addObserver(&second);  // added once only
  mdb_.open();
  EXPECT_EQ(second.take(), Events{});
}

}  // namespace
