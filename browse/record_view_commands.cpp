// Building and showing the record view.
#include "browse/record_view_commands.h"

#include "browse/record_view_window.h"
#include "ui_services/window_placement.h"

namespace qb {

void buildRecordView(TfrmRecordView& /*window*/, const DataSet& /*data*/, DataSource& /*source*/,
                     const GridColumns& /*columns*/) {}

void showRecordView(TfrmRecordView& window) {
  showInFront(window);
}

}  // namespace qb
