// The commands that move the grid's position: Search ▸ "Search Value"
// (the Locate dialog finds a record of the current table by a field's value)
// and View ▸ "Goto Column" (the Select Field dialog moves the current cell to
// a column of the current record), and the steps their dialogs take. Both
// dialogs offer the FieldNames of the visible columns.
#pragma once

#include <QString>
#include <QStringList>

#include "connection/data_set.h"

class GridColumns;
class TfrmSearch;
class TfrmSelectField;

namespace qb {

class Prompts;

// Shows the Locate dialog modally over `data`, its list of visible columns
// taken from `columns`.
void searchValue(TfrmSearch& dialog, DataSet& data, const GridColumns& columns, Prompts& prompts);

// Shows the Select Field dialog modally; OK moves the current cell among
// `columns`.
void gotoColumn(TfrmSelectField& dialog, GridColumns& columns, Prompts& prompts);

// The names of every field of `data`, in field order (none when closed).
QStringList fieldNamesOf(const DataSet& data);

// Locate on `data` under the busy cursor, which is restored also when it
// fails: the first record whose field named `field` matches `value` becomes
// current (true); a field the table lacks, a value that does not convert and
// no match change nothing (false). A closed dataset and an edit that cannot
// be saved throw.
bool locateRecord(DataSet& data, const QString& field, const QString& value, LocateOptions options);

// Whether two titles are the same without regard to the case of the letters
// a to z (other letters must match exactly).
bool sameTitle(const QString& a, const QString& b);

// Makes each column (hidden ones included) whose title is `title` (sameTitle)
// the selected one; false when none is.
bool moveToColumnTitled(GridColumns& columns, const QString& title);

}  // namespace qb
