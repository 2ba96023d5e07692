// The record commands of the main window: both navigators (enabling in each
// state, actions, the question before a delete), the Edit menu, "Adjust
// column width", and the grid's alternate-row shading.
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QToolButton>
#include <cmath>

#include "app/main_window.h"
#include "browse/record_view_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/record_navigator.h"
#include "fixtures/database_fixture.h"

namespace {

constexpr QRgb kShade = qRgb(213, 234, 255);

class RecordCommandsTest : public DatabaseTest {
 protected:
  // The enabled buttons of a navigator, by name.
  static QStringList enabledButtons(const RecordNavigator& navigator) {
    QStringList names;
    for (int i = 0; i < RecordNavigator::kButtonCount; ++i) {
      const QToolButton* b = navigator.button(static_cast<NavigateButton>(i));
      if (b->isEnabled()) names.append(b->objectName().mid(2));
    }
    return names;
  }

  // Both navigators agree; the main window's enabled buttons.
  QStringList enabled() const {
    const QStringList main = enabledButtons(*Form1->DBNavigator1);
    EXPECT_EQ(enabledButtons(*frmRecordView->DBNavigator1), main) << "the record view's navigator differs";
    return main;
  }

  void click(NavigateButton which) { Form1->DBNavigator1->button(which)->click(); }

  // Colour of a cell's empty right end (its short text sits left).
  QRgb cellColour(const QImage& image, int row, int column) const {
    const QRect rect = grid().visualRect(grid().model()->index(row, column));
    return image.pixel(rect.right() - 4, rect.center().y()) & 0xFFFFFF;
  }

  // Which of the first `rows` rows are shaded in column `column`.
  std::vector<bool> shadedRows(int rows, int column) const {
    grid().viewport()->repaint();
    const QImage image = grid().viewport()->grab().toImage();
    std::vector<bool> shaded;
    for (int row = 0; row < rows; ++row)
      shaded.push_back(cellColour(image, row, column) == (kShade & 0xFFFFFF));
    return shaded;
  }

  // "Table" (a, b: two texts) of this file, grown from two rows to five.
  void openFiveRows() {
    open(copyOf("jackcess-V2000-delTestV2000.mdb"));
    for (const char16_t* a : {u"3", u"4", u"5"}) {
      Form1->mdb.append();
      Form1->mdb.fieldByName(u"a").setText(a);
      Form1->mdb.save();
    }
    Form1->mdb.first();
    ASSERT_EQ(grid().model()->rowCount(), 5);
    Form1->resize(900, 600);
    Form1->show();
  }
};

TEST_F(RecordCommandsTest, NavigatorsFollowTheStateOfTheTable) {
  QB_REQUIRE_CORPUS();
  EXPECT_TRUE(enabled().isEmpty()) << "no table open";
  open(copyOf(kTextTable));
  EXPECT_EQ(enabled(), (QStringList{"Next", "Last", "Insert", "Delete", "Edit"}));
  click(NavigateButton::Next);
  EXPECT_EQ(enabled(), (QStringList{"First", "Prior", "Next", "Last", "Insert", "Delete", "Edit"}));
  click(NavigateButton::Prior);
  EXPECT_EQ(enabled(), (QStringList{"Next", "Last", "Insert", "Delete", "Edit"})) << "the first record again";
  click(NavigateButton::Last);
  EXPECT_EQ(enabled(), (QStringList{"First", "Prior", "Insert", "Delete", "Edit"}));
  EXPECT_EQ(currentCell().first, 6) << "the grid follows the navigator";
  click(NavigateButton::Edit);
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Edit);
  EXPECT_EQ(enabled(), (QStringList{"First", "Prior", "Insert", "Delete", "Post", "Cancel"}));
  click(NavigateButton::Cancel);
  click(NavigateButton::Insert);
  EXPECT_EQ(enabled(), (QStringList{"First", "Prior", "Next", "Last", "Insert", "Delete", "Post", "Cancel"}))
      << "a new record is neither first nor last";
  Form1->mdb.fieldByName(u"data1").setText(u"posted");
  click(NavigateButton::Post);
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Browse);
  EXPECT_EQ(Form1->mdb.recordCount(), 8u);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());

  activate(QStringLiteral("Close1"));
  EXPECT_TRUE(enabled().isEmpty());
}

