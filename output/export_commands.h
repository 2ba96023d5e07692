// Table ▸ "Export Current table to CSV": the current table, as filtered and
// sorted, with the grid's visible columns in grid order, written to a text
// file chosen in the save dialog, one comma-separated line per record.
#pragma once

#include <span>

class GridColumns;

namespace qb {

class DataSet;
class ExportFile;
class Field;
class FileDialog;
struct FormatSettings;
class Prompts;

// Asks for the file in `saveDialog` (SaveDialog1; cancelled: nothing
// happens), creates it, moves `data` to its first record and walks it to its
// end under the busy cursor, writing the visible `columns` of each record in
// their CSV text form under `settings` (csv_lines.h), and says "Export
// Complete". Afterwards the last record is current.
//
// Errors end the export where they happen, with the lines before them in the
// file, the file closed and the normal cursor back: the file's own
// (export_file.h); with no table open, the closed-dataset error once the file
// exists (empty); a binary value that has no text form (a fixed or
// variable-length binary column) at the first record that holds one.
void exportToCsv(DataSet& data, const GridColumns& columns, FileDialog& saveDialog, Prompts& prompts,
                 const FormatSettings& settings);

// The walk: from the current record to the end of `data`, one line per
// record of the values of `fields`.
void writeCsvRecords(DataSet& data, std::span<const Field* const> fields, const FormatSettings& settings,
                     ExportFile& file);

}  // namespace qb
