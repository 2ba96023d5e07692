// Fixture for tests of the running program with databases: a fresh window
// set per test (see WindowSetTest), a scratch folder for copies of the
// corpus files, and the steps a person takes: open a file through the open
// dialog, choose a tab, read what the grid and the window show.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "support/test_files.h"
#include "window_set_fixture.h"

class DataGrid;

class DatabaseTest : public WindowSetTest {
 protected:
  // A copy of a corpus file in the scratch folder, as a path for the dialogs.
  QString copyOf(const std::string& corpusName) const;
  // A file of the scratch folder (it need not exist).
  QString scratchFile(const std::string& name) const;

  // File ▸ Open with `path` chosen in the dialog.
  void open(const QString& path);
  // File ▸ Open PWD with `path` chosen; the password box is answered with
  // `password` (nullopt: Cancel).
  void openWithPassword(const QString& path, std::optional<QString> password);
  // Selects the tab with this caption as a person does.
  void chooseTab(const QString& caption);

  QStringList tabCaptions() const;
  QString statusText(int panel) const;
  DataGrid& grid() const;
  // What the grid shows in a cell (the model's display text).
  QString cell(int row, int column) const;
  // The grid's current cell as (row, column); (-1, -1) when there is none.
  std::pair<int, int> currentCell() const;

  qbtest::TempDir scratch;
};

// The corpus file with the database password "password" and one table,
// Table1 (ID, Data) of three rows.
inline constexpr char kPasswordFile[] = "mdbreader-password-V2003_with-password.mdb";
// One table, "Table" (ID, Unicode), eight rows of text in many scripts.
inline constexpr char kUnicodeFile[] = "jackcess-V2003-testUnicodeCompV2003.mdb";
// Four tables: Table1 (9 columns, two rows), Table2 (89 columns, empty),
// Table3 and Table4.
inline constexpr char kBaselineFile[] = "jackcess-V2000-testV2000.mdb";
// Table1: nine text columns (data1, data3, ... data10), seven rows, no index,
// so the engine writes it.
inline constexpr char kTextTable[] = "jackcess-V2000-overflowTestV2000.mdb";
// System tables only.
inline constexpr char kEmptyFile[] = "jackcess-empty.mdb";
