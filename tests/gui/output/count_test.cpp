// Counts and record size: the messages, what a filter does to both counts,
// where the visual count leaves the current record, and the closed table.
#include <gtest/gtest.h>

#include "connection/memory_table.h"
#include "fixtures/recording_cursor.h"
#include "fixtures/scripted_prompts.h"
#include "jet/error.h"
#include "output/count_commands.h"

namespace {

using qbtest::memoryColumn;

class CountTest : public ::testing::Test {
 protected:
  void rows(int n) {
    table.columns = {memoryColumn(u"N", jet::DataType::Long), memoryColumn(u"Name", jet::DataType::Text),
                     memoryColumn(u"When", jet::DataType::DateTime)};
    for (int i = 1; i <= n; ++i) table.add({jet::Value::longInt(i), jet::Value(), jet::Value()});
  }
  QString lastMessage() const { return prompts.shown().empty() ? QString() : prompts.shown().back().text; }

  qbtest::MemoryTable table;
  qbtest::MemoryDataSet data{table};
  ScriptedPrompts prompts;
};

TEST_F(CountTest, BothCountsOfAnEmptyTableAreZero) {
  rows(0);
  data.open();
  qb::showRecordCount(data, prompts);
  EXPECT_EQ(lastMessage(), "Count: 0");
  qb::showVisualCount(data, prompts);
  EXPECT_EQ(lastMessage(), "Count=0");
  EXPECT_EQ(data.recordNumber(), -1) << "nothing is current";
}

TEST_F(CountTest, BothCountsFollowTheFilterAndTheVisualCountEndsOnTheFirstRecord) {
  rows(12345);
  data.open();
  data.last();
  ScopedRecordingCursor cursor;
  qb::showVisualCount(data, prompts);
  EXPECT_EQ(lastMessage(), "Count=12345") << "no thousands separators";
  EXPECT_EQ(data.recordNumber(), 1);
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
  data.setFilter(u"N <= 40 AND N > 10");
  data.setFiltered(true);
  qb::showRecordCount(data, prompts);
  EXPECT_EQ(lastMessage(), "Count: 30");
  qb::showVisualCount(data, prompts);
  EXPECT_EQ(lastMessage(), "Count=30");
}

TEST_F(CountTest, WithNoTableOpenTheCountsFailAndTheCursorComesBack) {
  rows(3);
  ScopedRecordingCursor cursor;
  const char* closed = "mdb: Cannot perform this operation on a closed dataset";
  try {
    qb::showRecordCount(data, prompts);
    ADD_FAILURE() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_STREQ(e.what(), closed);
  }
  try {
    qb::showVisualCount(data, prompts);
    ADD_FAILURE() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_STREQ(e.what(), closed);
  }
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
  EXPECT_TRUE(prompts.shown().empty());
}

TEST_F(CountTest, RecordSizeIsZeroBeforeAnyOpenAndKeepsTheLastTablesWhileClosed) {
  qb::showRecordSize(data, prompts);
  EXPECT_EQ(lastMessage(), "Size: 0");
  rows(1);
  data.open();
  qb::showRecordSize(data, prompts);
  EXPECT_EQ(lastMessage(), "Size: 73") << "3 fields";
  data.close();
  table.columns.clear();
  for (int i = 0; i < 10; ++i) table.columns.push_back(memoryColumn(u"F" + std::u16string(1, u'0' + i), jet::DataType::Long));
  table.rows.clear();
  qb::showRecordSize(data, prompts);
  EXPECT_EQ(lastMessage(), "Size: 73") << "kept while closed";
  data.open();
  qb::showRecordSize(data, prompts);
  EXPECT_EQ(lastMessage(), "Size: 185") << "10 fields";
}

}  // namespace
