// Table ▸ "Table Info" (also the tool button "Table Info F7"): the table
// information window with the current table's column definitions.
#pragma once

class TfrmTableInfo;

namespace qb {

class FileDialog;
class Prompts;
class TableDataSet;

// Names the database last chosen in `openDialog` (OpenDialog1) in the
// window's caption ("Table Info - " + the path) and the table `mdb` was
// opened with in its label ("Table Name: " + the name), and shows the window
// modally; it fills its list from the field definitions of `mdb` as it shows.
// No table need be open: after Close Database the window shows the table
// opened last, before any open an empty list.
void showTableInfo(TfrmTableInfo& window, const TableDataSet& mdb, const FileDialog& openDialog,
                   Prompts& prompts);

}  // namespace qb
