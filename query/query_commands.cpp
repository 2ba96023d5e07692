// Showing the query window from the main window.
#include "query/query_commands.h"

#include "query/query_window.h"
#include "ui_services/window_placement.h"

namespace qb {

void showQueryWindow(TForm14& window) {
  showInFront(window);
}

void queryCurrentTable(TForm14& /*window*/, const TableDataSet& /*mdb*/) {}

}  // namespace qb
