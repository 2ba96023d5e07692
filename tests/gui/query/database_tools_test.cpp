// The database tools as a user runs them from the main window: Repair and
// Compact on good, protected, foreign, busy and open files; New Blank Database
// on new and existing names; the version box; Open Report with and without an
// office application to drive. A compaction or a new file made here is the
// same as qbtool makes of the same file.
#include <QFileInfo>
#include <QProcess>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "connection/automation.h"
#include "connection/connection.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/main_data.h"
#include "fixtures/database_fixture.h"
#include "fixtures/recording_cursor.h"
#include "jet/database.h"
#include "jet/error.h"
#include "query/database_files.h"

namespace {

namespace fs = std::filesystem;

// Rows deleted and not yet compacted away.
constexpr char kDeletedRows[] = "jackcess-V2000-delTestV2000.mdb";

struct ToolRun {
  int exitCode = -1;
  QString out;
};

ToolRun qbtool(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(QB_QBTOOL), args);
  process.waitForFinished(120000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

// What the temporary folder holds that a compaction's copy would be named.
QStringList scratchNamesInTemp() {
  QStringList names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path(), ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("~SM", 0) == 0) names.append(QString::fromStdString(name));
  }
  return names;
}

QStringList folderNames(const fs::path& folder) {
  QStringList names;
  for (const auto& entry : fs::directory_iterator(folder)) names.append(QString::fromStdString(entry.path().filename().string()));
  names.sort();
  return names;
}

std::string bytesOf(const QString& path) {
  return qbtest::readFileBytes(path.toStdString());
}

class DatabaseToolsTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    if (!qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";
  }

  // Tools ▸ Repair and Compact with `path` chosen in the open dialog.
  void compact(const QString& path) {
    prompts->openFileWith(path);
    activate(QStringLiteral("RepairandCompact1"));
  }
  // File ▸ New Blank Database with `typed` chosen in the save dialog.
  void create(const QString& typed) {
    prompts->saveFileWith(typed);
    activate(QStringLiteral("NewBlankDatabase1"));
  }
  QStringList messageBoxes() const {
    QStringList texts;
    for (const ShownPrompt& shown : prompts->shown()) {
      if (shown.kind == PromptKind::MessageBox) texts.append(shown.text);
    }
    return texts;
  }
  qb::Connection& con() const { return mainData->con; }

  ScopedRecordingCursor cursor;
};

TEST_F(DatabaseToolsTest, CancellingTheDialogsShowsNothingAndTouchesNothing) {
  prompts->openFileWith(std::nullopt);
  activate(QStringLiteral("RepairandCompact1"));
  prompts->saveFileWith(std::nullopt);
  activate(QStringLiteral("NewBlankDatabase1"));
  ASSERT_EQ(prompts->shown().size(), 2u);
  EXPECT_EQ(prompts->shown()[0].kind, PromptKind::OpenFile);
  EXPECT_EQ(prompts->shown()[0].text, "MDB Files|*.MDB|All Files|*.*") << "the Open command's dialog";
  EXPECT_EQ(prompts->shown()[1].kind, PromptKind::SaveFile);
  EXPECT_EQ(prompts->shown()[1].text, "Access Database (*.MDB)|*.MDB");
  EXPECT_EQ(prompts->shown()[1].caption, "MDB");
  EXPECT_TRUE(cursor->steps.isEmpty());
  EXPECT_TRUE(folderNames(scratch.path()).isEmpty());
}

