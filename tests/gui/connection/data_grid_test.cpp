// The grid over a dataset: its model (checked by Qt's model tester), reading
// only the rows in view, the indicator column, the current cell shared with
// the dataset, and the column list, also as the commands see it (GridColumns).
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/data_source.h"
#include "fixtures/generated_table.h"
#include "fixtures/window_set_fixture.h"

namespace {

// Collects the warnings Qt's model tester writes while it lives.
class ModelTesterMessages {
 public:
  ModelTesterMessages() {
    current_ = this;
    previous_ = qInstallMessageHandler(&ModelTesterMessages::handle);
  }
  ~ModelTesterMessages() {
    qInstallMessageHandler(previous_);
    current_ = nullptr;
  }
  QStringList warnings;

 private:
  static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type != QtDebugMsg && message.contains(QLatin1String("FAIL"))) current_->warnings.append(message);
    if (current_->previous_) current_->previous_(type, context, message);
  }
  static inline ModelTesterMessages* current_ = nullptr;
  QtMessageHandler previous_ = nullptr;
};

class DataGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid.resize(600, 400);
    source.setDataSet(&dataSet);
    grid.setDataSource(&source);
  }

  void openRows(std::size_t rows) {
    table.rows = rows;
    dataSet.open();
  }

  // Shows the grid and lets it paint once.
  void paint() {
    grid.show();
    grid.viewport()->repaint();
    QCoreApplication::processEvents();
    grid.viewport()->repaint();
  }

  // Shows the grid with the focus, makes (row, column) the current cell and
  // types `key` there, which opens the cell's editor.
  void typeInCell(int row, int column, char key) {
    grid.show();
    QApplication::setActiveWindow(&grid);
    grid.setFocus();
    grid.setCurrentIndex(grid.model()->index(row, column));
    QTest::keyClick(&grid, key);
  }

  int visibleRows() const {
    return grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize() + 1;
  }

  qint64 indicatorKey(int row) const {
    return grid.model()->headerData(row, Qt::Vertical, Qt::DecorationRole).value<QIcon>().cacheKey();
  }

  ScopedScriptedPrompts prompts;
  GeneratedTable table;
  GeneratedDataSet dataSet{table};
  DataSource source;
  DataGrid grid;
};

