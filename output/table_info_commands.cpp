// The table information window's command.
#include "output/table_info_commands.h"

#include <QLabel>

#include "connection/table_data_set.h"
#include "output/table_info_window.h"
#include "ui_services/file_dialog.h"
#include "ui_services/prompts.h"

namespace qb {

void showTableInfo(TfrmTableInfo& window, const TableDataSet& mdb, const FileDialog& openDialog,
                   Prompts& prompts) {
  window.setWindowTitle(QStringLiteral("Table Info - ") + openDialog.fileName());
  window.Label1->setText(QStringLiteral("Table Name: ") + QString::fromStdU16String(mdb.tableName()));
  window.setDataSet(&mdb);
  prompts.execModal(window);
}

}  // namespace qb
