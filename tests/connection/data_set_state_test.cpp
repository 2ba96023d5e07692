// The dataset's state machine over an in-memory table: what every operation
// does when closed, on an empty view and in each state, the move rule, the
// bof/eof flags, record numbers (also while inserting), display rows, and the
// exact texts of the dataset's own errors.
#include <gtest/gtest.h>

#include <string>

#include "connection/data_set.h"
#include "jet/error.h"
#include "memory_table.h"
#include "support/error_of.h"

namespace {

using jet::Value;
using qb::DataSetState;
using qbtest::errorOf;
using qbtest::memoryColumn;

class DataSetStates : public ::testing::Test {
 protected:
  DataSetStates() {
    table_.columns = {memoryColumn(u"Id", jet::DataType::Long), memoryColumn(u"Name", jet::DataType::Text)};
  }
  void fill(int rows) {
    for (int i = 1; i <= rows; ++i) {
      table_.add({Value::longInt(i), Value::text(u"n" + std::u16string(1, static_cast<char16_t>(u'0' + i)))});
    }
  }
  int currentId() { return mdb_.fieldByName(u"Id").value().asLong(); }

  qbtest::MemoryTable table_;
  qbtest::MemoryDataSet mdb_{table_};
};

TEST_F(DataSetStates, ClosedDatasetRefusesMovesAndEditsWithItsName) {
  const std::string closed = "mdb: Cannot perform this operation on a closed dataset";
  EXPECT_EQ(errorOf([&] { mdb_.first(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.previous(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.next(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.last(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.insert(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.append(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.edit(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.deleteRecord(); }), closed);
  EXPECT_EQ(errorOf([&] { (void)mdb_.recordCount(); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.setSort(u""); }), closed);
  EXPECT_EQ(errorOf([&] { mdb_.locate(u"Id", u"1", {}); }), closed);
  // Save and Cancel do nothing when there is nothing to save.
  EXPECT_NO_THROW(mdb_.save());
  EXPECT_NO_THROW(mdb_.cancel());
  EXPECT_EQ(mdb_.state(), DataSetState::Inactive);
  EXPECT_EQ(mdb_.recordNumber(), -1);
  EXPECT_EQ(mdb_.rowCount(), 0u);
  EXPECT_TRUE(mdb_.bof());
  EXPECT_TRUE(mdb_.eof());
  EXPECT_EQ(mdb_.fieldCount(), 0u);
}

TEST_F(DataSetStates, ErrorsCarryTheObjectsOwnName) {
  qbtest::MemoryDataSet other(table_, "Query1");
  EXPECT_EQ(errorOf([&] { other.first(); }), "Query1: Cannot perform this operation on a closed dataset");
  other.open();
  EXPECT_EQ(errorOf([&] { other.fieldByName(u"Nope"); }), "Query1: Field 'Nope' not found");
  EXPECT_EQ(errorOf([&] { other.fieldByName(u"Nope", "tbl3"); }), "tbl3: Field 'Nope' not found");
}

TEST_F(DataSetStates, OpeningShowsTheFirstRecord) {
  fill(3);
  mdb_.open();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.recordCount(), 3u);
  EXPECT_EQ(mdb_.recordNumber(), 1);
  EXPECT_TRUE(mdb_.bof());
  EXPECT_FALSE(mdb_.eof());
  EXPECT_EQ(currentId(), 1);
  EXPECT_EQ(mdb_.recordSize(), 25 + 16 * 2);
}

TEST_F(DataSetStates, EmptyViewHasNoCurrentRecord) {
  mdb_.open();
  EXPECT_EQ(mdb_.recordCount(), 0u);
  EXPECT_EQ(mdb_.recordNumber(), -1);
  EXPECT_TRUE(mdb_.bof());
  EXPECT_TRUE(mdb_.eof());
  EXPECT_FALSE(mdb_.currentRow());
  EXPECT_TRUE(mdb_.fieldByName(u"Name").isNull());
  EXPECT_NO_THROW(mdb_.first());
  EXPECT_NO_THROW(mdb_.next());
  EXPECT_NO_THROW(mdb_.last());
  EXPECT_NO_THROW(mdb_.previous());
  EXPECT_TRUE(mdb_.eof());
  EXPECT_EQ(errorOf([&] { mdb_.deleteRecord(); }), "mdb: Cannot perform this operation on an empty dataset");
}

TEST_F(DataSetStates, WalkingVisitsEveryRecordOnceAndEndsOnTheLast) {
  fill(4);
  mdb_.open();
  std::vector<int> seen;
  for (mdb_.first(); !mdb_.eof(); mdb_.next()) seen.push_back(currentId());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(mdb_.recordNumber(), 4);
  EXPECT_EQ(currentId(), 4);
}

TEST_F(DataSetStates, BofAndEofFollowTheMoves) {
  fill(2);
  mdb_.open();
  mdb_.next();  // onto the last record: not yet eof
  EXPECT_FALSE(mdb_.bof());
  EXPECT_FALSE(mdb_.eof());
  mdb_.next();  // past it: eof, no move
  EXPECT_TRUE(mdb_.eof());
  EXPECT_EQ(mdb_.recordNumber(), 2);
  mdb_.previous();
  EXPECT_FALSE(mdb_.eof());
  EXPECT_FALSE(mdb_.bof());
  EXPECT_EQ(mdb_.recordNumber(), 1);
  mdb_.previous();  // before the first: bof, no move
  EXPECT_TRUE(mdb_.bof());
  EXPECT_EQ(mdb_.recordNumber(), 1);
  mdb_.last();
  EXPECT_TRUE(mdb_.eof());
  EXPECT_FALSE(mdb_.bof());
  mdb_.first();
  EXPECT_TRUE(mdb_.bof());
  EXPECT_FALSE(mdb_.eof());
}

TEST_F(DataSetStates, SingleRecordIsBothFirstAndLast) {
  fill(1);
  mdb_.open();
  mdb_.last();
  EXPECT_TRUE(mdb_.eof());
  EXPECT_FALSE(mdb_.bof());
  mdb_.previous();
  EXPECT_TRUE(mdb_.bof());
  EXPECT_EQ(mdb_.recordNumber(), 1);
}

TEST_F(DataSetStates, InsertPutsANewRecordBeforeTheCurrentOne) {
  fill(3);
  mdb_.open();
  mdb_.next();  // record 2
  mdb_.insert();
  EXPECT_EQ(mdb_.state(), DataSetState::Insert);
  EXPECT_EQ(mdb_.rowCount(), 4u);
  EXPECT_EQ(mdb_.recordCount(), 3u);
  EXPECT_EQ(mdb_.currentRow(), 1u);
  EXPECT_TRUE(mdb_.isNewRow(1));
  EXPECT_FALSE(mdb_.isNewRow(2));
  // While inserting every row answers -1.
  EXPECT_EQ(mdb_.recordNumber(), -1);
  for (std::size_t row = 0; row < mdb_.rowCount(); ++row) EXPECT_EQ(mdb_.recordNumberOfRow(row), -1);
  // The rows around the new one are the old records, in order.
  EXPECT_EQ(mdb_.valueAt(0, 0), Value::longInt(1));
  EXPECT_TRUE(mdb_.valueAt(1, 0).isNull());
  EXPECT_EQ(mdb_.valueAt(2, 0), Value::longInt(2));
  EXPECT_EQ(mdb_.valueAt(3, 0), Value::longInt(3));

  mdb_.fieldByName(u"Id").setValue(Value::longInt(10));
  mdb_.save();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.recordCount(), 4u);
  EXPECT_EQ(mdb_.recordNumber(), 2);
  EXPECT_EQ(currentId(), 10);
  EXPECT_EQ(mdb_.recordNumberOfRow(3), 4);
  EXPECT_EQ(table_.rows.size(), 4u);
}

TEST_F(DataSetStates, InsertOnAnEmptyViewAndAppendAtTheEnd) {
  mdb_.open();
  mdb_.insert();
  EXPECT_EQ(mdb_.currentRow(), 0u);
  mdb_.fieldByName(u"Id").setValue(Value::longInt(7));
  mdb_.append();  // the move rule saves the first new record
  EXPECT_EQ(table_.rows.size(), 1u);
  EXPECT_EQ(mdb_.currentRow(), 1u);
  mdb_.fieldByName(u"Id").setValue(Value::longInt(8));
  mdb_.save();
  EXPECT_EQ(mdb_.recordNumber(), 2);
  EXPECT_EQ(currentId(), 8);
}

TEST_F(DataSetStates, CancelledInsertReturnsToTheRecordBefore) {
  fill(3);
  mdb_.open();
  mdb_.next();
  mdb_.insert();
  mdb_.fieldByName(u"Name").setText(u"typed");
  mdb_.cancel();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.rowCount(), 3u);
  EXPECT_EQ(mdb_.recordNumber(), 2);
  EXPECT_EQ(currentId(), 2);
  EXPECT_EQ(table_.writes, 0);

  mdb_.first();
  mdb_.append();
  mdb_.cancel();
  EXPECT_EQ(mdb_.recordNumber(), 3);  // an abandoned append leaves the last record current
}

TEST_F(DataSetStates, MoveRuleSavesAChangedRecordAndDropsAnUnchangedOne) {
  fill(3);
  mdb_.open();
  mdb_.insert();
  mdb_.next();  // nothing typed: the new record goes, nothing is written
  EXPECT_EQ(table_.writes, 0);
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.recordNumber(), 2);

  mdb_.edit();
  mdb_.next();  // an unchanged edit is dropped without a write
  EXPECT_EQ(table_.writes, 0);
  EXPECT_EQ(mdb_.recordNumber(), 3);

  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"changed");
  mdb_.first();  // a changed one is written first
  EXPECT_EQ(table_.writes, 1);
  EXPECT_EQ(table_.rows.rbegin()->second[1], Value::text(u"changed"));
  EXPECT_EQ(mdb_.recordNumber(), 1);
}

TEST_F(DataSetStates, RefusedSaveKeepsStateValuesAndPosition) {
  fill(2);
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"dup");
  table_.refuseNextWrite =
      jet::Error(jet::ErrorCode::Constraint, "The changes you requested were not successful");
  EXPECT_EQ(errorOf([&] { mdb_.next(); }), "The changes you requested were not successful");
  EXPECT_EQ(mdb_.state(), DataSetState::Edit);
  EXPECT_EQ(mdb_.recordNumber(), 1);
  EXPECT_EQ(mdb_.fieldByName(u"Name").text(), u"dup");
  mdb_.save();  // the second attempt goes through
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(table_.rows.begin()->second[1], Value::text(u"dup"));
}

TEST_F(DataSetStates, RefusedInsertStaysInInsertState) {
  table_.columns[1].required = true;
  mdb_.open();
  mdb_.insert();
  mdb_.fieldByName(u"Id").setValue(Value::longInt(1));
  EXPECT_EQ(errorOf([&] { mdb_.save(); }), "The field 'Name' cannot be empty");
  EXPECT_EQ(mdb_.state(), DataSetState::Insert);
  EXPECT_EQ(mdb_.rowCount(), 1u);
  EXPECT_EQ(mdb_.recordCount(), 0u);
  mdb_.fieldByName(u"Name").setText(u"x");
  mdb_.save();
  EXPECT_EQ(mdb_.recordCount(), 1u);
}

TEST_F(DataSetStates, EditOnAnEmptyViewInserts) {
  mdb_.open();
  mdb_.edit();
  EXPECT_EQ(mdb_.state(), DataSetState::Insert);
  mdb_.edit();  // already changing a record: nothing happens
  EXPECT_EQ(mdb_.state(), DataSetState::Insert);
}

TEST_F(DataSetStates, SettingAFieldNeedsEditOrInsert) {
  fill(1);
  mdb_.open();
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u"Name").setText(u"x"); }),
            "mdb: Dataset not in edit or insert mode");
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u"Name").setValue(Value::text(u"x")); }),
            "mdb: Dataset not in edit or insert mode");
  mdb_.edit();
  EXPECT_FALSE(mdb_.modified());
  mdb_.fieldByName(u"Name").setText(u"x");
  EXPECT_TRUE(mdb_.modified());
}