TEST_F(DataGridTest, ModelStaysConsistentThroughEveryDatasetChange) {
  ModelTesterMessages messages;
  QAbstractItemModelTester tester(grid.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
  openRows(25);
  dataSet.last();
  dataSet.insert();
  dataSet.field(1).setText(u"new");
  dataSet.save();
  dataSet.edit();
  dataSet.field(1).setText(u"changed");
  dataSet.next();
  dataSet.append();
  dataSet.cancel();
  dataSet.deleteRecord();
  dataSet.setSort(u"Name DESC");
  dataSet.setFilter(u"ID > 20");
  dataSet.setFiltered(true);
  dataSet.moveField(0, 1);
  dataSet.close();
  source.setDataSet(nullptr);
  EXPECT_TRUE(messages.warnings.isEmpty()) << messages.warnings.join('\n').toStdString();
}

TEST_F(DataGridTest, AMillionRowsOpenWithoutReadingAndPaintOnlyTheRowsInView) {
  openRows(1'000'000);
  EXPECT_EQ(grid.model()->rowCount(), 1'000'000);
  // The dataset reads its first record when it opens; nothing else.
  EXPECT_LE(table.reads, 1u);
  table.rowsRead.clear();
  paint();
  EXPECT_FALSE(table.rowsRead.empty());
  EXPECT_LE(table.rowsRead.size(), static_cast<std::size_t>(visibleRows()));
  EXPECT_LT(*table.rowsRead.rbegin(), static_cast<std::uint32_t>(visibleRows()));

  table.rowsRead.clear();
  grid.scrollToBottom();
  paint();
  ASSERT_FALSE(table.rowsRead.empty());
  EXPECT_LE(table.rowsRead.size(), static_cast<std::size_t>(visibleRows()));
  EXPECT_GE(*table.rowsRead.begin(), 1'000'000u - static_cast<std::uint32_t>(visibleRows()));
  EXPECT_EQ(grid.model()->index(999'999, 1).data().toString(), QStringLiteral("Row 1000000"));

  // Painting the same rows again reads nothing.
  table.rowsRead.clear();
  paint();
  EXPECT_TRUE(table.rowsRead.empty());
}

TEST_F(DataGridTest, EmptyGridHasOneColumnWithoutAField) {
  EXPECT_EQ(grid.columnCount(), 1);
  EXPECT_EQ(grid.model()->rowCount(), 0);
  EXPECT_TRUE(grid.column(0).fieldName().isEmpty());
  EXPECT_EQ(grid.column(0).field(), nullptr);
  EXPECT_EQ(grid.selectedField(), nullptr);
  openRows(3);
  dataSet.close();
  EXPECT_EQ(grid.columnCount(), 1) << "closing goes back to the single empty column";
  EXPECT_EQ(grid.model()->rowCount(), 0);
}

TEST_F(DataGridTest, ColumnsFollowTheFieldsWithDefaultWidths) {
  openRows(3);
  ASSERT_EQ(grid.columnCount(), 2);
  EXPECT_EQ(grid.column(1).fieldName(), QStringLiteral("Name"));
  EXPECT_EQ(grid.column(1).title(), QStringLiteral("Name"));
  EXPECT_EQ(grid.column(1).field(), &dataSet.field(1));
  EXPECT_EQ(grid.columnOfField(QStringLiteral("name")), 1);
  EXPECT_EQ(grid.columnOfField(QStringLiteral("Town")), -1);
  const qreal zero = QFontMetricsF(grid.font()).horizontalAdvance(QLatin1Char('0'));
  EXPECT_EQ(grid.column(0).width(), std::ceil(11 * zero) + 4) << "a long's display width is 11";
  EXPECT_EQ(grid.column(1).width(), std::ceil(30 * zero) + 4) << "a text's display width is its size";
  EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
  EXPECT_EQ(grid.model()->index(0, 0).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  EXPECT_EQ(grid.model()->index(0, 1).data(Qt::TextAlignmentRole).toInt() & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
}

TEST_F(DataGridTest, HiddenColumnsAnswerNoWidthAndKeepTheirPlace) {
  openRows(3);
  grid.column(0).setVisible(false);
  EXPECT_FALSE(grid.column(0).visible());
  EXPECT_EQ(grid.column(0).width(), -1);
  EXPECT_EQ(grid.columnCount(), 2) << "still in the list";
  grid.column(0).setVisible(true);
  EXPECT_GT(grid.column(0).width(), 0);
}

TEST_F(DataGridTest, FilterAndSortLeaveTheColumnListAlone) {
  openRows(30);
  grid.column(0).setVisible(false);
  grid.column(1).setWidth(77);
  dataSet.setFilter(u"ID > 10");
  dataSet.setFiltered(true);
  dataSet.setSort(u"ID DESC");
  dataSet.insert();
  dataSet.cancel();
  EXPECT_FALSE(grid.column(0).visible());
  EXPECT_EQ(grid.column(1).width(), 77);
  dataSet.close();
  dataSet.open();
  EXPECT_TRUE(grid.column(0).visible()) << "reopening builds the list again";
  EXPECT_NE(grid.column(1).width(), 77);
}

TEST_F(DataGridTest, DraggingATitleMovesTheFieldWithItsColumn) {
  openRows(3);
  grid.column(0).setWidth(55);
  grid.column(1).setWidth(120);
  grid.setCurrentIndex(grid.model()->index(1, 1));
  grid.horizontalHeader()->moveSection(1, 0);

  EXPECT_EQ(dataSet.field(0).fieldName(), u"Name");
  EXPECT_EQ(grid.column(0).fieldName(), QStringLiteral("Name"));
  EXPECT_EQ(grid.column(0).width(), 120);
  EXPECT_EQ(grid.column(1).width(), 55);
  EXPECT_EQ(grid.horizontalHeader()->visualIndex(0), 0) << "list order and screen order stay one";
  EXPECT_EQ(grid.model()->index(1, 0).data().toString(), QStringLiteral("Row 2"));
  EXPECT_EQ(grid.selectedField(), &dataSet.field(0)) << "the current cell stays on its field";
}

TEST_F(DataGridTest, CurrentCellAndDatasetMoveTogether) {
  openRows(50);
  EXPECT_EQ(grid.currentIndex().row(), 0);
  dataSet.last();
  EXPECT_EQ(grid.currentIndex().row(), 49);
  grid.setCurrentIndex(grid.model()->index(7, 1));
  EXPECT_EQ(dataSet.recordNumber(), 8);
  EXPECT_EQ(grid.selectedIndex(), 1);
  EXPECT_EQ(grid.selectedField(), &dataSet.field(1));
  dataSet.setFilter(u"ID > 40");
  dataSet.setFiltered(true);
  EXPECT_EQ(grid.currentIndex().row(), 0);
  EXPECT_EQ(grid.currentIndex().column(), 1) << "the column stays";
}

TEST_F(DataGridTest, IndicatorMarksTheCurrentRowWithTheState) {
  openRows(5);
  dataSet.moveTo(2);
  const qint64 browse = indicatorKey(2);
  EXPECT_NE(browse, QIcon().cacheKey());
  EXPECT_EQ(indicatorKey(1), QIcon().cacheKey());
  dataSet.edit();
  const qint64 editing = indicatorKey(2);
  dataSet.cancel();
  dataSet.insert();
  const qint64 inserting = indicatorKey(2);
  EXPECT_EQ(grid.model()->rowCount(), 6);
  EXPECT_NE(browse, editing);
  EXPECT_NE(browse, inserting);
  EXPECT_NE(editing, inserting);
  EXPECT_TRUE(grid.model()->headerData(2, Qt::Vertical, Qt::DisplayRole).toString().isEmpty());
}

TEST_F(DataGridTest, ReadOnlyTableHasNoEditors) {
  table.readOnly = true;
  openRows(2);
  EXPECT_FALSE(grid.model()->flags(grid.model()->index(0, 1)).testFlag(Qt::ItemIsEditable));
  dataSet.close();
  table.readOnly = false;
  dataSet.open();
  EXPECT_TRUE(grid.model()->flags(grid.model()->index(0, 1)).testFlag(Qt::ItemIsEditable));
}

TEST_F(DataGridTest, ATextTheFieldRefusesKeepsTheCellAndItsEditor) {
  openRows(10);
  typeInCell(4, 0, 'a');
  ASSERT_NE(grid.cellEditor(), nullptr);
  QTest::keyClicks(grid.cellEditor(), QStringLiteral("bc"));
  QTest::keyClick(grid.cellEditor(), Qt::Key_Down);
  // The text ends in a quote, which sorts before the full stop: none is added.
  ASSERT_EQ(prompts->errorBoxes(), QStringList{"'abc' is not a valid value for field 'ID'"});
  QCoreApplication::processEvents();
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(4, 0));
  ASSERT_NE(grid.cellEditor(), nullptr);
  EXPECT_EQ(grid.cellEditor()->text(), QStringLiteral("abc"));
  EXPECT_EQ(dataSet.recordNumber(), 5);

  // Another row chosen with the mouse is refused the same way.
  grid.setCurrentIndex(grid.model()->index(6, 1));
  QCoreApplication::processEvents();
  EXPECT_EQ(prompts->errorBoxes().size(), 2);
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(4, 0));
  EXPECT_EQ(dataSet.recordNumber(), 5);

  // Corrected, the move goes through and the record is saved.
  grid.cellEditor()->setText(QStringLiteral("40"));
  grid.cellEditor()->setModified(true);
  grid.setCurrentIndex(grid.model()->index(6, 1));
  EXPECT_EQ(dataSet.recordNumber(), 7);
  EXPECT_EQ(grid.model()->index(4, 0).data().toString(), QStringLiteral("40"));
}

TEST_F(DataGridTest, DataFontResizesOnlyColumnsNobodySized) {
  openRows(2);
  grid.column(1).setWidth(90);
  QFont big = grid.font();
  big.setPointSize(big.pointSize() * 2);
  grid.setDataFont(big);
  const qreal zero = QFontMetricsF(big).horizontalAdvance(QLatin1Char('0'));
  EXPECT_EQ(grid.column(0).width(), std::ceil(11 * zero) + 4);
  EXPECT_EQ(grid.column(1).width(), 90);
}

// ---- The column list as the commands take it ---------------------------------

TEST_F(DataGridTest, CommandsSeeTheColumnsByPositionAndOutOfRangeIsHarmless) {
  GridColumns& columns = grid.columns();
  ASSERT_EQ(columns.count(), 1) << "the empty grid's single column";
  EXPECT_TRUE(columns.fieldName(0).isEmpty());
  openRows(3);
  ASSERT_EQ(columns.count(), 2);
  EXPECT_EQ(columns.fieldName(0), QStringLiteral("ID"));
  EXPECT_EQ(columns.fieldName(1), QStringLiteral("Name"));
  EXPECT_EQ(columns.width(1), grid.column(1).width());
  for (int outside : {-1, 2, 40}) {
    SCOPED_TRACE(outside);
    EXPECT_TRUE(columns.fieldName(outside).isEmpty());
    EXPECT_FALSE(columns.visible(outside));
    EXPECT_EQ(columns.width(outside), -1);
    columns.setVisible(outside, false);
    columns.setWidth(outside, 10);
    columns.select(outside);
  }
  EXPECT_EQ(columns.count(), 2);
  EXPECT_TRUE(columns.visible(0));
  EXPECT_TRUE(columns.visible(1));
  EXPECT_EQ(columns.selected(), 0);
}

TEST_F(DataGridTest, AWidthSetWhileHiddenIsTheWidthWhenShownAgain) {
  openRows(3);
  GridColumns& columns = grid.columns();
  columns.setVisible(1, false);
  EXPECT_FALSE(columns.visible(1));
  EXPECT_TRUE(grid.isColumnHidden(1)) << "the grid changes at once";
  EXPECT_EQ(columns.width(1), -1);
  columns.setWidth(1, 83);
  EXPECT_EQ(columns.width(1), -1) << "still hidden";
  columns.setVisible(1, true);
  EXPECT_EQ(columns.width(1), 83);
}

TEST_F(DataGridTest, SelectingAColumnMovesTheCurrentCellWithinTheCurrentRecord) {
  openRows(20);
  grid.show();
  dataSet.moveTo(6);
  GridColumns& columns = grid.columns();
  columns.select(1);
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(6, 1));
  EXPECT_EQ(columns.selected(), 1);
  EXPECT_EQ(grid.selectedField(), &dataSet.field(1));
  EXPECT_EQ(dataSet.recordNumber(), 7) << "the record stays";

  // A hidden column takes the current cell without being shown.
  columns.setVisible(0, false);
  columns.select(0);
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(6, 0));
  EXPECT_EQ(columns.selected(), 0);
  EXPECT_FALSE(columns.visible(0));
}

TEST_F(DataGridTest, AColumnSelectedWithoutACurrentRecordIsTakenByTheNextOne) {
  openRows(0);
  GridColumns& columns = grid.columns();
  columns.select(1);
  EXPECT_EQ(columns.selected(), 0) << "no current cell";
  dataSet.insert();
  EXPECT_EQ(grid.currentIndex().column(), 1);
  EXPECT_EQ(columns.selected(), 1);
}

TEST_F(DataGridTest, SelectingAnotherColumnGivesTheTypedTextToItsFieldFirst) {
  openRows(10);
  typeInCell(3, 0, 'x');
  ASSERT_NE(grid.cellEditor(), nullptr);
  grid.columns().select(1);
  QCoreApplication::processEvents();
  ASSERT_EQ(prompts->errorBoxes(), QStringList{"'x' is not a valid value for field 'ID'"});
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(3, 0)) << "a refused text keeps the cell";
  ASSERT_NE(grid.cellEditor(), nullptr);
  EXPECT_EQ(grid.cellEditor()->text(), QStringLiteral("x"));

  grid.cellEditor()->setText(QStringLiteral("77"));
  grid.cellEditor()->setModified(true);
  grid.columns().select(1);
  EXPECT_EQ(grid.currentIndex(), grid.model()->index(3, 1));
  EXPECT_EQ(dataSet.field(0).text(), u"77");
  EXPECT_EQ(dataSet.state(), qb::DataSetState::Edit) << "the record is not saved by a move within it";
}

}  // namespace
