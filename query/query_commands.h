// The main window's commands that reach the query window: Search ▸ "Query"
// shows it as it was left; the tool button "Query" first puts a statement
// over the current table in its editor.
#pragma once

class TForm14;

namespace qb {

class TableDataSet;

// Shows the query window in front, statement and result unchanged.
void showQueryWindow(TForm14& window);

// Replaces the statement with "Select * from " and the name of the table
// `mdb` was last given (as it stands: no brackets), and shows the window
// without running it.
void queryCurrentTable(TForm14& window, const TableDataSet& mdb);

}  // namespace qb
