// Table ▸ "Export Current table to CSV": the current table, as filtered and
// sorted, with the grid's visible columns in grid order, written to a text
// file chosen in the save dialog, one comma-separated line per record.
#pragma once

class GridColumns;

namespace qb {

class DataSet;
class FileDialog;
struct FormatSettings;
class Prompts;

// Asks for the file in `saveDialog` (SaveDialog1), walks `data` from its first
// record to its end writing the visible `columns` of each record in their CSV
// text form under `settings`, and says "Export Complete". Not built yet: it
// does nothing.
void exportToCsv(DataSet& data, const GridColumns& columns, FileDialog& saveDialog, Prompts& prompts,
                 const FormatSettings& settings);

}  // namespace qb
