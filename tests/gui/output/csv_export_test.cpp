// CSV export: the lines (commas, no quoting, trimming at the line's ends
// only), the walk over what the grid shows (visible columns in grid order,
// filter and sort), the file (replaced, created as named, UTF-8, CR LF) and
// how each error ends the export.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <filesystem>

#include "app/main_window.h"
#include "connection/memory_table.h"
#include "connection/ui/data_grid.h"
#include "connection/value_text.h"
#include "fixtures/database_fixture.h"
#include "fixtures/list_columns.h"
#include "fixtures/recording_cursor.h"
#include "fixtures/scripted_prompts.h"
#include "jet/error.h"
#include "output/csv_lines.h"
#include "output/export_commands.h"
#include "output/export_file.h"
#include "support/test_files.h"
#include "ui_services/file_dialog.h"

namespace {

using qbtest::MemoryTable;
using qbtest::memoryColumn;

jet::Value text(const char16_t* value) {
  return jet::Value::text(value);
}

class CsvExportTest : public ::testing::Test {
 protected:
  // A table of text columns A and B.
  void twoTextColumns(std::initializer_list<std::pair<jet::Value, jet::Value>> rows) {
    table.columns = {memoryColumn(u"A", jet::DataType::Text), memoryColumn(u"B", jet::DataType::Text)};
    for (const auto& [a, b] : rows) table.add({a, b});
  }

  // Opens the dataset over the table with every field in a visible column.
  void open() {
    data.open();
    columns = ListColumns();
    for (std::size_t i = 0; i < data.fieldCount(); ++i) {
      columns.columns.push_back({QString::fromStdU16String(data.field(i).fieldName())});
    }
  }

  // Exports to `name` in the scratch folder; returns the file's bytes.
  std::string exportTo(const std::string& name = "out.TXT") {
    const QString path = QString::fromStdString((scratch / name).string());
    prompts.saveFileWith(path);
    qb::exportToCsv(data, columns, saveDialog, prompts, settings);
    return std::filesystem::exists(scratch / name) ? qbtest::readFileBytes(scratch / name) : std::string("(none)");
  }

