// Table ▸ "Table Info" (also the tool button "Table Info F7"): the table
// information window with the current table's column definitions.
#pragma once

class TfrmTableInfo;

namespace qb {

class FileDialog;
class Prompts;
class TableDataSet;

// Names the database last chosen in `openDialog` (OpenDialog1) in the
// window's caption and the table `mdb` was opened with in its label, and shows
// the window modally, filled from the field definitions of `mdb`. Not built
// yet: it does nothing.
void showTableInfo(TfrmTableInfo& window, const TableDataSet& mdb, const FileDialog& openDialog,
                   Prompts& prompts);

}  // namespace qb
