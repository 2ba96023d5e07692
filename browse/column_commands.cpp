// Show / Hide Columns.
#include "browse/column_commands.h"

#include <QScopeGuard>

#include "browse/column_visibility_dialog.h"
#include "ui_services/prompts.h"

namespace qb {

void showHideColumns(TfrmColumns& dialog, const DataSet& data, GridColumns& columns, Prompts& prompts) {
  dialog.setSubject(&data, &columns);
  const auto forget = qScopeGuard([&] { dialog.setSubject(nullptr, nullptr); });
  prompts.execModal(dialog);
}

}  // namespace qb
