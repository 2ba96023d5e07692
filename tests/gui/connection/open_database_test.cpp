// Opening and closing databases through the main window: Open, Open PWD,
// Quick Open, Close Database, Open System Tables, and what the window shows
// afterwards (tabs, caption, status bar, the first table in the grid).
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>

#include "app/main_window.h"
#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/quick_open_dialog.h"
#include "connection/ui/tab_strip.h"
#include "fixtures/database_fixture.h"
#include "fixtures/recording_cursor.h"

namespace {

using OpenDatabaseTest = DatabaseTest;

TEST_F(OpenDatabaseTest, OpenShowsTabsCaptionFileNameAndTheFirstTable) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kBaselineFile);
  ScopedRecordingCursor cursor;
  open(path);

  EXPECT_EQ(handlersRun, QStringList{QStringLiteral("Open1Click")});
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(prompts->shown().front().text, QStringLiteral("MDB Files|*.MDB|All Files|*.*"));
  EXPECT_EQ(tabCaptions(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Form1->TabControl1->currentIndex(), 0);
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase ") + path);
  EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + path) << "no space after the colon";
  EXPECT_EQ(statusText(0), QStringLiteral("Count: ")) << "only a tab change writes the count";
  EXPECT_EQ(Form1->mdb.tableName(), u"Table1");
  EXPECT_TRUE(Form1->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 2);
  EXPECT_EQ(grid().columnCount(), 9);
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "events", "events", "normal"}));
}

TEST_F(OpenDatabaseTest, CancellingTheFileDialogChangesNothing) {
  prompts->openFileWith(std::nullopt);
  activate(QStringLiteral("Open1"));
  prompts->openFileWith(std::nullopt);
  activate(QStringLiteral("OpenPWD1"));
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase"));
  EXPECT_EQ(prompts->shown().size(), 2u) << "no password box after a cancelled file dialog";
  EXPECT_FALSE(Form1->con.connected());
}

TEST_F(OpenDatabaseTest, OpenToolButtonAndF2RunTheSameCommand) {
  QB_REQUIRE_CORPUS();
  prompts->openFileWith(copyOf(kUnicodeFile));
  EXPECT_EQ(activate(QStringLiteral("ToolButton1")), (QStringList{"ToolButton1Click", "Open1Click"}));
  EXPECT_EQ(tabCaptions(), QStringList{"Table"});
  EXPECT_EQ(Form1->Open1->shortcut(), QKeySequence(Qt::Key_F2));
}

TEST_F(OpenDatabaseTest, PasswordIsAskedInAPlainBoxAndOpensTheFile) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kPasswordFile);
  ScopedRecordingCursor cursor;
  openWithPassword(path, QStringLiteral("password"));

  const ShownPrompt& box = prompts->shown().at(1);
  EXPECT_EQ(box.kind, PromptKind::InputBox);
  EXPECT_EQ(box.caption, QStringLiteral("Enter Password"));
  EXPECT_EQ(box.text, QStringLiteral("Password:"));
  EXPECT_EQ(box.start.toString(), QString());
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(tabCaptions(), QStringList{"Table1"}) << "one tab also for a single table";
  EXPECT_EQ(cell(2, 1), QStringLiteral("Three"));
  // The busy cursor stays while the box is up.
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "events", "events", "normal"}));
}

TEST_F(OpenDatabaseTest, WrongOrMissingPasswordShowsOneErrorAndLeavesTheWindowAsItWas) {
  QB_REQUIRE_CORPUS();
  const QString first = copyOf(kUnicodeFile);
  open(first);
  const QString locked = copyOf(kPasswordFile);

  for (const std::optional<QString>& password :
       {std::optional<QString>(QStringLiteral("wrong")), std::optional<QString>()}) {
    prompts->clearShown();
    ScopedRecordingCursor cursor;
    openWithPassword(locked, password);
    ASSERT_EQ(prompts->errorBoxes().size(), 1) << "the first failure is dropped, the second shown";
    EXPECT_TRUE(prompts->errorBoxes().front().contains(QStringLiteral("password")));
    EXPECT_TRUE(tabCaptions().isEmpty());
    EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase ") + first);
    EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + first);
    EXPECT_FALSE(Form1->mdb.active());
    EXPECT_EQ(grid().model()->rowCount(), 0);
    EXPECT_EQ(cursor->shape(), Qt::ArrowCursor);
  }

  prompts->clearShown();
  open(locked);
  EXPECT_EQ(prompts->errorBoxes().size(), 1) << "Open asks for no password";
  EXPECT_EQ(prompts->shown().size(), 2u);
}