TEST_F(DataSetStates, EditShowsTheBufferUntilCancelled) {
  fill(2);
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"typed");
  EXPECT_EQ(mdb_.textAt(0, 1), u"typed");
  EXPECT_EQ(mdb_.textAt(1, 1), u"n2");
  mdb_.cancel();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(mdb_.textAt(0, 1), u"n1");
  EXPECT_EQ(mdb_.fieldByName(u"Name").text(), u"n1");
  EXPECT_EQ(table_.writes, 0);
}

TEST_F(DataSetStates, DeleteMovesToTheNextRecordOrTheNewLast) {
  fill(3);
  mdb_.open();
  mdb_.deleteRecord();
  EXPECT_EQ(currentId(), 2);
  EXPECT_EQ(mdb_.recordNumber(), 1);
  mdb_.last();
  mdb_.deleteRecord();
  EXPECT_EQ(currentId(), 2);
  EXPECT_FALSE(mdb_.eof());
  mdb_.deleteRecord();
  EXPECT_EQ(mdb_.recordCount(), 0u);
  EXPECT_TRUE(mdb_.eof());
  EXPECT_TRUE(mdb_.bof());
  EXPECT_EQ(mdb_.recordNumber(), -1);
  EXPECT_TRUE(table_.rows.empty());
}

