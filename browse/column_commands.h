// View ▸ "Show / Hide Columns" (also on the grid's menu and the tool bar):
// the column visibility dialog, the only place that hides and shows the
// grid's columns. What it hides, the export, printing, the record view and
// the Locate and Goto Column lists leave out.
#pragma once

class GridColumns;
class TfrmColumns;

namespace qb {

class DataSet;
class Prompts;

// Shows the dialog modally: one row per column of `columns` while `data` is
// open, whose menu changes the columns' visible flags at once.
void showHideColumns(TfrmColumns& dialog, const DataSet& data, GridColumns& columns, Prompts& prompts);

}  // namespace qb