TEST_F(OpenDatabaseTest, PasswordBoxOnAFileWithoutPasswordOpensIt) {
  QB_REQUIRE_CORPUS();
  openWithPassword(copyOf(kUnicodeFile), std::nullopt);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(tabCaptions(), QStringList{"Table"});
}

TEST_F(OpenDatabaseTest, FileThatIsNotADatabaseShowsTheEngineErrorOnce) {
  QB_REQUIRE_CORPUS();
  const QString good = copyOf(kUnicodeFile);
  open(good);
  const QString text = scratchFile("notes.txt");
  QFile file(text);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(8192, 'x'));
  file.close();

  prompts->clearShown();
  open(text);
  EXPECT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(tabCaptions().isEmpty());
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase ") + good);

  prompts->clearShown();
  open(scratchFile("missing.mdb"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1);
}

TEST_F(OpenDatabaseTest, DatabaseWithoutTablesLeavesTabsAndGridEmptyAndFileNameUnchanged) {
  QB_REQUIRE_CORPUS();
  const QString first = copyOf(kUnicodeFile);
  open(first);
  const QString empty = copyOf(kEmptyFile);
  open(empty);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_TRUE(tabCaptions().isEmpty());
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase ") + empty);
  EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + first);
  EXPECT_FALSE(Form1->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0);
  EXPECT_EQ(grid().columnCount(), 1) << "the single empty column";
  EXPECT_TRUE(Form1->con.connected());
}

TEST_F(OpenDatabaseTest, SystemTablesGetTabsAfterTheNextOpenOnly) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kEmptyFile);
  open(path);
  ASSERT_TRUE(tabCaptions().isEmpty());
  activate(QStringLiteral("OpenSystemTables1"));
  EXPECT_TRUE(Form1->OpenSystemTables1->isChecked());
  EXPECT_TRUE(tabCaptions().isEmpty()) << "the option alone changes nothing on screen";

  open(path);
  const QStringList withSystem = tabCaptions();
  ASSERT_FALSE(withSystem.isEmpty());
  for (const QString& name : withSystem)
    EXPECT_TRUE(name.startsWith(QStringLiteral("MSys"))) << name.toStdString();
  EXPECT_EQ(Form1->mdb.tableName(), withSystem.front().toStdU16String());
  EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + path);

  activate(QStringLiteral("OpenSystemTables1"));
  open(path);
  EXPECT_TRUE(tabCaptions().isEmpty());
}

TEST_F(OpenDatabaseTest, FirstTableThatCannotOpenUnderTheFilterIsNotReported) {
  QB_REQUIRE_CORPUS();
  open(copyOf(kUnicodeFile));
  Form1->Edit2->setText(QStringLiteral("Unicode <> ''"));
  activate(QStringLiteral("FilterButton1"));
  ASSERT_TRUE(Form1->mdb.filtered());

  // Table1 of the baseline file has no field "Unicode".
  prompts->clearShown();
  const QString other = copyOf(kBaselineFile);
  open(other);
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_FALSE(Form1->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0);
  EXPECT_EQ(tabCaptions().size(), 4);
  EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + other) << "also when the first table failed";

  // A table that has the field opens already filtered.
  open(copyOf(kUnicodeFile));
  EXPECT_TRUE(Form1->mdb.active());
  EXPECT_TRUE(Form1->mdb.filtered());
}

TEST_F(OpenDatabaseTest, OpeningKeepsTheSortBoxAndTheCount) {
  QB_REQUIRE_CORPUS();
  open(copyOf(kUnicodeFile));
  chooseTab(QStringLiteral("Table"));  // already selected: nothing runs
  EXPECT_TRUE(handlersRun.isEmpty());
  Form1->Edit3->setText(QStringLiteral("ID DESC"));
  Form1->statusPanel(0)->setText(QStringLiteral("Count: 8"));
  open(copyOf(kPasswordFile));  // fails without its password
  open(copyOf(kBaselineFile));
  EXPECT_EQ(Form1->Edit3->text(), QStringLiteral("ID DESC"));
  EXPECT_EQ(statusText(0), QStringLiteral("Count: 8"));
}

