// Choosing the current table with the tab strip, and the filter and sort
// rows: what carries over to the next table, what each button does, and
// where their errors are shown.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <stdexcept>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "fixtures/database_fixture.h"
#include "fixtures/recording_cursor.h"

namespace {

// Table1 (id, otherfk1, otherfk2, data, otherfk3; ids 0-3), Table2 (id, data;
// ids 0-2) and Table3 (id, data; ids 10-13).
constexpr char kThreeTables[] = "jackcess-V2000-indexTestV2000.mdb";

class CurrentTableTest : public DatabaseTest {
 protected:
  void openThreeTables() {
    open(copyOf(kThreeTables));
    ASSERT_EQ(tabCaptions(), (QStringList{"Table1", "Table2", "Table3"}));
  }

  void applyFilter(const QString& text) {
    Form1->Edit2->setText(text);
    activate(QStringLiteral("FilterButton1"));
  }

  void applySort(const QString& text) {
    Form1->Edit3->setText(text);
    activate(QStringLiteral("SortButton4"));
  }

  // The grid's first column, top to bottom.
  QStringList firstColumn() const {
    QStringList values;
    for (int row = 0; row < grid().model()->rowCount(); ++row) values.append(cell(row, 0));
    return values;
  }

  QStringList messageBoxes() const {
    QStringList texts;
    for (const ShownPrompt& p : prompts->shown()) {
      if (p.kind == PromptKind::MessageBox) texts.append(p.text);
    }
    return texts;
  }
};

TEST_F(CurrentTableTest, ChoosingATabOpensItUnderTheBusyCursorAndShowsTheCount) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  frmMemo->DBMemo1->setDataField(QStringLiteral("data"));
  ScopedRecordingCursor cursor;
  chooseTab(QStringLiteral("Table3"));

  EXPECT_EQ(handlersRun, QStringList{"TabControl1Change"});
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "events", "normal"}));
  EXPECT_EQ(Form1->mdb.tableName(), u"Table3");
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 4"));
  EXPECT_EQ(firstColumn(), (QStringList{"10", "11", "12", "13"}));
  EXPECT_TRUE(frmMemo->DBMemo1->dataField().isEmpty());
  EXPECT_EQ(frmMemo->DBMemo1->dataSource(), &Form1->DataSource1);
  EXPECT_EQ(Form1->DataSource1.dataSet(), &Form1->mdb);
}

TEST_F(CurrentTableTest, ACountWiderThanItsPanelWidensThePanel) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  Form1->show();
  QLabel* panel = Form1->statusPanel(0);
  QFont large = panel->font();
  large.setPixelSize(30);  // "Count: 4" in it needs more than the panel's 100 pixels
  panel->setFont(large);
  chooseTab(QStringLiteral("Table3"));
  QApplication::processEvents();
  EXPECT_EQ(panel->text(), QStringLiteral("Count: 4"));
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width());
  EXPECT_LT(panel->geometry().right(), Form1->statusPanel(1)->x()) << "the next panel moves aside";
}

TEST_F(CurrentTableTest, TheColumnListIsBuiltAgainForEveryTable) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  grid().column(1).setVisible(false);
  grid().column(0).setWidth(300);
  chooseTab(QStringLiteral("Table2"));
  chooseTab(QStringLiteral("Table1"));
  ASSERT_EQ(grid().columnCount(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(grid().column(i).visible());
    EXPECT_EQ(grid().column(i).width(), grid().defaultColumnWidth(i));
  }
}

// A field-bound box of another window, as the record view has them: it
// names its control and the field when the table it follows lacks the field.
class FieldBox final : public DataLink {
 public:
  explicit FieldBox(DataSource& source) { setDataSource(&source); }
  ~FieldBox() override { setDataSource(nullptr); }

 private:
  void activeChanged() override {
    if (linkActive() && !dataSet()->findField(u"otherfk1")) {
      throw std::runtime_error("DBEdit1: Field 'otherfk1' not found");
    }
  }
};

TEST_F(CurrentTableTest, ABoxOfAnotherWindowThatLosesItsFieldEndsTheChangeWithTheTableOpen) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  chooseTab(QStringLiteral("Table3"));
  chooseTab(QStringLiteral("Table1"));
  ASSERT_EQ(statusText(0), QStringLiteral("Count: 4"));
  frmMemo->DBMemo1->setDataField(QStringLiteral("otherfk1"));  // unbound first: never the cause
  FieldBox box(Form1->DataSource1);

  ScopedRecordingCursor cursor;
  chooseTab(QStringLiteral("Table2"));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"DBEdit1: Field 'otherfk1' not found."});
  EXPECT_TRUE(Form1->mdb.active());
  EXPECT_EQ(Form1->mdb.tableName(), u"Table2");
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2"}));
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 4")) << "the count is not written";
  EXPECT_EQ(cursor->shape(), Qt::ArrowCursor);

  // The error belongs to that change only.
  prompts->clearShown();
  chooseTab(QStringLiteral("Table1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 4"));
  chooseTab(QStringLiteral("Table3"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1);
}

