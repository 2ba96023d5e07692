// The window while other programs use the same file: the open procedure
// tells once what it did about a write another program left unfinished, and
// the timer's command makes the current table follow other programs'
// commits (count panel and grid included), but never while a modal window is
// up, a command runs, or a record is being edited. And the main window's
// grid, which repaints with the new rows.
#include <QDialog>
#include <QLabel>
#include <QWidget>
#include <fstream>

#include "app/main_window.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/database_commands.h"
#include "connection/ui/field_link.h"
#include "connection/ui/main_data.h"
#include "connection/ui/tab_strip.h"
#include "fixtures/database_fixture.h"
#include "fixtures/database_view_fixture.h"
#include "fixtures/recording_cursor.h"
#include "fixtures/scripted_prompts.h"
#include "jet/database.h"
#include "jet/table.h"
#include "support/interrupted_write.h"

namespace {

// One table, "Table", no primary key; the other program adds rows to it.
constexpr char kDeletions[] = "jackcess-V2000-delTestV2000.mdb";

void put(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

QStringList messages(const ScriptedPrompts& prompts) {
  QStringList out;
  for (const ShownPrompt& p : prompts.shown()) {
    if (p.kind == PromptKind::MessageBox) out.append(p.text);
  }
  return out;
}

class OtherProgramsTest : public DatabaseViewTest {
 protected:
  // Another program on the same file adds a row to "Table".
  void insertElsewhere(jet::Database& other, const std::u16string& a) {
    const auto t = other.table(u"Table");
    std::vector<jet::Value> row(t->columns().size());
    row[static_cast<std::size_t>(t->findColumn(u"a"))] = jet::Value::text(a);
    t->insertRow(row);
  }
  void follow() { qb::followOtherPrograms(data, view, *prompts); }
};

TEST_F(OtherProgramsTest, TheTableFollowsAnotherProgramsCommitsKeepingTheCurrentRecord) {
  QB_REQUIRE_CORPUS();
  const auto path = scratch.copyCorpusFile(kDeletions);
  openFile(path);
  ASSERT_TRUE(data.mdb.active());
  const std::size_t initial = data.mdb.recordCount();
  ASSERT_GE(initial, 2u);
  data.mdb.moveTo(1);
  const std::u16string current = data.mdb.fieldByName(u"a").text();

  follow();  // nobody else wrote: nothing changes
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: "));

  auto other = jet::Database::open(path);
  insertElsewhere(*other, u"from another program");
  follow();
  EXPECT_EQ(data.mdb.recordCount(), initial + 1);
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: ") + QString::number(initial + 1));
  EXPECT_EQ(data.mdb.fieldByName(u"a").text(), current);
  EXPECT_TRUE(prompts->shown().empty());

  // Not while a modal window is up: the user is answering it.
  {
    QDialog dialog(&window);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    insertElsewhere(*other, u"while a dialog was up");
    follow();
    EXPECT_EQ(data.mdb.recordCount(), initial + 1);
  }
  // Not while a command runs under the busy cursor (it may let the timer in
  // when it lets pending events run).
  {
    ScopedRecordingCursor cursor;
    qb::setBusyCursor();
    follow();
    EXPECT_EQ(data.mdb.recordCount(), initial + 1);
  }
  follow();
  EXPECT_EQ(data.mdb.recordCount(), initial + 2);

  // Not while a record is edited: the typed values stay until the edit ends.
  data.mdb.edit();
  insertElsewhere(*other, u"while editing");
  follow();
  EXPECT_EQ(data.mdb.state(), qb::DataSetState::Edit);
  EXPECT_EQ(data.mdb.recordCount(), initial + 2);
  data.mdb.cancel();
  follow();
  EXPECT_EQ(data.mdb.recordCount(), initial + 3);
  EXPECT_EQ(countPanel.text(), QStringLiteral("Count: ") + QString::number(initial + 3));
  EXPECT_EQ(data.mdb.fieldByName(u"a").text(), current);

  // Closed database: nothing to follow, nothing thrown.
  qb::closeDatabase(data.con, window);
  follow();
  EXPECT_TRUE(prompts->shown().empty());
}

TEST_F(OtherProgramsTest, AWriteLeftUnfinishedIsUndoneOnOpenAndTheUserToldOnce) {
  QB_REQUIRE_CORPUS();
  const auto crash = qbtest::interruptedRowDelete(kDeletions, u"Table");
  const auto path = scratch / "crashed.mdb";
  put(path, crash.crashed);
  put(path.string() + "-journal", crash.journal);

  openFile(path);
  ASSERT_TRUE(data.mdb.active());
  const QStringList shown = messages(*prompts);
  ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
  EXPECT_TRUE(shown[0].contains(QStringLiteral("has been undone"))) << shown[0].toStdString();
  EXPECT_TRUE(shown[0].endsWith(QLatin1Char('.'))) << shown[0].toStdString();
  EXPECT_EQ(qbtest::readFileBytes(path), crash.before);
  EXPECT_FALSE(std::filesystem::exists(path.string() + "-journal"));
  EXPECT_EQ(fileNamePanel.text(), QStringLiteral("Filename:") + QString::fromStdString(path.string()));

  prompts->clearShown();
  follow();
  openFile(path);
  EXPECT_TRUE(prompts->shown().empty()) << "told once";
}

TEST_F(OtherProgramsTest, AJournalOfAnotherFileIsSetAsideOnOpenAndTheUserToldWhere) {
  QB_REQUIRE_CORPUS();
  const auto crash = qbtest::interruptedRowDelete(kDeletions, u"Table");
  const auto path = scratch / "restored.mdb";
  const std::string replacement = qbtest::readFileBytes(scratch.copyCorpusFile("jackcess-V2000-testV2000.mdb"));
  put(path, replacement);  // a backup put back over the crashed file
  put(path.string() + "-journal", crash.journal);

  openFile(path);
  const QStringList shown = messages(*prompts);
  ASSERT_EQ(shown.size(), 1);
  EXPECT_TRUE(shown[0].contains(QStringLiteral("does not belong to the file"))) << shown[0].toStdString();
  EXPECT_TRUE(shown[0].contains(QStringLiteral(".orphan-journal"))) << shown[0].toStdString();
  EXPECT_EQ(qbtest::readFileBytes(path), replacement);
  EXPECT_EQ(tabs.count(), 4);
}

// Another program dies in the middle of a commit while the window has the
// file open: the next tick undoes the write, the view shows the file as it
// was, and the user is told.
TEST_F(OtherProgramsTest, AWriteAnotherProgramLeftUnfinishedWhileTheFileIsOpenIsUndoneByTheTimer) {
  QB_REQUIRE_CORPUS();
  const auto crash = qbtest::interruptedRowDelete(kDeletions, u"Table");
  const auto path = scratch / "shared.mdb";
  put(path, crash.before);
  openFile(path);
  const std::size_t rows = data.mdb.recordCount();
  put(path, crash.crashed);  // in place: the window's open file sees it
  put(path.string() + "-journal", crash.journal);

  follow();
  const QStringList shown = messages(*prompts);
  ASSERT_EQ(shown.size(), 1) << shown.join(" | ").toStdString();
  EXPECT_TRUE(shown[0].contains(QStringLiteral("has been undone"))) << shown[0].toStdString();
  EXPECT_EQ(qbtest::readFileBytes(path), crash.before);
  EXPECT_EQ(data.mdb.recordCount(), rows);
}

using OtherProgramsWindowTest = DatabaseTest;

TEST_F(OtherProgramsWindowTest, TheMainWindowsTimerRepaintsTheGridWithAnotherProgramsRows) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kDeletions);
  open(path);
  const int rows = grid().model()->rowCount();
  ASSERT_GT(rows, 0);
  {
    auto other = jet::Database::open(path.toStdString());
    const auto t = other->table(u"Table");
    std::vector<jet::Value> row(t->columns().size());
    row[static_cast<std::size_t>(t->findColumn(u"a"))] = jet::Value::text(u"from another program");
    t->insertRow(row);
  }
  Form1->Timer1Timer();
  EXPECT_EQ(grid().model()->rowCount(), rows + 1);
  EXPECT_EQ(statusText(0), QStringLiteral("Count: ") + QString::number(rows + 1));
  bool shown = false;
  for (int r = 0; r < grid().model()->rowCount(); ++r) {
    for (int c = 0; c < grid().model()->columnCount(); ++c) shown = shown || cell(r, c) == "from another program";
  }
  EXPECT_TRUE(shown);
}

}  // namespace
