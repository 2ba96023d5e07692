// The query window: its layout, Execute in its three steps and its errors,
// the two commands of the main window that show it, the result's grid and
// navigator (edits written back to one table, refused on a join), what
// closing the database does to the result, and the editor's Edit commands.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>

#include "app/main_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/main_data.h"
#include "connection/ui/record_navigator.h"
#include "connection/ui/tab_strip.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"
#include "jet/error.h"
#include "query/query_window.h"

namespace {

using jet::DataType;

class QueryWindowTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    const BuiltTable customers =
        peopleTable(u"Customers", {{u"Ann", u"Leeds"}, {u"Ben", u"York"}, {u"Cy", u"Leeds"}});
    BuiltTable orders{u"Orders",
                      {builtColumn(u"OrderId", DataType::Long), builtColumn(u"CustomerId", DataType::Long),
                       builtColumn(u"Amount", DataType::Long)},
                      {{longValue(10), longValue(1), longValue(5)},
                       {longValue(11), longValue(1), longValue(7)},
                       {longValue(12), longValue(2), longValue(4)},
                       {longValue(13), longValue(3), longValue(1)}}};
    BuiltTable spaced{u"Order Notes", {builtColumn(u"Note", DataType::Text, 20)}, {{textValue(u"n")}}};
    path_ = scratchFile("shop.mdb");
    writeDatabase(scratch / "shop.mdb", {customers, orders, spaced});
  }

  TForm14& window() const { return *Form14; }
  qb::QueryDataSet& query() const { return Form14->ADOQuery1; }
  void type(const QString& text) { window().Memo1->setPlainText(text); }
  // Execute as a click on the button.
  void execute() { window().SpeedButton1->click(); }
  int rows() const { return window().DBGrid1->model()->rowCount(); }
  QString cell(int row, int column) const {
    return window().DBGrid1->model()->index(row, column).data().toString();
  }
  QStringList titles() const {
    QStringList out;
    for (int i = 0; i < window().DBGrid1->columnCount(); ++i) out << window().DBGrid1->column(i).title();
    return out;
  }
  QStringList column(int c) const {
    QStringList out;
    for (int r = 0; r < rows(); ++r) out << cell(r, c);
    return out;
  }

  QString path_;
};

