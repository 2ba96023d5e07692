// Showing the query window from the main window.
#include "query/query_commands.h"

#include <QPlainTextEdit>

#include "connection/table_data_set.h"
#include "query/query_window.h"
#include "ui_services/window_placement.h"

namespace qb {

void showQueryWindow(TForm14& window) {
  showInFront(window);
}

void queryCurrentTable(TForm14& window, const TableDataSet& mdb) {
  window.Memo1->setPlainText(QStringLiteral("Select * from ") + QString::fromStdU16String(mdb.tableName()));
  showInFront(window);
}

}  // namespace qb
