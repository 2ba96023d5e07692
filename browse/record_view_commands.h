// The record view's commands: the tool button "Record View " builds one
// caption and one data-bound box per grid column and shows the window; View
// ▸ "Record View" and the grid's menu entry show it as it is.
#pragma once

class DataSource;
class GridColumns;
class TfrmRecordView;

namespace qb {

class DataSet;

// Builds the field controls for the columns of `columns`, bound through
// `source` to the fields of `data`, and shows the window in front; with
// `data` closed it does nothing at all, not even show the window. A window
// that still holds the controls of an earlier build fails with "A component
// named lbl0 already exists".
void buildRecordView(TfrmRecordView& window, const DataSet& data, DataSource& source,
                     const GridColumns& columns);

// Shows the window in its present state and brings it to the front.
void showRecordView(TfrmRecordView& window);

}  // namespace qb