  MemoryTable table;
  qbtest::MemoryDataSet data{table};
  ListColumns columns;
  ScriptedPrompts prompts;
  qb::FileDialog saveDialog{qb::FileDialog::Kind::Save, QStringLiteral("CSV Text File|*.TXT")};
  qb::FormatSettings settings;
  qbtest::TempDir scratch;
};

std::u16string csvLine(const std::vector<std::u16string>& values) {
  std::u16string buffer = u"left over from the line before";
  return std::u16string(qb::csvLine(values, buffer));
}

TEST(CsvLineTest, JoinsWithCommasWithoutQuotingAndTrimsOnlyTheLineEnds) {
  using Values = std::vector<std::u16string>;
  EXPECT_EQ(csvLine(Values{u"x", u"y"}), u"x,y");
  EXPECT_EQ(csvLine(Values{u"1,5", u"z"}), u"1,5,z") << "a comma inside a value is not quoted";
  EXPECT_EQ(csvLine(Values{u"", u"w"}), u",w");
  EXPECT_EQ(csvLine(Values{u"a", u""}), u"a,") << "an empty last value leaves the comma";
  EXPECT_EQ(csvLine(Values{u"  lead", u"mid  dle", u"trail  "}), u"lead,mid  dle,trail");
  EXPECT_EQ(csvLine(Values{u"a ", u" b"}), u"a , b") << "blanks next to inner commas stay";
  EXPECT_EQ(csvLine(Values{u"\t\x01x", u"y\r\n"}), u"x,y") << "control characters count as blanks";
  EXPECT_EQ(csvLine(Values{u" ", u"", u" "}), u",,") << "all blank: only the commas";
  EXPECT_EQ(csvLine(Values{u"   "}), u"") << "one blank column: an empty line";
  EXPECT_EQ(csvLine(Values{}), u"") << "no visible column";
  EXPECT_EQ(csvLine(Values{u"quote \"q\"", u"é€"}), u"quote \"q\",é€");
}

TEST_F(CsvExportTest, WritesEachRecordAsOneLineWithCrLfAndSaysExportComplete) {
  twoTextColumns({{text(u"x"), text(u"y")}, {text(u"1,5"), text(u"z")}, {jet::Value(), text(u"w")}});
  open();
  EXPECT_EQ(exportTo(), "x,y\r\n1,5,z\r\n,w\r\n");
  ASSERT_EQ(prompts.shown().size(), 2u);
  EXPECT_EQ(prompts.shown()[0].kind, PromptKind::SaveFile);
  EXPECT_EQ(prompts.shown()[0].text, "CSV Text File|*.TXT");
  EXPECT_EQ(prompts.shown()[0].caption, "") << "no default extension";
  EXPECT_EQ(prompts.shown()[1].kind, PromptKind::MessageBox);
  EXPECT_EQ(prompts.shown()[1].text, "Export Complete");
  EXPECT_TRUE(data.eof());
  EXPECT_EQ(data.recordNumber(), 3) << "the last record is current after";
}

TEST_F(CsvExportTest, HiddenColumnsAreLeftOutAndMovedColumnsMove) {
  table.columns = {memoryColumn(u"A", jet::DataType::Text), memoryColumn(u"B", jet::DataType::Long),
                   memoryColumn(u"C", jet::DataType::Text)};
  table.add({text(u"a1"), jet::Value::longInt(-7), text(u"c1")});
  open();
  columns.setVisible(1, false);
  EXPECT_EQ(exportTo("one.TXT"), "a1,c1\r\n");
  std::swap(columns.columns[0], columns.columns[2]);
  columns.setVisible(1, true);
  EXPECT_EQ(exportTo("two.TXT"), "c1,-7,a1\r\n") << "grid order: C moved to the front, B shown again";
  for (auto& column : columns.columns) column.visible = false;
  table.add({text(u"a2"), jet::Value(), jet::Value()});
  data.close();
  data.open();
  for (auto& column : columns.columns) column.visible = false;
  EXPECT_EQ(exportTo("three.TXT"), "\r\n\r\n") << "with no visible column every line is empty";
}

TEST_F(CsvExportTest, FollowsTheFilterAndTheSort) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text), memoryColumn(u"Qty", jet::DataType::Long)};
  table.add({text(u"pear"), jet::Value::longInt(3)});
  table.add({text(u"apple"), jet::Value::longInt(9)});
  table.add({text(u"fig"), jet::Value::longInt(1)});
  table.add({text(u"kiwi"), jet::Value::longInt(5)});
  open();
  data.setFilter(u"Qty > 2");
  data.setFiltered(true);
  data.setSort(u"Name");
  EXPECT_EQ(exportTo(), "apple,9\r\nkiwi,5\r\npear,3\r\n");
}

TEST_F(CsvExportTest, ValuesUseTheGeneralConversionAndTextIsUtf8) {
  table.columns = {memoryColumn(u"T", jet::DataType::Text), memoryColumn(u"D", jet::DataType::DateTime),
                   memoryColumn(u"Yes", jet::DataType::Boolean), memoryColumn(u"Memo", jet::DataType::Memo)};
  const auto date = [](int y, int m, int d, int h, int n) {
    return jet::Value::dateTime(jet::fromCivil({y, m, d, h, n, 0, 0}));
  };
  table.add({text(u"Grüße 日本"), date(2003, 5, 1, 0, 0), jet::Value::boolean(true), text(u"two\r\nlines")});
  table.add({text(u"t"), date(1899, 12, 30, 14, 5), jet::Value::boolean(false), jet::Value()});
  open();
  EXPECT_EQ(exportTo(),
            "Grüße 日本,5/1/2003,True,two\r\nlines\r\n"
            "t,2:05:00 PM,False,\r\n")
      << "midnight gives the date alone, day zero the time alone; a memo's line break splits the record";
}