TEST_F(OpenDatabaseTest, OpeningUnbindsTheMemoWindowFromItsField) {
  QB_REQUIRE_CORPUS();
  frmMemo->DBMemo1->setDataField(QStringLiteral("Unicode"));
  open(copyOf(kUnicodeFile));
  EXPECT_TRUE(frmMemo->DBMemo1->dataField().isEmpty());
}

TEST_F(OpenDatabaseTest, QuickOpenOpensTheTypedTableAndNamesItInTheCaption) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kBaselineFile);
  open(path);
  const QString count = statusText(0);
  prompts->modalWith(QDialog::Accepted,
                     [](QDialog&) { frmQuickOpen->Edit1->setText(QStringLiteral("table2")); });
  activate(QStringLiteral("QuickOpen1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(Form1->mdb.tableName(), u"table2");
  EXPECT_TRUE(Form1->mdb.active());
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase - table2"));
  EXPECT_EQ(Form1->TabControl1->currentIndex(), 0) << "the tabs are not touched";
  EXPECT_EQ(statusText(0), count);

  // Choosing another tab makes tab and table agree again.
  chooseTab(QStringLiteral("Table3"));
  EXPECT_EQ(Form1->mdb.tableName(), u"Table3");
}

TEST_F(OpenDatabaseTest, QuickOpenErrorsReachTheErrorBoxWithTheTableClosed) {
  QB_REQUIRE_CORPUS();
  // Nothing opened since the start: no connection string.
  prompts->modalWith(QDialog::Accepted,
                     [](QDialog&) { frmQuickOpen->Edit1->setText(QStringLiteral("Table1")); });
  activate(QStringLiteral("QuickOpen1"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase"));

  const QString path = copyOf(kBaselineFile);
  open(path);
  prompts->clearShown();
  prompts->modalWith(QDialog::Accepted,
                     [](QDialog&) { frmQuickOpen->Edit1->setText(QStringLiteral("Nowhere")); });
  activate(QStringLiteral("QuickOpen1"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes().front().contains(QStringLiteral("Nowhere")));
  EXPECT_FALSE(Form1->mdb.active());
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase ") + path);
  EXPECT_EQ(tabCaptions().size(), 4);

  // Cancel changes nothing, and the dialog keeps its text.
  prompts->clearShown();
  prompts->modalWith(QDialog::Rejected);
  activate(QStringLiteral("QuickOpen1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(frmQuickOpen->Edit1->text(), QStringLiteral("Nowhere"));
}

TEST_F(OpenDatabaseTest, CloseEmptiesTheGridAndKeepsTabsAndPanels) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kBaselineFile);
  open(path);
  chooseTab(QStringLiteral("Table2"));
  const QString count = statusText(0);
  activate(QStringLiteral("Close1"));
  EXPECT_FALSE(Form1->con.connected());
  EXPECT_FALSE(Form1->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0);
  EXPECT_EQ(grid().columnCount(), 1);
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase"));
  EXPECT_EQ(tabCaptions().size(), 4);
  EXPECT_EQ(statusText(0), count);
  EXPECT_EQ(statusText(3), QStringLiteral("Filename:") + path);

  // Choosing a tab connects again with the last connection string.
  chooseTab(QStringLiteral("Table1"));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_TRUE(Form1->con.connected());
  EXPECT_EQ(grid().model()->rowCount(), 2);
  EXPECT_EQ(Form1->windowTitle(), QStringLiteral("Quillbase")) << "a tab change sets no caption";

  activate(QStringLiteral("Close1"));
  activate(QStringLiteral("Close1"));  // closing twice is harmless
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
}

TEST_F(OpenDatabaseTest, PathWithSeparatorsAndQuotesOpensThatFileOnly) {
  QB_REQUIRE_CORPUS();
  // A path can hold what a connection string uses as syntax; it must still
  // name just the file.
  const std::filesystem::path folder = scratch / "a;Password=x 'b'";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / "db;Mode=Read.mdb";
  std::filesystem::copy_file(scratch.copyCorpusFile(kUnicodeFile), file);
  open(QString::fromStdString(file.string()));
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(tabCaptions(), QStringList{"Table"});
  EXPECT_TRUE(Form1->mdb.canModify());
}

TEST_F(OpenDatabaseTest, FormCreateShowsTheEngineVersion) {
  EXPECT_EQ(statusText(2), QStringLiteral("MDAC: ") + QString::fromStdU16String(qb::Connection::version()));
}

}  // namespace
