// The grid menu's clipboard copies: every value of the selected column, every
// value of the current record, or the selected field's value, as plain text,
// one value per line in the field's own text form, CR LF after each line.
#pragma once

class GridColumns;

namespace qb {

class DataSet;
struct FormatSettings;

// "Copy Column to clipboard": walks `data` from its first record to its end
// (the last record is current after). Not built yet: it does nothing.
void copyColumn(DataSet& data, const GridColumns& columns, const FormatSettings& settings);

// "Copy Row to Clipboard": one line per column, hidden ones included. Not
// built yet: it does nothing.
void copyRow(const DataSet& data, const GridColumns& columns, const FormatSettings& settings);

// "Copy Field Value to Clipbaord": the selected field's value. Not built
// yet: it does nothing.
void copyFieldValue(const DataSet& data, const GridColumns& columns, const FormatSettings& settings);

}  // namespace qb
