// The record view: the controls the tool button "Record View " builds (where
// they go, how wide, what a hidden column gives), the shared current record
// in both directions, typing in a box, the second build's error, closing,
// the wheel over forty fields, and following a change of table.
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "app/main_window.h"
#include "browse/db_edit.h"
#include "browse/record_view_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/record_navigator.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"

namespace {

using jet::DataType;

class RecordViewTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    const BuiltTable trio = peopleTable(u"Trio", {{u"Ann", u"Leeds"}, {u"Ben", u"York"}, {u"Cy", u"Hull"}});
    BuiltTable staff{u"Staff",
                     {builtColumn(u"Code", DataType::Text, 8), builtColumn(u"Grade", DataType::Long)},
                     {{textValue(u"S-1"), longValue(7)}}};
    BuiltTable forty{u"Forty", {}, {{}}};
    for (int i = 0; i < 40; ++i) {
      forty.columns.push_back(builtColumn(u"F" + QString::number(i).toStdU16String(), DataType::Text, 10));
      forty.rows[0].push_back(textValue(u"v"));
    }
    writeDatabase(scratch / "view.mdb", {trio, staff, forty});
    open(scratchFile("view.mdb"));
    chooseTab(QStringLiteral("Trio"));
    frmRecordView->hide();
  }

  QWidget& fieldArea() const { return *frmRecordView->ScrollBox1->widget(); }
  QLabel* caption(int i) const { return fieldArea().findChild<QLabel*>(QStringLiteral("lbl%1").arg(i)); }
  DBEdit* box(int i) const { return fieldArea().findChild<DBEdit*>(QStringLiteral("tbl%1").arg(i)); }
  int builtCount() const { return static_cast<int>(fieldArea().children().size()); }
  void build() { activate(QStringLiteral("ToolButton7")); }

  // Gives the focus to a box of the record view as a person's click would.
  void focusBox(int i) {
    frmRecordView->show();
    QApplication::setActiveWindow(frmRecordView);
    box(i)->setFocus(Qt::MouseFocusReason);
  }

  QString savedName(int row) const {
    qb::Connection con;
    con.setConnectionString(Form1->con.connectionString());
    qb::TableDataSet table("check");
    table.setConnection(&con);
    table.setTableName(u"Trio");
    table.open();
    table.moveTo(static_cast<std::size_t>(row));
    return QString::fromStdU16String(table.fieldByName(u"Name").text());
  }
};

TEST_F(RecordViewTest, EachColumnGetsACaptionAndABoxInABandOfFiftyPixels) {
  build();
  EXPECT_TRUE(frmRecordView->isVisible());
  ASSERT_EQ(builtCount(), 6);
  const QStringList titles{"Id", "Name", "Town"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(caption(i), nullptr);
    ASSERT_NE(box(i), nullptr);
    EXPECT_EQ(caption(i)->pos(), QPoint(12, 45 + 50 * i));
    EXPECT_EQ(box(i)->pos(), QPoint(12, 60 + 50 * i));
    EXPECT_EQ(caption(i)->text(), titles[i]);
    EXPECT_EQ(box(i)->width(), grid().columns().width(i));
    EXPECT_EQ(box(i)->dataField(), titles[i]);
  }
  EXPECT_EQ(box(1)->text(), "Ann");
  EXPECT_EQ(box(2)->text(), "Leeds");
}

TEST_F(RecordViewTest, TheBoxesAndTheGridShowOneCurrentRecord) {
  build();
  activate(QStringLiteral("Next1"));
  EXPECT_EQ(box(1)->text(), "Ben");
  frmRecordView->DBNavigator1->button(NavigateButton::Next)->click();
  EXPECT_EQ(currentCell().first, 2) << "the record view's navigator moves the grid";
  EXPECT_EQ(box(2)->text(), "Hull");
  frmRecordView->DBNavigator1->button(NavigateButton::First)->click();
  EXPECT_EQ(currentCell().first, 0);
  EXPECT_EQ(box(0)->text(), "1");
}

TEST_F(RecordViewTest, TypingInABoxEditsTheSharedRecordWhichSaveWrites) {
  build();
  focusBox(1);
  box(1)->selectAll();
  QTest::keyClicks(box(1), QStringLiteral("Bea"));
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Edit);
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Browse);
  EXPECT_EQ(savedName(0), "Bea");
  EXPECT_EQ(cell(0, 1), "Bea");
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(RecordViewTest, ATextTheFieldRefusesIsReportedOnceAndStaysInTheBox) {
  prompts->boxesTakeFocus(true);
  build();
  focusBox(0);
  box(0)->selectAll();
  QTest::keyClicks(box(0), QStringLiteral("abc"));
  box(2)->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"'abc' is not a valid value for field 'Id'"});
  EXPECT_EQ(box(0)->text(), "abc");
  // Saving tries the text again and is refused the same way.
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(prompts->errorBoxes().size(), 2);
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Edit);
  activate(QStringLiteral("Cancel1"));
  EXPECT_EQ(box(0)->text(), "1") << "cancelling shows the stored value again";
}