TEST_F(RecordCommandsTest, NavigatorOnAnEmptyTableOffersOnlyInsertAndEdit) {
  QB_REQUIRE_CORPUS();
  open(copyOf(kBaselineFile));
  chooseTab(QStringLiteral("Table3"));
  ASSERT_EQ(grid().model()->rowCount(), 0);
  EXPECT_EQ(enabled(), (QStringList{"Insert", "Edit"}));
  EXPECT_TRUE(Form1->DBNavigator1->button(NavigateButton::First)->toolTip() ==
              QStringLiteral("First record"));
  EXPECT_TRUE(frmRecordView->DBNavigator1->button(NavigateButton::First)->toolTip().isEmpty());
}

TEST_F(RecordCommandsTest, NavigatorDeleteAsksAndTheMenuDeleteDoesNot) {
  QB_REQUIRE_CORPUS();
  open(copyOf(kTextTable));
  prompts->confirmWith(false);
  click(NavigateButton::Delete);
  EXPECT_EQ(prompts->shown().back().text, QStringLiteral("Delete record?"));
  EXPECT_EQ(Form1->mdb.recordCount(), 7u) << "Cancel keeps the record";
  prompts->confirmWith(true);
  frmRecordView->DBNavigator1->button(NavigateButton::Delete)->click();
  EXPECT_EQ(Form1->mdb.recordCount(), 6u);

  const std::size_t shown = prompts->shown().size();
  activate(QStringLiteral("Delete1"));
  EXPECT_EQ(Form1->mdb.recordCount(), 5u);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(prompts->shown().size(), shown) << "no question from the menu";
}

