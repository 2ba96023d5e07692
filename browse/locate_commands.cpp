// Search Value and Goto Column.
#include "browse/locate_commands.h"

#include "browse/goto_column_dialog.h"
#include "browse/locate_dialog.h"
#include "ui_services/prompts.h"

namespace qb {

void searchValue(TfrmSearch& dialog, DataSet& /*data*/, const GridColumns& /*columns*/, Prompts& prompts) {
  prompts.execModal(dialog);
}

void gotoColumn(TfrmSelectField& dialog, GridColumns& /*columns*/, Prompts& prompts) {
  prompts.execModal(dialog);
}

}  // namespace qb