TEST_F(CsvExportTest, AnEmptyTableGivesAnEmptyFileAndStillCompletes) {
  twoTextColumns({});
  open();
  EXPECT_EQ(exportTo(), "");
  EXPECT_EQ(prompts.shown().back().text, "Export Complete");
}

TEST_F(CsvExportTest, ReplacesAnExistingFileWithoutAQuestionAndUsesANameAsTyped) {
  twoTextColumns({{text(u"new"), text(u"line")}});
  open();
  {
    QFile old(QString::fromStdString((scratch / "old.TXT").string()));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(std::string(5000, 'o').c_str());
  }
  EXPECT_EQ(exportTo("old.TXT"), "new,line\r\n");
  EXPECT_EQ(exportTo("noextension"), "new,line\r\n");
  EXPECT_FALSE(std::filesystem::exists(scratch / "noextension.TXT"));
  for (const ShownPrompt& shown : prompts.shown()) EXPECT_NE(shown.kind, PromptKind::Confirm);
  EXPECT_EQ(saveDialog.fileName(), QString::fromStdString((scratch / "noextension").string()))
      << "the dialog keeps the last name";
}

TEST_F(CsvExportTest, CancellingTheDialogDoesNothing) {
  twoTextColumns({{text(u"a"), text(u"b")}, {text(u"c"), text(u"d")}});
  open();
  data.last();
  ScopedRecordingCursor cursor;
  prompts.saveFileWith(std::nullopt);
  qb::exportToCsv(data, columns, saveDialog, prompts, settings);
  EXPECT_EQ(prompts.shown().size(), 1u);
  EXPECT_EQ(data.recordNumber(), 2) << "nothing moved";
  EXPECT_TRUE(cursor->steps.isEmpty());
}

TEST_F(CsvExportTest, ABinaryColumnStopsTheExportAtItsFirstValueKeepingTheLinesBefore) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text), memoryColumn(u"Raw", jet::DataType::Binary, 8),
                   memoryColumn(u"Pic", jet::DataType::Ole)};
  table.add({text(u"one"), jet::Value(), jet::Value::binary({'P', 'N', 'G'})});
  table.add({text(u"two"), jet::Value(), jet::Value()});
  table.add({text(u"three"), jet::Value::binary({1, 2}), jet::Value()});
  table.add({text(u"four"), jet::Value::binary({3}), jet::Value()});
  open();
  ScopedRecordingCursor cursor;
  EXPECT_THROW(
      {
        try {
          exportTo();
        } catch (const jet::Error& e) {
          EXPECT_STREQ(e.what(), "Could not convert variant of type (Array Byte) into type (String)");
          throw;
        }
      },
      jet::Error);
  EXPECT_EQ(qbtest::readFileBytes(scratch / "out.TXT"), "one,,PNG\r\ntwo,,\r\n")
      << "long binary values are written as their bytes; the empty fixed binary ones pass";
  EXPECT_EQ(data.recordNumber(), 3) << "the export stopped at the third record";
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"})) << "the cursor comes back";
  EXPECT_EQ(prompts.shown().size(), 1u) << "no Export Complete";
}

TEST_F(CsvExportTest, WithNoTableOpenTheFileIsCreatedEmptyAndTheMoveFails) {
  twoTextColumns({{text(u"a"), text(u"b")}});
  ScopedRecordingCursor cursor;
  columns = ListColumns(QStringList{QString()});
  try {
    exportTo();
    FAIL() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_STREQ(e.what(), "mdb: Cannot perform this operation on a closed dataset");
  }
  EXPECT_EQ(qbtest::readFileBytes(scratch / "out.TXT"), "");
  EXPECT_TRUE(cursor->steps.isEmpty()) << "the busy cursor was not shown yet";
}

