// The commands that move the grid's position: Search ▸ "Search Value"
// (the Locate dialog finds a record of the current table by a field's value)
// and View ▸ "Goto Column" (the Select Field dialog moves the current cell to
// a column of the current record). Both dialogs offer the FieldNames of the
// visible columns.
#pragma once

class GridColumns;
class TfrmSearch;
class TfrmSelectField;

namespace qb {

class DataSet;
class Prompts;

// Shows the Locate dialog modally. The dialog will search `data` and list
// the visible columns' field names; until its controls are built it only
// shows its frame.
void searchValue(TfrmSearch& dialog, DataSet& data, const GridColumns& columns, Prompts& prompts);

// Shows the Select Field dialog modally. The dialog will list the visible
// columns and move the current cell to the column chosen; until its controls
// are built it only shows its frame.
void gotoColumn(TfrmSelectField& dialog, GridColumns& columns, Prompts& prompts);

}  // namespace qb