TEST_F(DataSetStates, DeleteWhileInsertingDropsTheNewRecordOnly) {
  fill(2);
  mdb_.open();
  mdb_.insert();
  mdb_.fieldByName(u"Id").setValue(Value::longInt(5));
  mdb_.deleteRecord();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(table_.rows.size(), 2u);
  EXPECT_EQ(table_.writes, 0);
}

TEST_F(DataSetStates, DeleteWhileEditingDropsTheEditAndTheRecord) {
  fill(2);
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"lost");
  mdb_.deleteRecord();
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(table_.rows.size(), 1u);
  EXPECT_EQ(currentId(), 2);
}

TEST_F(DataSetStates, RefusedDeleteKeepsTheRecord) {
  fill(2);
  mdb_.open();
  table_.refuseNextWrite = jet::Error(jet::ErrorCode::Constraint, "related records exist");
  EXPECT_EQ(errorOf([&] { mdb_.deleteRecord(); }), "related records exist");
  EXPECT_EQ(mdb_.recordCount(), 2u);
  EXPECT_EQ(currentId(), 1);
}

TEST_F(DataSetStates, ReadOnlySourceRefusesChanges) {
  fill(1);
  table_.readOnly = true;
  mdb_.open();
  EXPECT_FALSE(mdb_.canModify());
  const std::string readOnly = "mdb: Cannot modify a read-only dataset";
  EXPECT_EQ(errorOf([&] { mdb_.insert(); }), readOnly);
  EXPECT_EQ(errorOf([&] { mdb_.append(); }), readOnly);
  EXPECT_EQ(errorOf([&] { mdb_.edit(); }), readOnly);
  EXPECT_EQ(errorOf([&] { mdb_.deleteRecord(); }), readOnly);
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
}