TEST_F(QueryWindowTest, LaidOutWithItsMenusButtonsEditorSplitterAndGrid) {
  TForm14& w = window();
  EXPECT_EQ(w.windowTitle(), "Query");
  QStringList menus;
  for (QAction* a : w.MainMenu1->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{"File", "Edit", "Query", "Help"}));
  QStringList file;
  for (QAction* a : w.File1->actions()) file << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(file, (QStringList{"Clear", "-", "Exit"}));
  EXPECT_TRUE(w.Clear1->shortcut().isEmpty());
  EXPECT_TRUE(w.Exit1->shortcut().isEmpty());
  EXPECT_EQ(w.Cut1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
  EXPECT_EQ(w.Copy1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(w.Paste1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
  EXPECT_TRUE(w.Query1->actions().isEmpty());
  EXPECT_TRUE(w.Help1->actions().isEmpty());

  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_FALSE(w.isModal());
  EXPECT_EQ(w.SpeedButton1->text(), "Execute");
  EXPECT_TRUE(w.SpeedButton1->shortcut().isEmpty());
  EXPECT_TRUE(w.SpeedButton1->isVisible());
  EXPECT_EQ(w.SpeedButton2->text(), "Wizard");
  EXPECT_FALSE(w.SpeedButton2->isVisible());
  for (NavigateButton b : {NavigateButton::First, NavigateButton::Prior, NavigateButton::Next, NavigateButton::Last,
                           NavigateButton::Insert, NavigateButton::Delete, NavigateButton::Post, NavigateButton::Cancel})
    EXPECT_TRUE(w.DBNavigator1->button(b)->isVisible()) << static_cast<int>(b);
  EXPECT_FALSE(w.DBNavigator1->button(NavigateButton::Edit)->isVisible());
  ASSERT_EQ(w.Splitter1->count(), 2);
  EXPECT_EQ(w.Splitter1->widget(0), w.Memo1);
  EXPECT_EQ(w.Splitter1->widget(1), w.DBGrid1);
  EXPECT_EQ(w.Splitter1->orientation(), Qt::Vertical);
  EXPECT_LT(w.Memo1->geometry().bottom(), w.DBGrid1->mapTo(w.Splitter1, QPoint(0, 0)).y());
  EXPECT_TRUE(w.StatusBar1->currentMessage().isEmpty());
  w.Exit1->trigger();
  EXPECT_FALSE(w.isVisible());
}

TEST_F(QueryWindowTest, ExecuteShowsRowsAndSaysNothingOnSuccess) {
  open(path_);
  prompts->clearShown();
  type(QStringLiteral("SELECT c.Town, Count(*) AS Orders, Sum(o.Amount) AS Total\n"
                      "FROM Customers AS c INNER JOIN Orders AS o ON o.CustomerId = c.Id\n"
                      "GROUP BY c.Town ORDER BY c.Town"));
  execute();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(titles(), (QStringList{"Town", "Orders", "Total"}));
  EXPECT_EQ(column(0), (QStringList{"Leeds", "York"}));
  EXPECT_EQ(column(2), (QStringList{"13", "4"}));
  EXPECT_EQ(query().recordNumber(), 1);
  EXPECT_EQ(window().Memo1->toPlainText().count('\n'), 2) << "the editor keeps the text as typed";
  EXPECT_FALSE(window().DBNavigator1->button(NavigateButton::Insert)->isEnabled()) << "a grouped result";

  type(QStringLiteral("SELECT Name FROM Customers WHERE Id > 99"));
  execute();
  EXPECT_TRUE(prompts->shown().empty());
  EXPECT_EQ(titles(), QStringList{"Name"});
  EXPECT_EQ(rows(), 0);
}

TEST_F(QueryWindowTest, FailuresGoToTheErrorBoxAndLeaveTheGridEmpty) {
  open(path_);
  type(QStringLiteral("SELECT * FROM Customers"));
  execute();
  ASSERT_EQ(rows(), 3);

  type(QString());
  execute();
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"ADOQuery1: Missing SQL property."});
  EXPECT_FALSE(query().active());
  EXPECT_EQ(rows(), 0);

  prompts->clearShown();
  type(QStringLiteral("SELECT Nothing FROM Nowhere"));
  execute();
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].contains("Nowhere")) << prompts->errorBoxes()[0].toStdString();
  EXPECT_FALSE(prompts->errorBoxes()[0].startsWith("ADOQuery1")) << "the engine's own text";
  EXPECT_EQ(window().Memo1->toPlainText(), "SELECT Nothing FROM Nowhere");
  EXPECT_EQ(rows(), 0);
}

TEST_F(QueryWindowTest, AnUpdateChangesTheDataThenSaysThereIsNoResult) {
  open(path_);
  type(QStringLiteral("SELECT * FROM Customers"));
  execute();
  type(QStringLiteral("UPDATE Customers SET Town = 'Hull' WHERE Town = 'Leeds'"));
  execute();
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"ADOQuery1: CommandText does not return a result set."});
  EXPECT_EQ(rows(), 0);
  EXPECT_FALSE(query().active());
  type(QStringLiteral("SELECT Name FROM Customers WHERE Town = 'Hull'"));
  execute();
  EXPECT_EQ(column(0), (QStringList{"Ann", "Cy"}));
}

TEST_F(QueryWindowTest, ExecuteWithNoDatabaseEverOpenedShowsTheConnectionsError) {
  type(QStringLiteral("SELECT 1"));
  execute();
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].contains("connection string is empty")) << prompts->errorBoxes()[0].toStdString();
}

