// The grid menu's clipboard copies: every value of the selected column, every
// value of the current record, or the selected field's value, as plain text,
// one value per line in the field's own text form (value_text.h), CR LF after
// each line (clipboard_text.h). With no table open they do nothing. Errors
// of the dataset end a copy before anything is put on the clipboard; the
// normal cursor comes back then too.
#pragma once

class GridColumns;

namespace qb {

class ClipboardText;
class DataSet;
class Field;
struct FormatSettings;

// "Copy Column to clipboard": under the busy cursor, walks `data` from its
// first record to its end, a line per record with the selected column's
// value; the last record is current after. An empty table leaves the
// clipboard as it was.
void copyColumn(DataSet& data, const GridColumns& columns, const FormatSettings& settings);

// "Copy Row to Clipboard": under the busy cursor, a line per grid column,
// hidden ones included, in grid order, with the current record's value.
void copyRow(const DataSet& data, const GridColumns& columns, const FormatSettings& settings);

// "Copy Field Value to Clipbaord": the selected field's value in the current
// record as the only line (no busy cursor; the normal one is set after).
void copyFieldValue(const DataSet& data, const GridColumns& columns, const FormatSettings& settings);

// The texts the copies gather: `field`'s value in every record, walking
// `data` from its first record to its end; the current record's value of
// every grid column's field.
ClipboardText columnText(DataSet& data, const Field& field, const FormatSettings& settings);
ClipboardText rowText(const DataSet& data, const GridColumns& columns, const FormatSettings& settings);

}  // namespace qb
