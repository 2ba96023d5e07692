// Editing in the main window's grid with the keyboard, on a copy of a real
// file: typing, Escape, Tab, Insert, Down on the last row, Ctrl+Delete, and
// what moving, saving and leaving the grid do to the record being edited.
// What is saved is read back from the file.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "fixtures/database_fixture.h"

namespace {

// Table1 of kTextTable: nine text columns, seven rows.
class GridEditingTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
    open(copyOf(kTextTable));
    ASSERT_EQ(grid().model()->rowCount(), 7);
    Form1->show();
    QApplication::setActiveWindow(Form1);
    grid().setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
  }

  qb::TableDataSet& mdb() const { return Form1->mdb; }

  void goTo(int row, int column) {
    grid().setCurrentIndex(grid().model()->index(row, column));
    ASSERT_EQ(currentCell(), std::pair(row, column));
  }

  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = grid().cellEditor() ? static_cast<QWidget*>(grid().cellEditor()) : &grid();
    QTest::keyClick(target, key, modifiers);
  }

  // Types into the open editor, or into the grid's current cell, which
  // opens its editor with the first key.
  void type(const QString& text) {
    if (QLineEdit* editor = grid().cellEditor()) {
      QTest::keyClicks(editor, text);
      return;
    }
    QTest::keyClick(&grid(), text.front().toLatin1());
    ASSERT_NE(grid().cellEditor(), nullptr) << "typing opens the cell's editor";
    QTest::keyClicks(grid().cellEditor(), text.mid(1));
  }

  // The second column (data3) of every row as the file holds it now.
  QStringList savedTexts() {
    qb::Connection con;
    con.setConnectionString(Form1->con.connectionString());
    qb::TableDataSet table("check");
    table.setConnection(&con);
    table.setTableName(u"Table1");
    table.open();
    QStringList texts;
    for (table.first(); !table.eof(); table.next()) {
      texts.append(QString::fromStdU16String(table.fieldByName(u"data3").text()));
    }
    return texts;
  }
};

TEST_F(GridEditingTest, TypingStartsAnEditAndMovingToAnotherRowSavesIt) {
  goTo(2, 1);
  const QStringList before = savedTexts();
  type(QStringLiteral("hello"));
  EXPECT_EQ(mdb().state(), qb::DataSetState::Edit);
  EXPECT_EQ(grid().cellEditor()->text(), QStringLiteral("hello")) << "the typed key replaces the cell's text";

  key(Qt::Key_Down);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(currentCell(), std::pair(3, 1));
  EXPECT_EQ(cell(2, 1), QStringLiteral("hello"));
  QStringList expected = before;
  expected[2] = QStringLiteral("hello");
  EXPECT_EQ(savedTexts(), expected);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(GridEditingTest, EscapeUndoesTheCellThenTheRecord) {
  goTo(1, 1);
  const QString original = cell(1, 1);
  const QString id = cell(1, 0);
  goTo(1, 0);
  type(QStringLiteral("99"));
  key(Qt::Key_Tab);  // into the next cell of the same record
  EXPECT_EQ(currentCell(), std::pair(1, 1));
  EXPECT_EQ(mdb().fieldByName(u"data1").text(), u"99") << "leaving the cell gives its text to the field";
  type(QStringLiteral("typed"));
  key(Qt::Key_Escape);
  EXPECT_EQ(grid().cellEditor(), nullptr);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Edit) << "the first Escape undoes only the cell";
  EXPECT_EQ(cell(1, 1), original);
  EXPECT_EQ(cell(1, 0), QStringLiteral("99"));

  key(Qt::Key_Escape);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(cell(1, 0), id);
}

TEST_F(GridEditingTest, TwoEscapesAfterTypingInOneCellLeaveTheRecordUnchanged) {
  goTo(4, 1);
  const QString original = cell(4, 1);
  type(QStringLiteral("x"));
  ASSERT_EQ(mdb().state(), qb::DataSetState::Edit);
  key(Qt::Key_Escape);
  EXPECT_EQ(grid().cellEditor(), nullptr);
  EXPECT_EQ(cell(4, 1), original);
  key(Qt::Key_Escape);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(currentCell(), std::pair(4, 1));
}

TEST_F(GridEditingTest, EscapeInAnUntouchedEditorCancelsTheRecord) {
  goTo(0, 0);
  type(QStringLiteral("5"));
  key(Qt::Key_Tab);
  key(Qt::Key_F2);  // an editor with nothing typed
  ASSERT_NE(grid().cellEditor(), nullptr);
  key(Qt::Key_Escape);
  EXPECT_EQ(grid().cellEditor(), nullptr);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(cell(0, 0), QStringLiteral("row1col1"));
}

TEST_F(GridEditingTest, InsertKeyAddsARecordAtTheCurrentRow) {
  goTo(3, 1);
  key(Qt::Key_Insert);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Insert);
  EXPECT_EQ(grid().model()->rowCount(), 8);
  EXPECT_EQ(currentCell(), std::pair(3, 1));
  EXPECT_TRUE(cell(3, 1).isEmpty());
  goTo(3, 0);
  type(QStringLiteral("first"));
  key(Qt::Key_Tab);
  type(QStringLiteral("inserted"));
  key(Qt::Key_Up);  // moving saves the new record
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(currentCell(), std::pair(2, 1));
  EXPECT_EQ(mdb().recordCount(), 8u);
  EXPECT_TRUE(savedTexts().contains(QStringLiteral("inserted")));
}