TEST_F(RecordViewTest, ALargerFontSpreadsTheBandsSoThatNoCaptionIsCovered) {
  build();
  QFont larger = frmRecordView->font();
  larger.setPointSizeF(larger.pointSizeF() * 1.8);
  frmRecordView->setFont(larger);  // as View ▸ Font does, after the build
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(caption(i)->x(), 12);
    EXPECT_EQ(box(i)->x(), 12);
    EXPECT_LE(caption(i)->geometry().bottom(), box(i)->y()) << "caption " << i << " stays above its box";
    EXPECT_GE(box(i)->height(), QFontMetrics(larger).height());
    if (i > 0) {
      EXPECT_LT(box(i - 1)->geometry().bottom(), caption(i)->y());
    }
  }
  EXPECT_GT(box(2)->y(), 160);
  frmRecordView->setFont(QApplication::font());
  EXPECT_EQ(caption(2)->pos(), QPoint(12, 145)) << "the program's own font: the designed places";
  EXPECT_EQ(box(2)->pos(), QPoint(12, 160));
}

TEST_F(RecordViewTest, AHiddenColumnsCaptionShowsButItsBoxHasNoWidth) {
  grid().columns().setVisible(1, false);
  build();
  ASSERT_NE(box(1), nullptr);
  EXPECT_TRUE(caption(1)->isVisible());
  EXPECT_FALSE(box(1)->isVisible());
  EXPECT_EQ(box(1)->width(), 0);
  EXPECT_EQ(box(2)->pos(), QPoint(12, 160)) << "the hidden column keeps its band";
}

TEST_F(RecordViewTest, WithNoTableOpenTheToolButtonDoesNothingAtAll) {
  activate(QStringLiteral("Close1"));
  build();
  EXPECT_FALSE(frmRecordView->isVisible());
  EXPECT_EQ(builtCount(), 0);
}

TEST_F(RecordViewTest, ClosingDestroysTheControlsFromLastToFirstAndF12ShowsOnlyTheBar) {
  build();
  QStringList destroyed;
  for (QObject* child : fieldArea().children()) {
    QObject::connect(child, &QObject::destroyed,
                     [&destroyed, name = child->objectName()] { destroyed.append(name); });
  }
  frmRecordView->close();
  EXPECT_EQ(destroyed, (QStringList{"tbl2", "lbl2", "tbl1", "lbl1", "tbl0", "lbl0"}));
  activate(QStringLiteral("RecordView2"));
  EXPECT_TRUE(frmRecordView->isVisible());
  EXPECT_EQ(builtCount(), 0);
  EXPECT_TRUE(frmRecordView->DBNavigator1->isVisible());
  // Built again after closing: no error.
  frmRecordView->close();
  build();
  EXPECT_EQ(builtCount(), 6);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(RecordViewTest, ASecondBuildWithoutClosingStopsAtTheFirstNameTaken) {
  build();
  build();
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"A component named lbl0 already exists."});
  EXPECT_EQ(builtCount(), 6) << "what was there stays";
  EXPECT_EQ(box(1)->text(), "Ann");
}

TEST_F(RecordViewTest, FortyFieldsScrollOnePagePerWheelStep) {
  chooseTab(QStringLiteral("Forty"));
  build();
  frmRecordView->resize(400, 300);
  QCoreApplication::processEvents();
  QScrollBar& bar = *frmRecordView->ScrollBox1->verticalScrollBar();
  ASSERT_GT(bar.maximum(), 2 * bar.pageStep()) << "the field area reaches far below its visible height";
  EXPECT_EQ(bar.pageStep(), frmRecordView->ScrollBox1->viewport()->height());
  const auto wheel = [&](int angle) {
    QWidget* over = frmRecordView->ScrollBox1->viewport();
    const QPointF at(20, 20);
    QWheelEvent event(at, over->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(over, &event);
  };
  wheel(-120);
  EXPECT_EQ(bar.value(), bar.pageStep());
  wheel(-120);
  EXPECT_EQ(bar.value(), 2 * bar.pageStep());
  wheel(-60);
  EXPECT_EQ(bar.value(), 2 * bar.pageStep()) << "half a step waits for the other half";
  wheel(-60);
  EXPECT_EQ(bar.value(), 3 * bar.pageStep());
  wheel(120);
  EXPECT_EQ(bar.value(), 2 * bar.pageStep());
}

TEST_F(RecordViewTest, ABuiltViewIsBuiltAgainForTheTableChosen) {
  build();
  chooseTab(QStringLiteral("Staff"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty()) << "no box is left naming a field the table lacks";
  ASSERT_EQ(builtCount(), 4);
  EXPECT_EQ(caption(0)->text(), "Code");
  EXPECT_EQ(caption(1)->text(), "Grade");
  EXPECT_EQ(box(0)->text(), "S-1");
  EXPECT_EQ(box(1)->width(), grid().columns().width(1));
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 1"));

  // Closed, it stays empty through the next change.
  frmRecordView->close();
  chooseTab(QStringLiteral("Trio"));
  EXPECT_EQ(builtCount(), 0);
}

TEST_F(RecordViewTest, AViewBuiltOnAClosedTableShowsNothingUntilItOpens) {
  build();
  activate(QStringLiteral("Close1"));
  EXPECT_TRUE(box(1)->text().isEmpty());
  EXPECT_TRUE(box(1)->isReadOnly());
  chooseTab(QStringLiteral("Staff"));
  EXPECT_EQ(box(0)->text(), "S-1");
  EXPECT_FALSE(box(0)->isReadOnly());
}

}  // namespace