TEST_F(DatabaseToolsTest, CompactionReplacesTheFileWithTheCopyQbtoolMakesAndKeepsItsRowsAndPermissions) {
  const QString path = copyOf(kDeletedRows);
  const fs::path byTool = scratch / "by-qbtool.mdb";
  fs::copy_file(path.toStdString(), byTool);
  fs::permissions(path.toStdString(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const QString rowsBefore = qbtool({"export", path, "Table"}).out;
  const auto sizeBefore = fs::file_size(path.toStdString());
  const QStringList tempBefore = scratchNamesInTemp();

  compact(path);
  EXPECT_EQ(messageBoxes(), QStringList{"Complete"});
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
  EXPECT_LT(fs::file_size(path.toStdString()), sizeBefore);
  EXPECT_EQ(qbtool({"export", path, "Table"}).out, rowsBefore);
  const ToolRun check = qbtool({"check", "--strict", path});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
  EXPECT_EQ(fs::status(path.toStdString()).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(scratchNamesInTemp(), tempBefore) << "nothing is written to the temporary folder";
  EXPECT_EQ(folderNames(scratch.path()), (QStringList{"by-qbtool.mdb", kDeletedRows}));

  ASSERT_EQ(qbtool({"compact", QString::fromStdString(byTool.string())}).exitCode, 0);
  EXPECT_EQ(bytesOf(path), qbtest::readFileBytes(byTool)) << "the same compacted file as qbtool's";
}

TEST_F(DatabaseToolsTest, AFileThatCannotBeCompactedIsLeftAsItWasAndTheReasonIsShown) {
  const QString protectedFile = copyOf(kPasswordFile);
  const QString text = scratchFile("password-notes.mdb");  // the name alone asks for no password
  std::ofstream(text.toStdString()) << "Not a database, just some text.\n";
  const QString busy = copyOf(kTextTable);
  const auto holder = jet::Database::open(busy.toStdString());  // another program has it open
  const QString missing = scratchFile("missing.mdb");

  const std::vector<std::pair<QString, const char*>> cases{
      {protectedFile, "protected by a database password"},
      {text, "not an Access database"},
      {busy, "open in another program"},
      {missing, "missing.mdb"},
  };
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path.toStdString());
    const std::string before = fs::exists(path.toStdString()) ? bytesOf(path) : std::string();
    prompts->clearShown();
    cursor->steps.clear();
    compact(path);
    EXPECT_TRUE(messageBoxes().isEmpty()) << "no \"Complete\" after a failure";
    ASSERT_EQ(prompts->errorBoxes().size(), 1);
    const QString error = prompts->errorBoxes().constFirst();
    EXPECT_TRUE(error.contains(QString::fromLatin1(reason))) << error.toStdString();
    EXPECT_TRUE(error.contains(QFileInfo(path).fileName())) << "names the file: " << error.toStdString();
    EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"})) << "the normal cursor is back before the box";
    if (!before.empty()) {
      EXPECT_EQ(bytesOf(path), before);
    }
  }
  EXPECT_FALSE(fs::exists(missing.toStdString()));
  EXPECT_EQ(folderNames(scratch.path()), (QStringList{kTextTable, kPasswordFile, "password-notes.mdb"}));
}

TEST_F(DatabaseToolsTest, CompactingTheOpenDatabaseClosesItFirstAndATabConnectsAgain) {
  const QString path = copyOf(kBaselineFile);
  open(path);
  ASSERT_TRUE(con().connected());
  const QString firstCell = cell(0, 0);
  ASSERT_FALSE(firstCell.isEmpty());
  const QString caption = Form1->windowTitle();

  compact(path);
  EXPECT_EQ(messageBoxes(), QStringList{"Complete"});
  EXPECT_TRUE(prompts->errorBoxes().isEmpty());
  EXPECT_FALSE(con().connected()) << "left closed";
  EXPECT_FALSE(mainData->mdb.active());
  EXPECT_EQ(grid().model()->rowCount(), 0) << "the grid empties";
  EXPECT_EQ(tabCaptions(), (QStringList{"Table1", "Table2", "Table3", "Table4"}));
  EXPECT_EQ(Form1->windowTitle(), caption);
  const ToolRun check = qbtool({"check", "--strict", path});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();

  chooseTab(QStringLiteral("Table2"));
  EXPECT_TRUE(con().connected()) << "choosing a tab connects again";
  chooseTab(QStringLiteral("Table1"));
  EXPECT_EQ(cell(0, 0), firstCell);
}

TEST_F(DatabaseToolsTest, CompactingAnotherFileLeavesTheOpenDatabaseOpen) {
  const QString openFile = copyOf(kBaselineFile);
  const QString other = copyOf(kDeletedRows);
  open(openFile);
  compact(other);
  EXPECT_EQ(messageBoxes(), QStringList{"Complete"});
  EXPECT_TRUE(con().connected());
  EXPECT_TRUE(mainData->mdb.active());

  // The open database's own file under another name is still that file.
  const QString link = scratchFile("link.mdb");
  fs::create_symlink(openFile.toStdString(), link.toStdString());
  prompts->clearShown();
  const auto sizeBefore = fs::file_size(openFile.toStdString());
  compact(link);
  EXPECT_EQ(messageBoxes(), QStringList{"Complete"});
  EXPECT_FALSE(con().connected());
  EXPECT_TRUE(fs::is_symlink(link.toStdString())) << "the link stays a link";
  EXPECT_LT(fs::file_size(openFile.toStdString()), sizeBefore) << "and the file it leads to is compacted";
}

TEST_F(DatabaseToolsTest, NewBlankDatabaseAddsTheExtensionShowsNothingAndMatchesQbtool) {
  create(scratchFile("fresh"));
  const QString made = scratchFile("fresh.MDB");
  ASSERT_TRUE(fs::exists(made.toStdString()));
  EXPECT_EQ(prompts->shown().size(), 1u) << "success shows nothing";
  EXPECT_FALSE(con().connected()) << "the new file is not opened";
  EXPECT_TRUE(tabCaptions().isEmpty());

  const QString byTool = scratchFile("tool.mdb");
  ASSERT_EQ(qbtool({"create", byTool}).exitCode, 0);
  EXPECT_EQ(qbtool({"tables", "--system", made}).out, qbtool({"tables", "--system", byTool}).out);
  EXPECT_EQ(fs::file_size(made.toStdString()), fs::file_size(byTool.toStdString()));
  const ToolRun check = qbtool({"check", "--strict", made});
  EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
  // The file is closed again: it opens for writing.
  EXPECT_FALSE(jet::Database::open(made.toStdString())->isReadOnly());
}

TEST_F(DatabaseToolsTest, NewBlankDatabaseOnAnExistingFileOrAMissingFolderSaysWhyAndLeavesThingsAsTheyWere) {
  const QString existing = copyOf(kBaselineFile);
  const std::string before = bytesOf(existing);
  create(existing);
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].contains("exists already")) << prompts->errorBoxes()[0].toStdString();
  EXPECT_EQ(bytesOf(existing), before);

  prompts->clearShown();
  create(scratchFile("nowhere/new.mdb"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].contains("does not exist")) << prompts->errorBoxes()[0].toStdString();
  EXPECT_EQ(folderNames(scratch.path()), QStringList{kBaselineFile});
}