TEST_F(GridEditingTest, DownOnTheLastRowAppendsOnceUntilSomethingIsTyped) {
  goTo(6, 1);
  key(Qt::Key_Down);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Insert);
  EXPECT_EQ(grid().model()->rowCount(), 8);
  EXPECT_EQ(currentCell(), std::pair(7, 1));
  key(Qt::Key_Down);
  EXPECT_EQ(grid().model()->rowCount(), 8) << "an untouched new record stays the last";

  type(QStringLiteral("appended"));
  key(Qt::Key_Down);  // saves it and appends the next
  EXPECT_EQ(mdb().recordCount(), 8u);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Insert);
  EXPECT_EQ(currentCell(), std::pair(8, 1));
  EXPECT_EQ(savedTexts().back(), QStringLiteral("appended"));

  key(Qt::Key_Up);  // leaving the untouched one drops it
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(grid().model()->rowCount(), 8);
}

TEST_F(GridEditingTest, LeavingTheGridDropsANewRecordNeverChanged) {
  goTo(2, 1);
  key(Qt::Key_Insert);
  ASSERT_EQ(mdb().state(), qb::DataSetState::Insert);
  Form1->Edit2->setFocus();
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(grid().model()->rowCount(), 7);
  EXPECT_EQ(mdb().recordNumber(), 3) << "the record current before the insert is current again";

  // A new record with a value is kept.
  grid().setFocus();
  key(Qt::Key_Insert);
  type(QStringLiteral("kept"));
  Form1->Edit2->setFocus();
  EXPECT_EQ(mdb().state(), qb::DataSetState::Insert);
  EXPECT_EQ(mdb().fieldByName(u"data3").text(), u"kept") << "the editor gave its text when it lost the focus";
}

TEST_F(GridEditingTest, ABoxShownOverTheGridDoesNotDropTheNewRecord) {
  goTo(5, 1);
  key(Qt::Key_Insert);
  prompts->confirmWith(false);
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Insert);
}

TEST_F(GridEditingTest, CtrlDeleteAsksFirst) {
  goTo(5, 1);
  const QString sixth = cell(5, 1);
  prompts->confirmWith(false);
  key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(prompts->shown().back().kind, PromptKind::Confirm);
  EXPECT_EQ(prompts->shown().back().text, QStringLiteral("Delete record?"));
  EXPECT_EQ(grid().model()->rowCount(), 7);

  prompts->confirmWith(true);
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(grid().model()->rowCount(), 6);
  EXPECT_EQ(currentCell(), std::pair(5, 1));
  EXPECT_FALSE(savedTexts().contains(sixth));
}

TEST_F(GridEditingTest, CtrlDeleteInAnOpenEditorAsksToDeleteTheRecordAndTypesNothing) {
  goTo(2, 1);
  const QString third = cell(2, 1);
  type(QStringLiteral("ZZTOP"));
  QTest::keyClick(grid().cellEditor(), Qt::Key_Left);
  prompts->clearShown();
  prompts->confirmWith(false);
  key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(prompts->shown().size(), 1u);
  EXPECT_EQ(prompts->shown().back().text, QStringLiteral("Delete record?"));
  ASSERT_NE(grid().cellEditor(), nullptr);
  EXPECT_EQ(grid().cellEditor()->text(), QStringLiteral("ZZTOP")) << "Cancel keeps the typing";
  EXPECT_EQ(grid().model()->rowCount(), 7);

  prompts->confirmWith(true);
  key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(grid().model()->rowCount(), 6);
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(grid().cellEditor(), nullptr);
  EXPECT_FALSE(savedTexts().contains(third));
  EXPECT_FALSE(savedTexts().contains(QStringLiteral("ZZTOP")));
}

TEST_F(GridEditingTest, ABoxThatTakesTheFocusLeavesTheEditorAndItsText) {
  prompts->boxesTakeFocus(true);
  goTo(1, 1);
  type(QStringLiteral("kept"));
  prompts->confirmWith(false);
  key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_NE(grid().cellEditor(), nullptr) << "the question took the focus and gave it back";
  EXPECT_EQ(grid().cellEditor()->text(), QStringLiteral("kept"));
  EXPECT_EQ(mdb().fieldByName(u"data3").text(), cell(1, 1).toStdU16String()) << "not given to the field yet";
  key(Qt::Key_Down);
  EXPECT_EQ(savedTexts()[1], QStringLiteral("kept"));
}

TEST_F(GridEditingTest, SaveFromTheMenuWritesWhatIsStillInTheEditor) {
  goTo(0, 1);
  type(QStringLiteral("menu save"));
  activate(QStringLiteral("Save1"));
  EXPECT_EQ(mdb().state(), qb::DataSetState::Browse);
  EXPECT_EQ(savedTexts().front(), QStringLiteral("menu save"));
}

}  // namespace
