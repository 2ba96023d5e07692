// Printing the current table as a list report (report.h): the tool button
// "Print" and File ▸ "Print Preview" preview it, File ▸ "Print" sends it to
// the default printer, the grid menu's "Print Record" previews the record
// layout. Each builds a report over `mdb` with the visible columns' fields,
// titled with the table's name, adjusts it, runs it (the table is walked: the
// last record is current after) and discards it, also when that fails. While
// no table is open they do nothing.
#pragma once

#include <QStringList>

class GridColumns;

namespace qb {

class DataSet;
class ListReport;
class Prompts;
class TableDataSet;
struct FormatSettings;

enum class ReportOutput { Preview, Printer };

// The list report, header labels as wide as their grid columns.
void printGridReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                     const FormatSettings& settings, ReportOutput output);

// The record layout: the header labels stacked down the page.
void printRecordReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                       const FormatSettings& settings, ReportOutput output);

// The list report's adjustment: every label whose caption names a field of
// `table` (without regard to case) takes the width of the grid column that
// shows that field. Lefts stay. A label whose column is hidden (only when
// every column is, and the builder took every field) keeps its width.
void sizeLabelsToGridColumns(ListReport& report, const DataSet& table, const GridColumns& columns);

// The record layout's adjustment: every label at position i whose caption
// names a field of `table` gets the top 50 × i + 20.
void stackFieldLabels(ListReport& report, const DataSet& table);

}  // namespace qb
