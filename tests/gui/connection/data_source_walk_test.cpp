// Walks: every move of a walk still reaches the dataset's observers, marked
// as part of a walk; a data source passes the moves on to its controls once,
// when the outermost walk ends, also when an error ends it.
#include <gtest/gtest.h>

#include "connection/data_set.h"
#include "connection/memory_table.h"
#include "connection/ui/data_source.h"

namespace {

using qbtest::memoryColumn;

struct MoveCounter final : qb::DataSetObserver {
  void recordMoved(qb::DataSet& dataSet) override { (dataSet.walking() ? inWalk : outside)++; }
  void walkEnded(qb::DataSet&) override { ++ends; }
  int inWalk = 0, outside = 0, ends = 0;
};

struct RecordingLink final : DataLink {
  void recordMoved() override { positions.push_back(dataSet()->recordNumber()); }
  std::vector<int> positions;
};

class WalkTest : public ::testing::Test {
 protected:
  WalkTest() {
    table.columns = {memoryColumn(u"Id", jet::DataType::Long)};
    for (int i = 1; i <= 5; ++i) table.add({jet::Value::longInt(i)});
    data.open();
    data.addObserver(&counter);
    source.setDataSet(&data);
    link.setDataSource(&source);
  }
  ~WalkTest() override { data.removeObserver(&counter); }

  qbtest::MemoryTable table;
  qbtest::MemoryDataSet data{table};
  MoveCounter counter;
  DataSource source;
  RecordingLink link;
};

TEST_F(WalkTest, MovesOfAWalkAreToldMarkedAndControlsCatchUpOnceAtItsEnd) {
  {
    const qb::DataSet::Walk walk(data);
    EXPECT_TRUE(data.walking());
    for (data.first(); !data.eof(); data.next()) {
      const qb::DataSet::Walk inner(data);  // walks nest
    }
    EXPECT_TRUE(link.positions.empty()) << "nothing reaches the controls during the walk";
    EXPECT_EQ(counter.ends, 0) << "an inner walk's end is not the end";
  }
  EXPECT_FALSE(data.walking());
  EXPECT_EQ(counter.inWalk, 5) << "first moves to 1, four nexts move on, the last one sets eof";
  EXPECT_EQ(counter.outside, 0);
  EXPECT_EQ(counter.ends, 1);
  EXPECT_EQ(link.positions, std::vector<int>{5}) << "one catch-up, at the record the walk ended on";

  data.first();
  EXPECT_EQ(counter.outside, 1);
  EXPECT_EQ(link.positions, (std::vector<int>{5, 1})) << "outside a walk each move is passed on at once";
}

TEST_F(WalkTest, AnErrorEndingTheWalkStillLetsTheControlsCatchUp) {
  try {
    const qb::DataSet::Walk walk(data);
    data.first();
    data.next();
    throw std::runtime_error("stopped");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(link.positions, std::vector<int>{2});
  {
    const qb::DataSet::Walk walk(data);  // a walk that moves nothing tells the controls nothing
  }
  EXPECT_EQ(link.positions, std::vector<int>{2});
  EXPECT_EQ(counter.ends, 2);
}

}  // namespace
