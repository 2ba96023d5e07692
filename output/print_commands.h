// Printing the current table as a list report: the tool button "Print" and
// File ▸ "Print Preview" preview it, File ▸ "Print" sends it to the printer,
// the grid menu's "Print Record" previews the record layout. Each builds a
// report over `mdb` with the visible columns' fields, titled with the table's
// name, and does nothing while no table is open.
#pragma once

class GridColumns;

namespace qb {

class Prompts;
class TableDataSet;
struct FormatSettings;

enum class ReportOutput { Preview, Printer };

// The list report, header labels as wide as their grid columns. Not built
// yet: it does nothing.
void printGridReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                     const FormatSettings& settings, ReportOutput output);

// The record layout: the header labels stacked down the page. Not built yet:
// it does nothing.
void printRecordReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                       const FormatSettings& settings, ReportOutput output);

}  // namespace qb