TEST_F(CsvExportTest, FileErrorsSayWhatTheSystemSaid) {
  twoTextColumns({{text(u"a"), text(u"b")}});
  open();
  const auto failure = [&](const std::string& name) {
    try {
      exportTo(name);
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::Io);
      return std::string(e.what());
    }
    return std::string("no error");
  };
  std::filesystem::create_directory(scratch / "folder");
  EXPECT_EQ(failure("folder"), "File access denied: cannot create " + (scratch / "folder").string() +
                                   " (Is a directory)");
  EXPECT_EQ(failure("missing/out.TXT"), "Path not found: cannot create " + (scratch / "missing/out.TXT").string() +
                                            " (No such file or directory)");
  EXPECT_EQ(data.recordNumber(), 1) << "a file that cannot be created stops the export before the walk";
  EXPECT_EQ(qb::ioErrorMessage(ENOSPC), "Disk full");
  EXPECT_EQ(qb::ioErrorMessage(EACCES), "File access denied");
  EXPECT_EQ(qb::ioErrorMessage(EIO), "I/O error 5");
}

TEST(ExportFileTest, ADiskFullErrorComesAtTheWriteAndLinesBeforeItWereHandedOver) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  try {
    qb::ExportFile file("/dev/full");
    file.writeLine(u"first");
    file.close();
    FAIL() << "no error";
  } catch (const jet::Error& e) {
    EXPECT_EQ(std::string(e.what()), "Disk full: cannot write /dev/full (No space left on device)");
  }
}

TEST(ExportFileTest, WritesUtf8WithCrLfAndReplacesLoneSurrogates) {
  qbtest::TempDir scratch;
  const std::string path = (scratch / "f").string();
  {
    qb::ExportFile file(path);
    file.writeLine(u"a\u00e9\u20ac\U0001F600");
    file.writeLine(std::u16string(1, char16_t(0xD800)) + u"x");
    file.writeLine(std::u16string(300000, u'z'));
  }  // closed by going away
  const std::string bytes = qbtest::readFileBytes(path);
  EXPECT_EQ(bytes.substr(0, 20), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\r\n\xEF\xBF\xBDx\r\nzz");
  EXPECT_EQ(bytes.size(), 20u - 2 + 300000 + 2);
}

}  // namespace

namespace {

// mdbtools' export of a table with our file's conventions: no header, no
// quoting, commas, CR LF after each record.
std::string mdbExport(const QString& file, const char* table) {
  QProcess run;
  run.start(QStringLiteral("mdb-export"), {"-H", "-Q", "-d", ",", "-R", "\r\n", file, table});
  run.waitForFinished(60000);
  return run.readAllStandardOutput().toStdString();
}

using ExportCommandTest = DatabaseTest;

TEST_F(ExportCommandTest, TheMenuEntryExportsWhatTheGridShowsAsAnIndependentReaderReadsIt) {
  QB_REQUIRE_CORPUS();
  if (QProcess::execute("sh", {"-c", "command -v mdb-export >/dev/null"}) != 0) GTEST_SKIP() << "no mdbtools";
  const QString path = copyOf(kUnicodeFile);
  open(path);
  const std::string expected = mdbExport(path, "Table");
  ASSERT_FALSE(expected.empty());
  const QString out = scratchFile("unicode.TXT");
  prompts->saveFileWith(out);
  EXPECT_EQ(activate("ExporttoCSV2"), QStringList{"ExporttoCSV2Click"});
  EXPECT_EQ(qbtest::readFileBytes(out.toStdString()), expected) << "UTF-8, control characters inside kept";
  EXPECT_EQ(prompts->shown().back().text, "Export Complete");
  EXPECT_EQ(currentCell().first, 7) << "the grid shows the last record as current";

  // A hidden column is left out; the dialog starts at the last name.
  Form1->DBGrid1->columns().setVisible(0, false);
  prompts->saveFileWith(out);
  activate("ExporttoCSV2");
  const std::string onlyText = qbtest::readFileBytes(out.toStdString());
  EXPECT_EQ(onlyText.substr(0, 17), "only ascii chars\r");
  EXPECT_EQ(prompts->shown()[prompts->shown().size() - 2].start.toString(), out);
}

}  // namespace