TEST_F(DatabaseToolsTest, TheVersionShowsBeforeAnyDatabaseIsOpened) {
  activate(QStringLiteral("ShowMDACVersioninstalled1"));
  const QString version = QString::fromStdU16String(qb::Connection::version());
  ASSERT_FALSE(version.isEmpty());
  EXPECT_EQ(messageBoxes(), QStringList{"MDAC Version: " + version});
  EXPECT_EQ(statusText(2), "MDAC: " + version) << "the same version as the status bar's";
}

TEST(TempNameTest, NamesAFreshScratchFileInTheTemporaryFolderAndLeavesNoFile) {
  const fs::path first = qb::makeTempName();
  const fs::path second = qb::makeTempName();
  EXPECT_EQ(first.parent_path(), fs::temp_directory_path());
  EXPECT_EQ(first.filename().string().rfind("~SM", 0), 0u) << first;
  EXPECT_NE(first, second);
  EXPECT_FALSE(fs::exists(first));
  EXPECT_FALSE(fs::exists(second));

  // No usable folder, no name.
  const char* saved = std::getenv("TMPDIR");
  const std::string previous = saved != nullptr ? saved : "";
  qbtest::TempDir dir;
  ::setenv("TMPDIR", (dir / "missing").c_str(), 1);
  EXPECT_TRUE(qb::makeTempName().empty());
  if (saved != nullptr) {
    ::setenv("TMPDIR", previous.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

// An office application for Open Report to drive, recording the calls.
class RecordedAccess final : public qb::AccessApplication {
 public:
  RecordedAccess(QStringList& calls, bool failOpening) : calls_(calls), failOpening_(failOpening) {}
  ~RecordedAccess() override { calls_.append("released"); }
  void setVisible(bool visible) override { calls_.append(visible ? "Visible" : "hidden"); }
  void OpenCurrentDatabase(std::u16string_view path, bool exclusive) override {
    calls_.append("Open " + QString::fromStdU16String(std::u16string(path)) + (exclusive ? " exclusive" : ""));
    if (failOpening_) throw jet::Error(jet::ErrorCode::NotFound, "The file 'Books.mdb' could not be found");
  }
  void CloseCurrentDatabase() override { calls_.append("Close"); }

 private:
  QStringList& calls_;
  bool failOpening_;
};

class AccessRegistration {
 public:
  explicit AccessRegistration(qb::AutomationClass definition)
      : previous_(qb::registerAutomationClass(u"Access.Application", std::move(definition))) {}
  ~AccessRegistration() { qb::registerAutomationClass(u"Access.Application", std::move(previous_)); }

 private:
  qb::AutomationClass previous_;
};

TEST_F(DatabaseToolsTest, OpenReportWithoutAccessShowsWhyAndOtherwiseDrivesItInOrder) {
  activate(QStringLiteral("OpenReport1"));
  ASSERT_EQ(prompts->errorBoxes().size(), 1);
  EXPECT_TRUE(prompts->errorBoxes()[0].startsWith("Microsoft Access is not available on this system"));
  EXPECT_TRUE(prompts->errorBoxes()[0].endsWith(".")) << "the error box's full stop";

  QStringList calls;
  const auto make = [&](const char* how, bool fail) {
    return [&calls, how, fail] {
      calls.append(QString::fromLatin1(how));
      return std::unique_ptr<qb::AutomationObject>(new RecordedAccess(calls, fail));
    };
  };
  {
    AccessRegistration onlyNew({make("made", false), {}});
    prompts->clearShown();
    activate(QStringLiteral("OpenReport1"));
    EXPECT_TRUE(prompts->shown().empty());
    EXPECT_EQ(calls, (QStringList{"made", "Visible", "Open C:\\My Documents\\Books.mdb exclusive", "Close",
                                  "released"}));
  }
  {
    // A running instance is preferred; a failing step ends the command, and
    // the instance is released all the same.
    AccessRegistration running({make("made", false), make("attached", true)});
    calls.clear();
    activate(QStringLiteral("OpenReport1"));
    EXPECT_EQ(calls, (QStringList{"attached", "Visible", "Open C:\\My Documents\\Books.mdb exclusive", "released"}));
    EXPECT_EQ(prompts->errorBoxes(), QStringList{"The file 'Books.mdb' could not be found."});
  }
  prompts->clearShown();
  activate(QStringLiteral("OpenReport1"));
  EXPECT_EQ(prompts->errorBoxes().size(), 1) << "the registry is as it was";
}

}  // namespace