TEST_F(CurrentTableTest, ChoosingATabDropsAnUnsavedEdit) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  chooseTab(QStringLiteral("Table2"));
  Form1->mdb.edit();
  Form1->mdb.fieldByName(u"data").setText(u"changed");
  chooseTab(QStringLiteral("Table3"));
  chooseTab(QStringLiteral("Table2"));
  EXPECT_EQ(cell(0, 1), QStringLiteral("foo0"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(CurrentTableTest, AFilterInForceCarriesOverToTheNextTable) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  applyFilter(QStringLiteral("id > 1"));
  EXPECT_EQ(firstColumn(), (QStringList{"2", "3"}));
  chooseTab(QStringLiteral("Table2"));
  EXPECT_EQ(firstColumn(), QStringList{"2"});
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 1")) << "the count is taken with the filter";
  EXPECT_EQ(Form1->Edit2->text(), QStringLiteral("id > 1"));
}

TEST_F(CurrentTableTest, AFilterNamingAFieldTheNextTableLacksStopsItsOpen) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  chooseTab(QStringLiteral("Table3"));
  applyFilter(QStringLiteral("otherfk1 = 1"));
  ASSERT_EQ(messageBoxes().size(), 1) << "Table3 lacks the field too: the filter is refused";
  prompts->clearShown();
  chooseTab(QStringLiteral("Table1"));
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2", "3"})) << "the refused filter is not in force";

  applyFilter(QStringLiteral("otherfk1 = 1"));
  EXPECT_EQ(firstColumn(), (QStringList{"1", "2"}));
  const QString count = statusText(0);

  ScopedRecordingCursor cursor;
  chooseTab(QStringLiteral("Table2"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes().front().contains(QStringLiteral("otherfk1")));
  EXPECT_FALSE(Form1->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0);
  EXPECT_EQ(statusText(0), count);
  EXPECT_EQ(cursor->shape(), Qt::ArrowCursor);

  // Cancelling the filter and choosing a table shows it again.
  activate(QStringLiteral("CancelFilterButton3"));
  chooseTab(QStringLiteral("Table3"));
  EXPECT_EQ(grid().model()->rowCount(), 4);
}

TEST_F(CurrentTableTest, ASortDoesNotCarryOverButItsBoxKeepsTheText) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  applySort(QStringLiteral("id DESC"));
  EXPECT_EQ(firstColumn(), (QStringList{"3", "2", "1", "0"}));
  chooseTab(QStringLiteral("Table2"));
  chooseTab(QStringLiteral("Table1"));
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2", "3"}));
  EXPECT_EQ(Form1->Edit3->text(), QStringLiteral("id DESC"));
}

TEST_F(CurrentTableTest, ApplyFilterReplacesTheFilterAndLeavesTheCount) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  chooseTab(QStringLiteral("Table3"));
  Form1->mdb.last();
  ScopedRecordingCursor cursor;
  applyFilter(QStringLiteral("id >= 12"));
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
  EXPECT_EQ(firstColumn(), (QStringList{"12", "13"}));
  EXPECT_EQ(Form1->mdb.recordNumber(), 1) << "the first record of the new view is current";
  EXPECT_EQ(currentCell().first, 0);

  applyFilter(QStringLiteral("id < 12"));
  EXPECT_EQ(firstColumn(), (QStringList{"10", "11"})) << "not narrowed from the last result";
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 4"));

  applyFilter(QString());
  EXPECT_EQ(grid().model()->rowCount(), 4);
  EXPECT_TRUE(Form1->mdb.filtered()) << "an empty filter still counts as in force";
}

TEST_F(CurrentTableTest, ARejectedFilterIsShownPlainlyAndNothingIsFiltered) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  applyFilter(QStringLiteral("id > 2"));
  ScopedRecordingCursor cursor;
  applyFilter(QStringLiteral("id >>> 'x"));
  ASSERT_EQ(messageBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_FALSE(Form1->mdb.filtered());
  EXPECT_EQ(Form1->mdb.filter(), u"id >>> 'x");
  EXPECT_EQ(Form1->Edit2->text(), QStringLiteral("id >>> 'x"));
  EXPECT_EQ(grid().model()->rowCount(), 4);
  EXPECT_EQ(cursor->shape(), Qt::ArrowCursor);
}

