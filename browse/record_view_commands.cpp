// Building and showing the record view.
#include "browse/record_view_commands.h"

#include "browse/record_view_window.h"
#include "connection/data_set.h"
#include "ui_services/window_placement.h"

namespace qb {

void buildRecordView(TfrmRecordView& window, const DataSet& data, DataSource& source,
                     const GridColumns& columns) {
  if (!data.active()) return;
  window.buildFieldControls(source, columns);
  showInFront(window);
}

void showRecordView(TfrmRecordView& window) {
  showInFront(window);
}

}  // namespace qb
