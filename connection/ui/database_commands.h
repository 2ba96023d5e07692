// The commands that open and close the database and choose the current
// table: File ▸ Open, Open PWD, Quick Open and Close Database, the open
// procedure the two open commands share, and the tab strip's change. Each
// takes the data objects it works on (MainData: the connection `con`, the
// current table `mdb`, the data link `DataSource1`) and the few controls of
// the main window it changes, so it runs the same on the main window and on
// controls a test makes for it.
#pragma once

#include <QString>

class FieldLink;
class MainData;
class QLabel;
class QWidget;
class TabStrip;
class TfrmQuickOpen;

namespace qb {

class FileDialog;
class Prompts;
class TableDataSet;
class Connection;

// The controls these commands change besides the data objects.
struct DatabaseView {
  QWidget& window;        // its caption: "Quillbase", "Quillbase <path>" or "Quillbase - <table>"
  TabStrip& tabs;         // one tab per table
  QLabel& countPanel;     // status bar panel 0: "Count: " and the row count
  QLabel& fileNamePanel;  // status bar panel 3: "Filename:" and the path
  FieldLink& memo;        // the memo window's binding, cleared before a table opens
};

// The open procedure: connects `con` to the file at `path` (asking for its
// password first when `askPassword` is set; Cancel gives an empty one), makes
// one tab per table (system tables too when `withSystemTables`), names the
// file in the caption and opens the first table in `mdb`, under the busy
// cursor. A connect error and an error opening the first table are not
// reported (listing the tables connects once more and reports its own error;
// the grid then stays empty under the new tabs); an error listing the tables
// ends the command with no tabs and the caption unchanged.
void openDatabaseFile(MainData& data, const DatabaseView& view, Prompts& prompts, const QString& path,
                      bool askPassword, bool withSystemTables);

// Open (`askPassword` false) and Open PWD (true): the open dialog, then the
// open procedure with the chosen file. Cancel changes nothing.
void openDatabase(MainData& data, const DatabaseView& view, FileDialog& openDialog, Prompts& prompts,
                  bool askPassword, bool withSystemTables);

// Quick Open: asks for a table name in `dialog` and opens that table in `mdb`
// (the tabs stay as they are), naming it in the caption. Errors end the
// command with the table closed.
void quickOpen(TableDataSet& mdb, TfrmQuickOpen& dialog, QWidget& window, Prompts& prompts);

// Close Database: disconnects `con` (which closes every dataset on it) and
// gives the window its plain caption. Tabs, panels and boxes stay.
void closeDatabase(Connection& con, QWidget& window);

// The tab strip's change: opens the table of the selected tab in `mdb` under
// the busy cursor (closing it when no tab is selected), binds `DataSource1`
// to it, unbinds the memo from its field, and shows the row count. A control
// of another window that cannot follow the new table ends the command with
// its error, the table open.
void chooseTable(MainData& data, const DatabaseView& view);

// What the engine has to tell the user about the open file: an interrupted
// write undone from its journal, a journal that did not belong to the file set
// aside, the file shown as it was before an interrupted write because it
// cannot be written. Each is shown once, in a message box. Nothing when no
// database is open.
void showDatabaseNotices(Connection& con, Prompts& prompts);

// The main window's timer (and the query window's statements): follows what
// other programs, and other datasets of this program, commit to the open
// file. The tabs are made again when tables or views were created or
// dropped, the current tab kept while its table exists; when the table `mdb`
// shows is gone, `mdb` is closed (the grid empties) and the error of opening
// it is shown once, as for a tab whose table cannot open. When the data
// changed, `mdb` lists its view again (the current record kept by its key),
// the grid repaints through its data link and the count panel shows the new
// count; every other dataset on `con` in Browse state (the query window's
// result) follows the same way; the engine's notices are shown
// (showDatabaseNotices). Does nothing while a modal window is up, while a
// command runs (the busy cursor) or walks `mdb`, and while no database is
// open; a dataset whose record is edited or inserted is left as it is. An
// error reading the file is left to the next tick and to the commands that
// read next.
void followOtherPrograms(MainData& data, const DatabaseView& view, Prompts& prompts);

}  // namespace qb