TEST_F(CurrentTableTest, AnEditThatCannotBeSavedKeepsTheFilterAsItWas) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  ASSERT_TRUE(Form1->mdb.canModify());
  applyFilter(QStringLiteral("id < 3"));
  // Row 0 gets the key of row 1: the primary key refuses the save.
  Form1->mdb.edit();
  Form1->mdb.fieldByName(u"id").setText(u"1");

  prompts->clearShown();
  applyFilter(QStringLiteral("id > 0"));
  ASSERT_EQ(messageBoxes().size(), 1) << "shown plainly, like a rejected expression";
  EXPECT_TRUE(messageBoxes().front().contains(QStringLiteral("PrimaryKey")))
      << messageBoxes().front().toStdString();
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Edit) << "the edit stays, to be corrected or cancelled";
  EXPECT_TRUE(Form1->mdb.filtered());
  EXPECT_EQ(Form1->mdb.filter(), u"id < 3");

  prompts->clearShown();
  activate(QStringLiteral("CancelFilterButton3"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1) << "Cancel Filter reports through the error box";
  EXPECT_TRUE(messageBoxes().isEmpty());
  EXPECT_EQ(Form1->Edit2->text(), QStringLiteral("id > 0"))
      << "the box is emptied only when the cancel worked";
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Edit);

  activate(QStringLiteral("Cancel1"));
  prompts->clearShown();
  activate(QStringLiteral("CancelFilterButton3"));
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_FALSE(Form1->mdb.filtered());
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2", "3"})) << "nothing was written";
}

TEST_F(CurrentTableTest, CancelFilterShowsEveryRowAndEmptiesTheBox) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  applyFilter(QStringLiteral("id = 1"));
  ScopedRecordingCursor cursor;
  activate(QStringLiteral("CancelFilter1"));
  EXPECT_EQ(handlersRun, (QStringList{"CancelFilter1Click", "CancelFilterButton3Click"}));
  EXPECT_TRUE(cursor->steps.isEmpty()) << "no busy cursor";
  EXPECT_FALSE(Form1->mdb.filtered());
  EXPECT_TRUE(Form1->mdb.filter().empty());
  EXPECT_TRUE(Form1->Edit2->text().isEmpty());
  EXPECT_EQ(grid().model()->rowCount(), 4);
}

TEST_F(CurrentTableTest, FilterWithoutATableIsKeptForTheNextOne) {
  QB_REQUIRE_CORPUS();
  applyFilter(QStringLiteral("id = 2"));
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_TRUE(Form1->mdb.filtered());
  openThreeTables();
  EXPECT_EQ(firstColumn(), QStringList{"2"});
}

TEST_F(CurrentTableTest, SortWithoutATableFailsEachInItsOwnWay) {
  Form1->Edit3->setText(QStringLiteral("id"));
  activate(QStringLiteral("SortButton4"));
  EXPECT_EQ(messageBoxes(), QStringList{"mdb: Cannot perform this operation on a closed dataset"});
  activate(QStringLiteral("CancelSortButton6"));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"mdb: Cannot perform this operation on a closed dataset."});
  EXPECT_EQ(Form1->Edit3->text(), QStringLiteral("id"))
      << "the box is emptied only after a cancel that worked";
}

TEST_F(CurrentTableTest, ApplyAndCancelSort) {
  QB_REQUIRE_CORPUS();
  openThreeTables();
  ScopedRecordingCursor cursor;
  applySort(QStringLiteral("data DESC"));
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
  EXPECT_EQ(firstColumn(), (QStringList{"3", "2", "1", "0"}));
  EXPECT_EQ(Form1->mdb.recordNumber(), 1);

  applySort(QStringLiteral("nosuchfield"));
  EXPECT_EQ(messageBoxes().size(), 1);
  EXPECT_EQ(firstColumn(), (QStringList{"3", "2", "1", "0"})) << "a rejected sort changes nothing";

  activate(QStringLiteral("CancelSortButton6"));
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2", "3"}));
  EXPECT_TRUE(Form1->Edit3->text().isEmpty());

  activate(QStringLiteral("Sort1"));  // the menu entry changes nothing
  EXPECT_EQ(firstColumn(), (QStringList{"0", "1", "2", "3"}));
}

}  // namespace