TEST_F(DataSetStates, AutoNumberIsFilledOnSaveAndCannotBeSet) {
  table_.columns[0].autoNumber = true;
  mdb_.open();
  EXPECT_TRUE(mdb_.field(0).readOnly());
  mdb_.append();
  EXPECT_EQ(errorOf([&] { mdb_.field(0).setValue(Value::longInt(9)); }),
            "mdb: Field 'Id' cannot be modified");
  mdb_.field(1).setText(u"a");
  mdb_.save();
  EXPECT_EQ(currentId(), 1);
}

TEST_F(DataSetStates, ClosingDropsAnUnsavedEditAndForgetsFields) {
  fill(2);
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"never written");
  mdb_.close();
  EXPECT_EQ(mdb_.state(), DataSetState::Inactive);
  EXPECT_EQ(table_.writes, 0);
  EXPECT_EQ(mdb_.fieldCount(), 0u);
  EXPECT_FALSE(mdb_.modified());
  // Definitions and the record size stay for the table info and the counts.
  EXPECT_EQ(mdb_.fieldDefs().size(), 2u);
  EXPECT_EQ(mdb_.recordSize(), 57);
  mdb_.open();
  EXPECT_EQ(mdb_.fieldByName(u"Name").text(), u"n1");
}

TEST_F(DataSetStates, RecordSizeIsZeroBeforeAnyOpen) {
  EXPECT_EQ(mdb_.recordSize(), 0);
  EXPECT_TRUE(mdb_.fieldDefs().empty());
}