TEST_F(QueryWindowTest, ToolButtonWritesTheCurrentTableAndTheMenuEntryKeepsTheText) {
  activate(QStringLiteral("ToolButton9"));
  EXPECT_EQ(window().Memo1->toPlainText(), "Select * from ") << "no table shown since start-up";
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(rows(), 0) << "not run";

  open(path_);
  chooseTab(QStringLiteral("Orders"));
  type(QStringLiteral("SELECT 1 AS One FROM Customers"));
  activate(QStringLiteral("Query1"));
  EXPECT_EQ(window().Memo1->toPlainText(), "SELECT 1 AS One FROM Customers");
  activate(QStringLiteral("ToolButton9"));
  EXPECT_EQ(window().Memo1->toPlainText(), "Select * from Orders");

  // After Close Database it still names the table shown last, and Execute
  // connects again to the same database.
  activate(QStringLiteral("Close1"));
  activate(QStringLiteral("ToolButton9"));
  EXPECT_EQ(window().Memo1->toPlainText(), "Select * from Orders");
  execute();
  EXPECT_TRUE(prompts->errorBoxes().isEmpty()) << prompts->errorBoxes().join('|').toStdString();
  EXPECT_EQ(rows(), 4);
}

TEST_F(QueryWindowTest, ATableNameWithASpaceGoesInUnbracketedAndFails) {
  open(path_);
  chooseTab(QStringLiteral("Order Notes"));
  activate(QStringLiteral("ToolButton9"));
  EXPECT_EQ(window().Memo1->toPlainText(), "Select * from Order Notes");
  execute();
  EXPECT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_FALSE(query().active());
}

TEST_F(QueryWindowTest, ClearKeepsTheResultAndClosingTheDatabaseEmptiesIt) {
  open(path_);
  type(QStringLiteral("SELECT * FROM Customers"));
  execute();
  window().Clear1->trigger();
  EXPECT_TRUE(window().Memo1->toPlainText().isEmpty());
  EXPECT_EQ(rows(), 3);
  EXPECT_TRUE(query().active());

  type(QStringLiteral("SELECT * FROM Customers"));
  activate(QStringLiteral("Close1"));
  EXPECT_FALSE(query().active());
  EXPECT_EQ(rows(), 0);
  EXPECT_EQ(window().Memo1->toPlainText(), "SELECT * FROM Customers");
}

TEST_F(QueryWindowTest, OneTablesRowsAreEditedAndAJoinIsRefused) {
  open(path_);
  type(QStringLiteral("SELECT Name, Town, Id * 10 AS Tens FROM Customers WHERE Town = 'Leeds'"));
  execute();
  ASSERT_TRUE(query().canModify()) << query().readOnlyReason();
  EXPECT_TRUE(window().DBNavigator1->button(NavigateButton::Insert)->isEnabled());
  query().first();
  query().edit();
  query().fieldByName(u"Town").setText(u"Bath");
  window().DBNavigator1->perform(NavigateButton::Post);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty()) << prompts->errorBoxes().join('|').toStdString();
  query().edit();
  EXPECT_THROW(query().fieldByName(u"Tens").setText(u"1"), jet::Error);
  query().cancel();

  // Delete asks first; Cancel keeps the row, OK deletes it.
  query().last();
  prompts->confirmWith(false);
  window().DBNavigator1->perform(NavigateButton::Delete);
  EXPECT_EQ(prompts->shown().back().text, "Delete record?");
  EXPECT_EQ(query().recordCount(), 2u);
  prompts->confirmWith(true);
  window().DBNavigator1->perform(NavigateButton::Delete);
  EXPECT_EQ(query().recordCount(), 1u);

  // The table dataset, opened again, sees both changes.
  chooseTab(QStringLiteral("Orders"));
  chooseTab(QStringLiteral("Customers"));
  EXPECT_EQ(mainData->mdb.recordCount(), 2u);
  EXPECT_TRUE(mainData->mdb.locate(u"Town", u"Bath", {}));
  EXPECT_EQ(mainData->mdb.fieldByName(u"Name").text(), u"Ann");
  EXPECT_FALSE(mainData->mdb.locate(u"Name", u"Cy", {}));

  type(QStringLiteral("SELECT c.Name, o.Amount FROM Customers AS c, Orders AS o WHERE o.CustomerId = c.Id"));
  execute();
  EXPECT_FALSE(query().canModify());
  EXPECT_FALSE(window().DBNavigator1->button(NavigateButton::Insert)->isEnabled());
  try {
    window().DBNavigator1->perform(NavigateButton::Insert);
    ADD_FAILURE() << "a join's rows were inserted into";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Operation must use an updateable query", 0), 0u) << e.what();
  }
  EXPECT_EQ(query().state(), qb::DataSetState::Browse);
}

