// Show / Hide Columns.
#include "browse/column_commands.h"

#include "browse/column_visibility_dialog.h"
#include "ui_services/prompts.h"

namespace qb {

void showHideColumns(TfrmColumns& dialog, const DataSet& /*data*/, GridColumns& /*columns*/,
                     Prompts& prompts) {
  prompts.execModal(dialog);
}

}  // namespace qb