TEST_F(RecordCommandsTest, EditMenuMovesAndEditsTheCurrentTable) {
  QB_REQUIRE_CORPUS();
  open(copyOf(kTextTable));
  qb::TableDataSet& mdb = Form1->mdb;
  activate(QStringLiteral("last1"));
  EXPECT_EQ(mdb.recordNumber(), 7);
  activate(QStringLiteral("Next1"));
  EXPECT_EQ(mdb.recordNumber(), 7) << "next on the last record changes nothing";
  activate(QStringLiteral("Previous1"));
  EXPECT_EQ(mdb.recordNumber(), 6);
  activate(QStringLiteral("First1"));
  activate(QStringLiteral("Previous1"));
  EXPECT_EQ(mdb.recordNumber(), 1);
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(mdb.state(), qb::DataSetState::Browse) << "save in browse state does nothing";

  activate(QStringLiteral("Insert1"));
  EXPECT_EQ(mdb.state(), qb::DataSetState::Insert);
  activate(QStringLiteral("Cancel1"));
  EXPECT_EQ(mdb.recordCount(), 7u);
  activate(QStringLiteral("Insert1"));
  mdb.fieldByName(u"data1").setText(u"new first");
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(mdb.recordCount(), 8u);
  EXPECT_EQ(cell(0, 0), QStringLiteral("new first"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(RecordCommandsTest, ARecordTheEngineRefusesStaysInItsStateForCorrection) {
  QB_REQUIRE_CORPUS();
  // Table1 of this file has a primary key on id (0 to 3).
  open(copyOf("jackcess-V2000-indexTestV2000.mdb"));
  qb::TableDataSet& mdb = Form1->mdb;
  activate(QStringLiteral("Insert1"));
  mdb.fieldByName(u"id").setText(u"2");
  activate(QStringLiteral("Save1"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes().front().contains(QStringLiteral("PrimaryKey")));
  EXPECT_FALSE(prompts->errorBoxes().front().startsWith(QStringLiteral("mdb: "))) << "the engine's own text";
  EXPECT_EQ(mdb.state(), qb::DataSetState::Insert);

  prompts->clearShown();
  mdb.fieldByName(u"id").setText(u"9");
  activate(QStringLiteral("Save1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(mdb.state(), qb::DataSetState::Browse);
  EXPECT_EQ(mdb.recordCount(), 5u);

  activate(QStringLiteral("First1"));
  mdb.edit();
  mdb.fieldByName(u"id").setText(cell(1, 0).toStdU16String());  // the next record's key
  activate(QStringLiteral("Next1"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1) << "a move that must save first fails the same way";
  EXPECT_EQ(mdb.state(), qb::DataSetState::Edit);
  EXPECT_EQ(mdb.recordNumber(), 1);
}

TEST_F(RecordCommandsTest, EditMenuWithoutATableOrRecords) {
  QB_REQUIRE_CORPUS();
  for (const char* entry : {"First1", "Previous1", "Next1", "last1", "Insert1", "Delete1"}) {
    prompts->clearShown();
    activate(QString::fromLatin1(entry));
    EXPECT_EQ(prompts->errorBoxes(), QStringList{"mdb: Cannot perform this operation on a closed dataset."})
        << entry;
  }
  prompts->clearShown();
  activate(QStringLiteral("Save1"));
  activate(QStringLiteral("Cancel1"));
  EXPECT_TRUE(prompts->shown().empty());

  open(copyOf(kBaselineFile));
  chooseTab(QStringLiteral("Table3"));
  activate(QStringLiteral("Delete1"));
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"mdb: Cannot perform this operation on an empty dataset."});
}

TEST_F(RecordCommandsTest, AdjustColumnWidthSetsTheSelectedColumnOnly) {
  QB_REQUIRE_CORPUS();
  activate(QStringLiteral("Adjustcolumnwidth1"));
  EXPECT_EQ(grid().column(0).width(), 100) << "the single empty column";

  open(copyOf(kBaselineFile));
  chooseTab(QStringLiteral("Table1"));
  grid().setCurrentIndex(grid().model()->index(0, 2));
  const int before = grid().column(1).width();
  activate(QStringLiteral("Adjustcolumnwidth1"));
  EXPECT_EQ(grid().column(2).width(), 100);
  EXPECT_EQ(grid().column(1).width(), before);

  chooseTab(QStringLiteral("Table3"));
  chooseTab(QStringLiteral("Table1"));
  EXPECT_EQ(grid().column(2).width(), grid().defaultColumnWidth(2));
}

TEST_F(RecordCommandsTest, DefaultWidthsFollowDisplayWidthAndTitle) {
  QB_REQUIRE_CORPUS();
  // Many columns: texts, memos, dates, numbers with long names.
  open(copyOf("jackcess-V2000-test2V2000.mdb"));
  ASSERT_GT(grid().columnCount(), 50);
  // Widths in whole pixels, rounded up from the fonts' fractional advances.
  const QFontMetricsF data(grid().font());
  const QFontMetricsF titles(grid().horizontalHeader()->font());
  int widerTitles = 0;
  for (int i = 0; i < grid().columnCount(); ++i) {
    const qb::Field& field = *grid().column(i).field();
    const int byValues =
        static_cast<int>(std::ceil(field.displayWidth() * data.horizontalAdvance(QLatin1Char('0')))) + 4;
    const int byTitle = static_cast<int>(std::ceil(titles.horizontalAdvance(grid().column(i).title()))) + 4;
    EXPECT_EQ(grid().column(i).width(), std::max(byValues, byTitle))
        << grid().column(i).title().toStdString();
    if (byTitle > byValues) ++widerTitles;
  }
  EXPECT_GT(widerTitles, 0) << "some columns are as wide as their titles";
}

TEST_F(RecordCommandsTest, EvenRecordsAreShadedExceptTheCurrentCell) {
  QB_REQUIRE_CORPUS();
  openFiveRows();
  EXPECT_EQ(shadedRows(5, 1), (std::vector<bool>{false, true, false, true, false}));
  grid().setCurrentIndex(grid().model()->index(1, 1));
  EXPECT_EQ(shadedRows(5, 1), (std::vector<bool>{false, false, false, true, false}))
      << "not the current cell";
  EXPECT_EQ(shadedRows(5, 0), (std::vector<bool>{false, true, false, true, false}))
      << "the rest of its row is";

  activate(QStringLiteral("SortButton4"));  // an empty sort: natural order, still shaded
  Form1->Edit3->setText(QStringLiteral("a DESC"));
  activate(QStringLiteral("SortButton4"));
  EXPECT_EQ(cell(0, 0), QStringLiteral("z"));
  EXPECT_EQ(shadedRows(5, 1), (std::vector<bool>{false, true, false, true, false}))
      << "the sorted order counts";
}

TEST_F(RecordCommandsTest, NoShadingWhileFilteredOrInserting) {
  QB_REQUIRE_CORPUS();
  openFiveRows();
  activate(QStringLiteral("FilterButton1"));  // an empty filter
  EXPECT_EQ(shadedRows(5, 1), std::vector<bool>(5, false));
  activate(QStringLiteral("CancelFilterButton3"));
  EXPECT_EQ(shadedRows(5, 1), (std::vector<bool>{false, true, false, true, false}));

  activate(QStringLiteral("Insert1"));
  EXPECT_EQ(shadedRows(6, 1), std::vector<bool>(6, false));
  Form1->mdb.fieldByName(u"a").setText(u"6");
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(shadedRows(6, 1), (std::vector<bool>{false, true, false, true, false, true}));
}

}  // namespace
