// The database commands on controls made for the test, without the main
// window: the open procedure fills the tabs, caption and file name panel it
// is given, choosing a table follows the tab strip, Quick Open and Close name
// the table or nothing in the caption. And the main window's open dialog,
// which keeps the database last chosen in it for the commands that name it.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "app/main_window.h"
#include "connection/ui/database_commands.h"
#include "connection/ui/field_link.h"
#include "connection/ui/main_data.h"
#include "connection/ui/quick_open_dialog.h"
#include "connection/ui/tab_strip.h"
#include "fixtures/database_fixture.h"
#include "fixtures/database_view_fixture.h"
#include "fixtures/recording_cursor.h"
#include "fixtures/scripted_prompts.h"

namespace {

// Table1 (5 columns, ids 0-3), Table2 (ids 0-2), Table3 (ids 10-13).
constexpr char kThreeTables[] = "jackcess-V2000-indexTestV2000.mdb";

using DatabaseCommandsTest = DatabaseViewTest;

TEST_F(DatabaseCommandsTest, TheOpenProcedureFillsTheControlsItIsGiven) {
  QB_REQUIRE_CORPUS();
  const QString path = QString::fromStdString(scratch.copyCorpusFile(kThreeTables).string());
  memo.setDataSource(&data.DataSource1);
  memo.setDataField(QStringLiteral("otherfk1"));

  qb::openDatabaseFile(data, view, *prompts, path, false, false);
  EXPECT_EQ(tabNames(), (QStringList{"Table1", "Table2", "Table3"}));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillbase ") + path);
  EXPECT_EQ(fileNamePanel.text(), QStringLiteral("Filename:") + path);
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: ")) << "the count is the tab change's";
  EXPECT_TRUE(memo.dataField().isEmpty()) << "unbound before the first table opens";
  ASSERT_TRUE(data.mdb.active());
  EXPECT_EQ(data.mdb.tableName(), u"Table1");
  EXPECT_TRUE(prompts->shown().empty());

  qb::closeDatabase(data.con, window);
  EXPECT_FALSE(data.con.connected());
  EXPECT_FALSE(data.mdb.active());
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillbase"));
  EXPECT_EQ(tabNames().size(), 3) << "the tabs stay";
}

TEST_F(DatabaseCommandsTest, ChoosingATableFollowsTheSelectedTabAndNoTabClosesTheTable) {
  QB_REQUIRE_CORPUS();
  qb::openDatabaseFile(data, view, *prompts,
                       QString::fromStdString(scratch.copyCorpusFile(kThreeTables).string()), false, false);
  memo.setDataField(QStringLiteral("data"));
  tabs.setCurrentIndex(2);
  qb::chooseTable(data, view);
  EXPECT_EQ(data.mdb.tableName(), u"Table3");
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: 4"));
  EXPECT_EQ(memo.dataSource(), &data.DataSource1) << "attached again";
  EXPECT_TRUE(memo.dataField().isEmpty());

  // With no tab selected the table closes, without the busy cursor, and the
  // count stays as it was.
  tabs.removeAllTabs();
  ScopedRecordingCursor cursor;
  qb::chooseTable(data, view);
  EXPECT_FALSE(data.mdb.active());
  EXPECT_TRUE(cursor->steps.isEmpty());
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: 4"));
}

TEST_F(DatabaseCommandsTest, QuickOpenNamesTheTypedTableAndCancelChangesNothing) {
  QB_REQUIRE_CORPUS();
  qb::openDatabaseFile(data, view, *prompts,
                       QString::fromStdString(scratch.copyCorpusFile(kThreeTables).string()), false, false);
  TfrmQuickOpen dialog;
  prompts->modalWith(QDialog::Rejected);
  prompts->modalWith(QDialog::Accepted,
                     [](QDialog& shown) { static_cast<TfrmQuickOpen&>(shown).Edit1->setText("table2"); });
  const QString caption = window.windowTitle();

  qb::quickOpen(data.mdb, dialog, window, *prompts);
  EXPECT_EQ(data.mdb.tableName(), u"Table1");
  EXPECT_EQ(window.windowTitle(), caption);

  qb::quickOpen(data.mdb, dialog, window, *prompts);
  EXPECT_TRUE(data.mdb.active());
  EXPECT_EQ(data.mdb.tableName(), u"table2") << "the name as typed";
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Quillbase - table2"));
  EXPECT_EQ(tabs.selectedCaption(), QStringLiteral("Table1")) << "the tabs are not touched";
}

using OpenDialogTest = DatabaseTest;

TEST_F(OpenDialogTest, TheOpenDialogKeepsTheDatabaseLastChosenInIt) {
  QB_REQUIRE_CORPUS();
  EXPECT_TRUE(Form1->OpenDialog1.fileName().isEmpty());
  const QString first = copyOf(kThreeTables);
  open(first);
  EXPECT_EQ(Form1->OpenDialog1.fileName(), first);

  prompts->openFileWith(std::nullopt);
  activate(QStringLiteral("Open1"));
  EXPECT_EQ(Form1->OpenDialog1.fileName(), first) << "a cancel keeps it";

  const QString second = copyOf(kPasswordFile);
  openWithPassword(second, QStringLiteral("password"));
  EXPECT_EQ(Form1->OpenDialog1.fileName(), second) << "Open PWD uses the same dialog";
  EXPECT_TRUE(Form1->SaveDialog1.fileName().isEmpty());
  EXPECT_TRUE(Form1->SaveDialog2.fileName().isEmpty());
}

}  // namespace