TEST_F(QueryWindowTest, AnEditedRowReachesTheFileAsAnIndependentReaderSeesIt) {
  if (QProcess::execute("sh", {"-c", "command -v mdb-export >/dev/null"}) != 0) GTEST_SKIP() << "no mdbtools";
  open(path_);
  type(QStringLiteral("SELECT Id, Name FROM Customers WHERE Id = 2"));
  execute();
  query().edit();
  query().fieldByName(u"Name").setText(u"Bea");
  query().save();
  activate(QStringLiteral("Close1"));
  QProcess run;
  run.start(QStringLiteral("mdb-export"), {"-H", "-Q", "-d", ",", path_, "Customers"});
  run.waitForFinished(60000);
  EXPECT_EQ(run.readAllStandardOutput().toStdString(), "1,Ann,Leeds\n2,Bea,York\n3,Cy,Leeds\n");
}

TEST_F(QueryWindowTest, ExecuteWhileARowIsEditedDropsTheEdit) {
  open(path_);
  type(QStringLiteral("SELECT * FROM Customers"));
  execute();
  query().edit();
  query().fieldByName(u"Name").setText(u"Changed");
  prompts->clearShown();
  execute();
  EXPECT_TRUE(prompts->shown().empty()) << "no question";
  EXPECT_EQ(cell(0, 1), "Ann");
}

TEST_F(QueryWindowTest, EditCommandsActOnTheEditorWhereverTheFocusIs) {
  TForm14& w = window();
  w.show();
  QApplication::setActiveWindow(&w);
  type(QStringLiteral("SELECT Name"));
  QTextCursor all = w.Memo1->textCursor();
  all.movePosition(QTextCursor::Start);
  all.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
  w.Memo1->setTextCursor(all);
  w.DBGrid1->setFocus();
  w.Copy1->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), "SELECT ");
  w.Cut1->trigger();
  EXPECT_EQ(w.Memo1->toPlainText(), "Name");
  QApplication::clipboard()->setText(QStringLiteral("x "));
  w.Paste1->trigger();
  EXPECT_EQ(w.Memo1->toPlainText(), "x Name");
}

TEST_F(QueryWindowTest, HidingKeepsTheStatementAndTheResult) {
  open(path_);
  type(QStringLiteral("SELECT * FROM Orders"));
  window().show();
  execute();
  window().close();
  EXPECT_FALSE(window().isVisible());
  activate(QStringLiteral("Query1"));
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(window().Memo1->toPlainText(), "SELECT * FROM Orders");
  EXPECT_EQ(rows(), 4);
}

