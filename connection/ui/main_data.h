// The main window's data objects: the program's only connection `con`, its
// only table object `mdb` (the current table) on that connection, and the
// data link `DataSource1` that shows `mdb` in the grid and the windows bound
// to it. The main window owns one MainData, made before any of its controls;
// while it exists, the program-wide reference `mainData` leads to it, so that
// windows of every layer reach the current table without depending on the
// main window's class.
#pragma once

#include "connection/connection.h"
#include "connection/format_settings.h"
#include "connection/table_data_set.h"
#include "connection/ui/data_source.h"

class QLocale;

class MainData {
 public:
  // Binds `mdb` to `con` and `DataSource1` to `mdb`, gives `mdb` the text
  // conventions of the system's locale, and sets `mainData` to this object.
  MainData();
  // Closes the connection (an unsaved row edit is dropped) and clears
  // `mainData`.
  ~MainData();
  MainData(const MainData&) = delete;
  MainData& operator=(const MainData&) = delete;

  qb::Connection con;
  qb::TableDataSet mdb{"mdb"};
  DataSource DataSource1;
};

// The value text conventions of a locale: its decimal point, its short date
// pattern (years always with four digits, so that a date read back from its
// text never changes century) and its long time pattern.
qb::FormatSettings formatSettingsOf(const QLocale& locale);

// Program-wide reference: the main window's data objects, or null while the
// main window does not exist.
extern MainData* mainData;