TEST_F(DataSetStates, MoveToFollowsTheGridAndSkipsTheCurrentRow) {
  fill(5);
  mdb_.open();
  mdb_.moveTo(3);
  EXPECT_EQ(mdb_.recordNumber(), 4);
  mdb_.moveTo(99);
  EXPECT_EQ(mdb_.recordNumber(), 5);

  // Clicking the row being edited keeps the edit.
  mdb_.edit();
  mdb_.fieldByName(u"Name").setText(u"x");
  mdb_.moveTo(4);
  EXPECT_EQ(mdb_.state(), DataSetState::Edit);

  // Clicking below an unchanged new record lands on the record clicked.
  mdb_.cancel();
  mdb_.first();
  mdb_.insert();  // new row 0, old records at rows 1..5
  mdb_.moveTo(3);
  EXPECT_EQ(mdb_.state(), DataSetState::Browse);
  EXPECT_EQ(currentId(), 3);
}

TEST_F(DataSetStates, RowValuesFollowFieldOrder) {
  fill(2);
  mdb_.open();
  mdb_.moveField(1, 0);
  EXPECT_EQ(mdb_.field(0).fieldName(), u"Name");
  EXPECT_EQ(mdb_.field(0).index(), 0u);
  EXPECT_EQ(mdb_.field(0).fieldNo(), 2);
  EXPECT_EQ(mdb_.rowValues(1), (std::vector<Value>{Value::text(u"n2"), Value::longInt(2)}));
  EXPECT_EQ(mdb_.textAt(0, 1), u"1");
  EXPECT_THROW(mdb_.rowValues(2), jet::Error);
  EXPECT_THROW(mdb_.field(2), jet::Error);
}

TEST_F(DataSetStates, FieldsAreFoundWithoutRegardToCase) {
  fill(1);
  mdb_.open();
  EXPECT_EQ(mdb_.findField(u"NAME"), &mdb_.field(1));
  EXPECT_EQ(mdb_.findField(u"Nam"), nullptr);
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u""); }), "mdb: Field '' not found");
}

TEST_F(DataSetStates, TextTypedIntoNumberFieldsIsConverted) {
  table_.columns.push_back(memoryColumn(u"Born", jet::DataType::DateTime));
  table_.columns.push_back(memoryColumn(u"Price", jet::DataType::Currency));
  fill(1);
  qb::FormatSettings settings;
  settings.shortDateFormat = u"dd/mm/yyyy";
  settings.decimalSeparator = u',';
  mdb_.setFormatSettings(settings);
  mdb_.open();
  mdb_.edit();
  mdb_.fieldByName(u"Id").setText(u"42");
  EXPECT_EQ(mdb_.fieldByName(u"Id").value(), Value::longInt(42));
  mdb_.fieldByName(u"Born").setText(u"2/1/2003");  // day first, as the short date says
  EXPECT_EQ(mdb_.fieldByName(u"Born").text(), u"02/01/2003");
  // A number reads back in the form it is shown in; "." still reads as a point.
  mdb_.fieldByName(u"Price").setText(u"-12,5");
  EXPECT_EQ(mdb_.fieldByName(u"Price").value(), Value::currency({-125000}));
  EXPECT_EQ(mdb_.fieldByName(u"Price").text(), u"-12,5");
  mdb_.fieldByName(u"Price").setText(u"0.25");
  EXPECT_EQ(mdb_.fieldByName(u"Price").value(), Value::currency({2500}));
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u"Id").setText(u"4,2"); }),
            "'4,2' is not a valid value for field 'Id'");
  mdb_.fieldByName(u"Id").setText(u"");
  EXPECT_TRUE(mdb_.fieldByName(u"Id").isNull());
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u"Id").setText(u"abc"); }),
            "'abc' is not a valid value for field 'Id'");
  EXPECT_EQ(errorOf([&] { mdb_.fieldByName(u"Id").setText(u"99999999999"); }),
            "'99999999999' is not a valid value for field 'Id'");
}

}  // namespace