// Views of the database have tabs and open through the statement engine.
TEST_F(QueryWindowTest, ViewsOpenInTheMainGridAndAFailingOneSaysWhy) {
  QB_REQUIRE_CORPUS();
  open(copyOf("jackcess-V2000-queryTestV2000.mdb"));
  const QStringList tabs = tabCaptions();
  ASSERT_TRUE(tabs.contains("SelectQuery")) << tabs.join(',').toStdString();
  for (const QString& tab : tabs) {
    prompts->clearShown();
    chooseTab(tab);
    if (mainData->mdb.active()) continue;
    ASSERT_EQ(prompts->errorBoxes().size(), 1) << tab.toStdString();
    EXPECT_FALSE(prompts->errorBoxes()[0].isEmpty());
  }
  prompts->clearShown();
  chooseTab(QStringLiteral("SelectQuery"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty()) << prompts->errorBoxes().join('|').toStdString();
  EXPECT_TRUE(mainData->mdb.active());
  EXPECT_EQ(mainData->mdb.fieldCount(), 6u);
}

// Tables made and dropped by statements: the main window's tabs follow at
// once, before the box that says the statement gave no rows; the shown table
// dropped empties the main grid without a crash.
TEST_F(QueryWindowTest, StatementsThatMakeOrDropTablesChangeTheTabsAtOnce) {
  open(path_);
  chooseTab(QStringLiteral("Orders"));
  type(QStringLiteral("CREATE TABLE Made (x LONG)"));
  execute();
  EXPECT_TRUE(tabCaptions().contains("Made"));
  EXPECT_EQ(tabCaptions().size(), 4);
  EXPECT_EQ(Form1->TabControl1->selectedCaption(), "Orders");
  type(QStringLiteral("SELECT * INTO Copy FROM Customers WHERE Town = 'Leeds'"));
  execute();
  EXPECT_TRUE(tabCaptions().contains("Copy"));
  EXPECT_EQ(prompts->errorBoxes(), (QStringList{"ADOQuery1: CommandText does not return a result set.",
                                                "ADOQuery1: CommandText does not return a result set."}));

  chooseTab(QStringLiteral("Copy"));
  ASSERT_EQ(grid().model()->rowCount(), 2);
  prompts->clearShown();
  type(QStringLiteral("DROP TABLE Copy"));
  execute();
  EXPECT_FALSE(tabCaptions().contains("Copy"));
  EXPECT_FALSE(mainData->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0);
  const QStringList boxes = prompts->errorBoxes();
  ASSERT_EQ(boxes.size(), 2) << boxes.join(" | ").toStdString();
  EXPECT_TRUE(boxes[0].contains("Copy")) << boxes[0].toStdString();  // the table that cannot open
  EXPECT_EQ(boxes[1], "ADOQuery1: CommandText does not return a result set.");
  Form1->Timer1Timer();
  EXPECT_EQ(prompts->errorBoxes().size(), 2) << "told once";
}

// The result and the main grid on one table, and another process writing.
TEST_F(QueryWindowTest, TheResultFollowsTheMainGridAndAnotherProcess) {
  open(path_);
  chooseTab(QStringLiteral("Customers"));
  type(QStringLiteral("SELECT Name, Town FROM Customers ORDER BY Name"));
  execute();
  ASSERT_EQ(column(0), (QStringList{"Ann", "Ben", "Cy"}));

  const QString qbtool = QStringLiteral(QB_QBTOOL);
  ASSERT_EQ(QProcess::execute(qbtool, {"sql", path_, "INSERT INTO Customers (Id, Name, Town) VALUES (4, 'Al', 'Ely')"}),
            0);
  Form1->Timer1Timer();
  EXPECT_EQ(column(0), (QStringList{"Al", "Ann", "Ben", "Cy"}));
  EXPECT_EQ(statusText(0), "Count: 4");

  // An edit in the main grid shows in the result; a delete in the result leaves the main grid.
  qb::TableDataSet& mdb = mainData->mdb;
  ASSERT_TRUE(mdb.locate(u"Name", u"Ben", {}));
  mdb.edit();
  mdb.fieldByName(u"Town").setText(u"Bath");
  mdb.save();
  Form1->Timer1Timer();
  EXPECT_EQ(column(1), (QStringList{"Ely", "Leeds", "Bath", "Leeds"}));
  ASSERT_TRUE(query().locate(u"Name", u"Al", {}));
  query().deleteRecord();
  Form1->Timer1Timer();
  EXPECT_EQ(grid().model()->rowCount(), 3);
  EXPECT_EQ(statusText(0), "Count: 3");
  EXPECT_TRUE(prompts->errorBoxes().isEmpty()) << prompts->errorBoxes().join(" | ").toStdString();
}

}  // namespace
