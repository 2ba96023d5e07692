// The commands of the filter and sort rows above the grid (FilterSortPanel):
// applying and cancelling a filter or a sort on the current table, Enter in
// either box, and the help windows the rows point to. The expressions are the
// dataset's (see DataSet::setFilter and setSort); these commands only take
// them from the boxes and report what goes wrong.
#pragma once

#include <QChar>

class FilterSortPanel;
class TForm5;
class TfrmSortHelp;

namespace qb {

class DataSet;
class Prompts;

// "Apply Filter": the filter box's text becomes the filter of `data`, in
// force at once, under the busy cursor. An error (an expression the engine
// rejects, an edit that cannot be saved) is shown in a plain message box.
void applyFilter(DataSet& data, FilterSortPanel& panel, Prompts& prompts);

// "Cancel Filter": every row again, and the filter box emptied. Errors end
// the command (the box keeps its text).
void cancelFilter(DataSet& data, FilterSortPanel& panel);

// "Apply Sort  ": the sort box's text becomes the sort of `data`, under the
// busy cursor; errors are shown in a plain message box.
void applySort(DataSet& data, FilterSortPanel& panel, Prompts& prompts);

// "Cancel Sort  ": the natural order again, and the sort box emptied. Errors
// end the command (the box keeps its text).
void cancelSort(DataSet& data, FilterSortPanel& panel);

// A character typed in the filter or the sort box: Enter (a carriage
// return) types nothing and clicks the filter row's "?" instead.
void typedInFilterOrSortBox(QChar& key, FilterSortPanel& panel);

// The help windows, shown modally.
void showFilterHelp(TForm5& window, Prompts& prompts);
void showSortHelp(TfrmSortHelp& window, Prompts& prompts);

}  // namespace qb
